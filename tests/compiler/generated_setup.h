#pragma once
// Setups built the way Kit Binder builds them: a collection in a temporary workspace, the
// script from the generator, and Compil32.exe on it. Used to follow typed values from the
// fields of the program to the installed result.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sample_collection.h"

namespace compiler::test {

// What the designer typed in each field that reaches the setup.
struct TypedFields {
    std::string designer, collection, garment, version, website, password, setupName;
};

// Texts that NSIS would read as its own ("${...}", "$\n", "$$", language strings, variables,
// environment variables: "$%KBX%" and "$%KBD%" are set for the compiler),
// spread over the fields so that each field gets each value at least once. Names (designer,
// collection, garment, setup name) get only the values without a backslash, which a name cannot
// hold.
std::vector<TypedFields> DollarFieldCases();

// Texts with braces, which Inno Setup reads as constants ("{app}", an unclosed "{"): the
// generator doubles them where constants are expanded, the compiler reads "{{" as one brace.
std::vector<TypedFields> BraceFieldCases();

struct GeneratedSetup {
    std::unique_ptr<kb::test::SampleCollection> workspace;
    std::string script;  // Installations/<setup name>.iss
    std::string setup;   // Installations/<setup name>.exe
    int exitCode = -1;   // of Compil32.exe
    std::string output;  // of Compil32.exe
};

// Makes the collection with one garment and its PDF, builds the script with the generator and
// compiles it for the target with KBX="1 leaked" and KBD="/../../x" in its environment.
GeneratedSetup BuildGeneratedSetup(const TypedFields& fields, const std::string& target);

}  // namespace compiler::test
