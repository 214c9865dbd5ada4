// Compil32: compiles an Inno Setup script into a Windows setup.
//   Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<copy.nsi>]
//   Compil32.exe /testinstall <script.iss>
// Exit code 0 when the setup was written (or test-installed and uninstalled cleanly), 1 on a
// compile error (or a failed test install), 2 on a bad command line, 3 when wine is missing.
#include <iostream>
#include <string>
#include <string_view>

#include "tools/compil32/installer_compiler.h"
#include "tools/compil32/iss_script.h"
#include "tools/compil32/test_install.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<file>]\n"
    "       Compil32.exe /testinstall <script.iss>\n";

bool TakeOption(std::string_view argument, std::string_view name, std::string& value) {
    if (argument.size() < name.size() || !kb::EqualsNoCase(argument.substr(0, name.size()), name))
        return false;
    value = argument.substr(name.size());
    return true;
}

int RunTestInstall(const std::string& script) {
    if (kb::FindWine().empty()) {
        std::cerr << "Test install needs wine (Debian package wine64)\n";
        return 3;
    }
    try {
        const kb::TestInstallReport report = kb::TestInstall(script, kb::TestInstallOptions{});
        std::cout << report.Summary();
        return report.Clean() ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    kb::CompileOptions options;
    // Each file as makensis adds it, so that a caller can show the build's progress.
    options.fileAdded = [](const std::string& line) { std::cout << line << std::endl; };
    std::string script;
    bool testInstall = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (kb::EqualsNoCase(argument, "/cc"))
            continue;
        if (kb::EqualsNoCase(argument, "/testinstall")) {
            testInstall = true;
            continue;
        }
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
    if (testInstall)
        return RunTestInstall(script);
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
