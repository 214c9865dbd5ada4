#include "tests/compiler/generated_setup.h"

#include "foundation/files.h"
#include "setup/setup_script.h"
#include "tests/compiler/sample_setup.h"
#include "workspace/workspace_paths.h"

namespace compiler::test {

std::vector<TypedFields> DollarFieldCases() {
    const std::vector<std::string> texts = {"${NSISDIR}", "$\\n", "$\\r",   "$$",
                                            "$(x)",       "$0",   "$%HOME%"};
    const std::vector<std::string> names = {"${NSISDIR}", "$$",         "$(x)",
                                            "$0",         "Coat$%KBX%", "s$%KBD%"};
    std::vector<TypedFields> cases;
    for (size_t i = 0; i < texts.size(); ++i) {
        const auto name = [&](size_t shift) { return names[(i + shift) % names.size()]; };
        const auto text = [&](size_t shift) { return texts[(i + shift) % texts.size()]; };
        cases.push_back({name(0), name(1), name(2), text(0), text(1), text(2), name(3)});
    }
    return cases;
}

std::vector<TypedFields> BraceFieldCases() {
    return {{"An{na}", "{Coats}", "C{{oat}", "1.{0}", "a.example/{x}", "p{w}", "S{e}t"},
            {"{app}", "Co{ats", "{group}", "{", "{", "{{", "{win}"}};
}

GeneratedSetup BuildGeneratedSetup(const TypedFields& fields, const std::string& target) {
    GeneratedSetup built;
    built.workspace =
        std::make_unique<kb::test::SampleCollection>(fields.designer, fields.collection);
    kb::test::SampleCollection& sample = *built.workspace;
    sample.AddGarment(fields.garment, "macro " + fields.garment + "\n");
    sample.Write(sample.CollectionFile(fields.garment + ".pdf"), "pdf of " + fields.garment);
    sample.Write(sample.DesignerFile("Website.txt"), fields.website);
    sample.data.version = fields.version;
    sample.data.website = fields.website;
    sample.data.password = fields.password;
    const std::string text =
        BuildSetupScript(sample.data, kb::MakeScanInputs({fields.garment}), fields.setupName);
    built.script = kb::RootPath("Installations/" + fields.setupName + ".iss");
    built.setup = kb::RootPath("Installations/" + fields.setupName + ".exe");
    kb::EnsureFolder(kb::RootPath("Installations"));
    kb::WriteTextFile(built.script, text);
    const RunResult compiled =
        RunProgram({KB_COMPIL32_EXE, "/cc", built.script, "/target=" + target},
                   {"KBX=1 leaked", "KBD=/../../x"});
    built.exitCode = compiled.exitCode;
    built.output = compiled.output;
    return built;
}

}  // namespace compiler::test
