// Compil32: compiles an Inno Setup script into a Windows setup.
//   Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<copy.nsi>]
// Exit code 0 when the setup was written, 1 on a compile error, 2 on a bad command line.
#include <iostream>
#include <string>
#include <string_view>

#include "tools/compil32/installer_compiler.h"
#include "tools/compil32/iss_script.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<file>]\n";

bool TakeOption(std::string_view argument, std::string_view name, std::string& value) {
    if (argument.size() < name.size() || !kb::EqualsNoCase(argument.substr(0, name.size()), name))
        return false;
    value = argument.substr(name.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    kb::CompileOptions options;
    // Each file as makensis adds it, so that a caller can show the build's progress.
    options.fileAdded = [](const std::string& line) { std::cout << line << std::endl; };
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (kb::EqualsNoCase(argument, "/cc"))
            continue;
        if (TakeOption(argument, "/target=", options.target) ||
            TakeOption(argument, "/nsi=", options.nsisCopy))
            continue;
        if (!script.empty() || argument.empty()) {
            std::cerr << kUsage;
            return 2;
        }
        script = argument;
    }
    if (script.empty() || (options.target != "x86-unicode" && options.target != "amd64-unicode")) {
        std::cerr << kUsage;
        return 2;
    }
    std::vector<std::string> warnings;
    try {
        const std::string setup = kb::CompileSetupScript(script, options, warnings);
        for (const std::string& warning : warnings)
            std::cerr << warning << "\n";
        std::cout << "Compiled " << setup << "\n";
        return 0;
    } catch (const std::exception& error) {
        for (const std::string& warning : warnings)
            std::cerr << warning << "\n";
        std::cerr << error.what() << "\n";
        return 1;
    }
}
