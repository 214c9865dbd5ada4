// Compil32: compiles an Inno Setup script into a Windows setup.
//   Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<copy.nsi>]
//   Compil32.exe /testinstall <script.iss>
//   Compil32.exe /signing=<certificate.p12> [/timestamp=<url>]   (password on standard input)
//   Compil32.exe /signfile=<program.exe> [/time=<seconds>] [/description=<text>]
// Exit code 0 when the setup was written (or test-installed and uninstalled cleanly, or the
// signing configured, or the program signed), 1 on a compile error (or a failed test install,
// configuration or signature), 2 on a bad command line, 3 when wine is missing.
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/code_signing.h"
#include "compiler/installer_compiler.h"
#include "compiler/iss_script.h"
#include "compiler/stopping.h"
#include "compiler/secret_files.h"
#include "compiler/test_install.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: Compil32.exe [/cc] <script.iss> [/target=x86-unicode|amd64-unicode] [/nsi=<file>]\n"
    "       Compil32.exe /testinstall <script.iss>\n"
    "       Compil32.exe /signing=<certificate.p12> [/timestamp=<url>]  (password on stdin;\n"
    "                    an empty certificate name removes the configuration)\n"
    "       Compil32.exe /signfile=<program.exe> [/time=<seconds>] [/description=<text>]\n";

struct CommandLine {
    compiler::CompileOptions options;
    std::string script;
    bool testInstall = false;
    std::optional<std::string> signing, signFile;
    std::string timestamp, time = "0", description;
};

bool TakeOption(std::string_view argument, std::string_view name, std::string& value) {
    if (argument.size() < name.size() ||
        !compiler::EqualsNoCase(argument.substr(0, name.size()), name))
        return false;
    value = argument.substr(name.size());
    return true;
}

bool TakeOption(std::string_view argument, std::string_view name,
                std::optional<std::string>& value) {
    std::string text;
    if (!TakeOption(argument, name, text))
        return false;
    value = text;
    return true;
}

std::optional<CommandLine> ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    // Each file as makensis adds it, so that a caller can show the build's progress.
    line.options.fileAdded = [](const std::string& text) { std::cout << text << std::endl; };
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (compiler::EqualsNoCase(argument, "/cc"))
            continue;
        if (compiler::EqualsNoCase(argument, "/testinstall")) {
            line.testInstall = true;
            continue;
        }
        if (TakeOption(argument, "/target=", line.options.target) ||
            TakeOption(argument, "/nsi=", line.options.nsisCopy) ||
            TakeOption(argument, "/signing=", line.signing) ||
            TakeOption(argument, "/timestamp=", line.timestamp) ||
            TakeOption(argument, "/signfile=", line.signFile) ||
            TakeOption(argument, "/time=", line.time) ||
            TakeOption(argument, "/description=", line.description))
            continue;
        if (!line.script.empty() || argument.empty())
            return std::nullopt;
        line.script = argument;
    }
    const bool tool = line.signing || line.signFile;
    if (tool == !line.script.empty() || (line.signing && line.signFile) ||
        (line.options.target != "x86-unicode" && line.options.target != "amd64-unicode") ||
        line.time.empty() || line.time.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return line;
}

int RunTestInstall(const std::string& script) {
    if (compiler::FindWine().empty()) {
        std::cerr << "Test install needs wine (Debian package wine64)\n";
        return 3;
    }
    const compiler::TestInstallReport report =
        compiler::TestInstall(script, compiler::TestInstallOptions{});
    std::cout << report.Summary();
    return report.Clean() ? 0 : 1;
}

// The password comes as the first line of standard input, so that it shows in no process
// list, shell history or log; typed at a terminal, it does not show there either.
int ConfigureSigning(const CommandLine& line) {
    compiler::SigningSettings settings;
    settings.certificate = *line.signing;
    settings.timestampServer = line.timestamp;
    if (settings.Configured() &&
        !compiler::ReadSecretLine("Password of " + settings.certificate + ": ",
                                  settings.password)) {
        std::cerr << "The certificate's password is expected on standard input\n";
        return 1;
    }
    if (!settings.password.empty() && settings.password.back() == '\r')
        settings.password.pop_back();
    compiler::StoreSigningSettings(settings);
    if (settings.Configured())
        std::cout << "Setups will be signed by "
                  << compiler::CertificateSubject(settings.certificate, settings.password) << "\n";
    else
        std::cout << "Setups will not be signed\n";
    return 0;
}

int SignFile(const CommandLine& line) {
    const compiler::SigningSettings settings = compiler::ReadSigningSettings();
    if (!settings.Configured()) {
        std::cerr << "No signing certificate is configured\n";
        return 1;
    }
    compiler::SignProgram(*line.signFile, settings, line.description, std::stoll(line.time));
    compiler::VerifySignature(*line.signFile, settings);
    return 0;
}

int Compile(const CommandLine& line) {
    std::vector<std::string> warnings;
    try {
        const std::string setup = compiler::CompileSetupScript(line.script, line.options, warnings);
        for (const std::string& warning : warnings)
            std::cerr << warning << "\n";
        std::cout << "Compiled " << setup << "\n";
        return 0;
    } catch (...) {
        for (const std::string& warning : warnings)
            std::cerr << warning << "\n";
        throw;
    }
}

}  // namespace

namespace {

int Run(int argc, char** argv) {
    const std::optional<CommandLine> line = ParseCommandLine(argc, argv);
    if (!line) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        if (line->signing)
            return ConfigureSigning(*line);
        if (line->signFile)
            return SignFile(*line);
        if (line->testInstall)
            return RunTestInstall(line->script);
        return Compile(*line);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    compiler::StopCleanlyOnSignals();
    const int exitCode = Run(argc, argv);
    compiler::EndIfStopped();
    return exitCode;
}
