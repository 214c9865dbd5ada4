#pragma once
// One fuzzing round on arbitrary bytes for the texts the setup builder reads: a licence or
// information text, a name, a script to map to its origins and a compiler's output to explain.
// Nothing may crash or trip a sanitizer.
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"
#include "setup/script_origins.h"

namespace kb::test {

inline void FuzzSetupTextOnce(std::string_view bytes) {
    TextEncodingProblems(bytes);
    WindowsNameProblem(bytes);
    SetupScan scan;
    scan.inputs.selection.designer = "Anna";
    scan.inputs.selection.collection = "Coats";
    scan.inputs.garments = {"Coat1", std::string(bytes.substr(0, 8))};
    scan.list.entries.push_back({true, std::string(bytes.substr(0, 16)), GarmentFile, ""});
    const std::vector<std::string> origins = ScriptLineOrigins(bytes, scan);
    ExplainCompilerOutput(bytes, "Coats.iss", origins);
    ExplainCompilerOutput(bytes, "", {});
}

}  // namespace kb::test
