#include "app/cli/cli_options.h"

#include <QCommandLineParser>
#include <QStringList>

namespace kb::cli {

namespace {

const QCommandLineOption kWorkspace(QStringList{"w", "workspace"}, "", "DIR");
const QCommandLineOption kJson("json");
const QCommandLineOption kAll("all");
const QCommandLineOption kScriptOnly("script-only");
const QCommandLineOption kAllowMissing("allow-missing");
const QCommandLineOption kOutput(QStringList{"o", "output"}, "", "SETUP");
const QCommandLineOption kHelp(QStringList{"h", "help"});
const QCommandLineOption kVersion(QStringList{"V", "version"});

std::string Text(const QString& text) {
    return text.toStdString();
}

Command CommandNamed(const std::string& name) {
    if (name == "list")
        return Command::List;
    if (name == "check")
        return Command::Check;
    if (name == "build")
        return Command::Build;
    if (name == "help")
        return Command::Help;
    throw UsageError("unknown command \"" + name + "\"; the commands are list, check and build");
}

// Options that only some commands take, refused elsewhere.
void CheckCombination(const Options& options) {
    const bool isBuild = options.command == Command::Build;
    if (options.json && !(options.command == Command::List || options.command == Command::Check))
        throw UsageError("--json works with list and check only");
    if (!isBuild && (options.all || options.scriptOnly || options.output || options.allowMissing))
        throw UsageError("--all, --script-only, --allow-missing and --output work with build only");
    if (options.command == Command::List && !options.names.empty())
        throw UsageError("list takes no names");
    if (options.command == Command::Check && options.names.size() > 2)
        throw UsageError("check takes at most a designer and a collection");
    if (!isBuild)
        return;
    if (options.all && (!options.names.empty() || options.output))
        throw UsageError(
            "build --all takes no names and no --output: every setup is written "
            "to the Installations folder");
    if (!options.all && options.names.size() != 2)
        throw UsageError("build needs a designer and a collection, or --all");
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    parser.addOptions(
        {kWorkspace, kJson, kAll, kScriptOnly, kAllowMissing, kOutput, kHelp, kVersion});
    QStringList list{"kitbinder-cli"};
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    if (!parser.parse(list))
        throw UsageError(Text(parser.errorText()));
    Options options;
    QStringList positional = parser.positionalArguments();
    if (parser.isSet(kHelp))
        return options;
    if (parser.isSet(kVersion)) {
        options.command = Command::Version;
        return options;
    }
    if (positional.isEmpty())
        throw UsageError("no command given; the commands are list, check and build");
    options.command = CommandNamed(Text(positional.takeFirst()));
    if (options.command == Command::Help)
        return options;
    options.workspace = Text(parser.value(kWorkspace));
    if (parser.isSet(kWorkspace) && options.workspace.empty())
        throw UsageError("--workspace needs a folder");
    options.json = parser.isSet(kJson);
    options.all = parser.isSet(kAll);
    options.scriptOnly = parser.isSet(kScriptOnly);
    options.allowMissing = parser.isSet(kAllowMissing);
    if (parser.isSet(kOutput))
        options.output = Text(parser.value(kOutput));
    for (const QString& name : positional)
        options.names.push_back(Text(name));
    CheckCombination(options);
    return options;
}

std::string HelpText() {
    return R"(Usage: kitbinder-cli [--workspace DIR] COMMAND [OPTIONS] [ARGUMENTS]

Checks collections and builds their setups without the window.

Commands:
  list [--json]                  designers, their collections and garments
  check [--json] [DESIGNER [COLLECTION]]
                                 the missing-file check of one collection, of a
                                 designer's collections, or of all
  build DESIGNER COLLECTION [-o SETUP.exe] [--script-only] [--allow-missing]
                                 the installer script and setup of a collection
  build --all [--script-only] [--allow-missing]
                                 every collection's setup, into Installations

Options:
  -w, --workspace DIR  the workspace folder (the one holding Designers);
                       default: Bobbinwright/Personal Files in the documents folder
      --json           machine-readable output (list, check)
  -o, --output SETUP   where build writes the setup; the script goes beside it;
                       default: Installations/COLLECTION.exe
      --script-only    write the installer script, do not compile it
      --allow-missing  build without the required files that are missing (they
                       are still listed); without it they stop the build
  -h, --help           show this help
  -V, --version        show the version

Exit codes: 0 success, nothing missing; 1 a required file is missing (check) or
a build failed; 2 bad usage, unknown name, unreadable or malformed file, or no
installer compiler.
)";
}

}  // namespace kb::cli
