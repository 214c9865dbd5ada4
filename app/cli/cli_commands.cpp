#include "app/cli/cli_commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "app/cli/build_progress.h"
#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "setup/build_checks.h"
#include "setup/setup_build.h"
#include "workspace/collections.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb::cli {

namespace {

// Bad input that stops the command before it writes anything: exit code 2.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Results that did not reach standard output (a closed pipe, a full disk): exit code 2.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The version of the JSON output's shape, documented in the manual page; raised when a field is
// renamed, removed or changes its meaning.
constexpr int kJsonSchema = 1;

// The macro source of a build without the window: the window's default, the Designers folder.
constexpr int kMacroSource = 0;

struct Target {
    std::string designer;
    std::string collection;

    std::string Label() const { return designer + "/" + collection; }
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

// name when it is one of names; otherwise an InputError that lists them.
const std::string& Existing(const std::string& kind, const std::string& name,
                            const std::vector<std::string>& names, const std::string& where) {
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end())
        throw InputError("no " + kind + " \"" + name + "\" in " + where + "; the " + kind +
                         "s there: " + Joined(names));
    return *found;
}

void UseWorkspace(const Options& options) {
    if (!options.workspace.empty())
        SetWorkspaceFolder(
            PathText(std::filesystem::absolute(FsPath(options.workspace)).lexically_normal()));
    if (!FolderExists(DesignersFolder()))
        throw InputError("no workspace at " + WorkspaceRoot(false) +
                         ": it has no Designers folder");
    RequireReadableFolder(DesignersFolder());
}

// Throws OutputError when what was written to out has not all reached it.
void RequireWritten(std::ostream& out) {
    errno = 0;
    out.flush();
    if (!out.fail())
        return;
    const int error = errno;
    throw OutputError(std::string("cannot write to standard output") +
                      (error != 0 ? std::string(": ") + std::strerror(error) : ""));
}

// The collections that names (nothing, a designer, or a designer and a collection) stand for,
// designers and collections in name order.
std::vector<Target> Targets(const std::vector<std::string>& names) {
    const std::vector<std::string> designers = Sorted(DesignerNames());
    std::vector<Target> targets;
    for (const std::string& designer : designers) {
        if (!names.empty() && designer != names[0])
            continue;
        RequireReadableFolder(DesignerFolder(designer));
        const std::vector<std::string> collections = Sorted(CollectionNames(designer));
        for (const std::string& collection : collections)
            if (names.size() < 2 || collection == names[1])
                targets.push_back({designer, collection});
    }
    if (!names.empty()) {
        Existing("designer", names[0], designers, DesignersFolder());
        if (names.size() > 1)
            Existing("collection", names[1], Sorted(CollectionNames(names[0])),
                     DesignersFolder(names[0]));
    }
    return targets;
}

// Makes target the current selection, as choosing it in the window does.
void Select(const Target& target) {
    const CurrentSelection selection =
        SelectionOf(target.designer, target.collection, kMacroSource);
    RequireReadableSelection(selection);
    SetCurrentSelection(selection);
}

KitbinderData StoredSettings() {
    const CurrentSelection selection = CurrentSelectionSnapshot();
    return ReadItemSettings(selection.designerFolder, selection.collectionFolder);
}

// A result document, with the version of its shape.
void WriteJson(std::ostream& out, QJsonObject object) {
    object.insert("schema", kJsonSchema);
    out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

QJsonValue TextOrNull(const std::string& text) {
    return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Q(text));
}

// An error on the diagnostics stream: a line of text, or with --json one JSON object a line.
void ReportError(Streams& streams, bool json, const std::string& message,
                 const Target* target = nullptr) {
    if (!json) {
        streams.err << "kitbinder-cli: " << (target ? target->Label() + ": " : "") << message
                    << "\n";
        return;
    }
    QJsonObject error{{"schema", kJsonSchema}, {"error", Q(message)}};
    if (target) {
        error.insert("designer", Q(target->designer));
        error.insert("collection", Q(target->collection));
    }
    streams.err << QJsonDocument(error).toJson(QJsonDocument::Compact).toStdString() << "\n";
}

// --- list ---

// Every folder is read before anything is written: an unreadable one stops the listing.
int List(const Options& options, Streams& streams) {
    QJsonArray designers;
    std::string text;
    for (const std::string& designer : Sorted(DesignerNames())) {
        const std::string designerFolder = DesignerFolder(designer);
        RequireReadableFolder(designerFolder);
        text += designer + "\n";
        QJsonArray collections;
        for (const std::string& collection : Sorted(CollectionNames(designer))) {
            const std::string folder = DesignerFolder(designer, collection);
            RequireReadableFolder(folder);
            text += "  " + collection + "\n";
            QJsonArray garments;
            for (const std::string& garment : Sorted(GarmentNames(folder))) {
                text += "    " + garment + "\n";
                garments.append(Q(garment));
            }
            collections.append(
                QJsonObject{{"name", Q(collection)}, {"path", Q(folder)}, {"garments", garments}});
        }
        designers.append(QJsonObject{
            {"name", Q(designer)}, {"path", Q(designerFolder)}, {"collections", collections}});
    }
    if (options.json)
        WriteJson(streams.out,
                  QJsonObject{{"workspace", Q(WorkspaceRoot(false))}, {"designers", designers}});
    else
        streams.out << text;
    return kExitOk;
}

// --- check ---

struct CheckResult {
    std::vector<MissingFileGroup> missing;
    std::vector<std::string> tables;
    std::vector<RefusedName> refused;  // names of macro lines and table rows not looked up
    int required = 0;
    int optional = 0;
};

// share: the tables that the collections of one run have in common, read once.
CheckResult CheckCollection(const Target& target, const std::shared_ptr<ScanShare>& share) {
    Select(target);
    const CurrentSelection selection = CurrentSelectionSnapshot();
    const SetupScan scan =
        ScanForSetup({selection, GarmentNames(selection.collectionFolder), {}, share});
    CheckResult result;
    result.missing = MissingFilesByOrigin(scan);
    // Tables by name, as garments are: the file name without its extension.
    for (const std::string& file : scan.list.mmtFiles)
        result.tables.push_back(NameWithoutExtension(file));
    result.refused = scan.list.refused;
    for (const MissingFileGroup& group : result.missing)
        for (const MissingFile& file : group.files)
            ++(file.optional ? result.optional : result.required);
    return result;
}

void PrintCheck(std::ostream& out, const Target& target, const CheckResult& result) {
    out << target.Label() << ": ";
    if (result.required + result.optional == 0)
        out << "nothing missing\n";
    else
        out << result.required << " missing, " << result.optional << " optional missing\n";
    for (const MissingFileGroup& group : result.missing) {
        out << "  " << group.origin << "\n";
        for (const MissingFile& file : group.files)
            out << "    " << NameOf(file.path) << (file.optional ? " (optional)" : "") << "  in "
                << FolderOf(file.path) << "\n";
    }
    out << "  tables: " << (result.tables.empty() ? "none" : Joined(result.tables)) << "\n";
    for (const RefusedName& refused : result.refused)
        out << "  not looked up: " << RefusedText(refused) << "\n";
}

bool LeadsOutside(const std::vector<RefusedName>& refused) {
    return std::any_of(refused.begin(), refused.end(),
                       [](const RefusedName& name) { return name.outside; });
}

// Adds the check's fields to entry.
void AddCheckJson(QJsonObject& entry, const CheckResult& result) {
    QJsonArray groups;
    for (const MissingFileGroup& group : result.missing) {
        QJsonArray files;
        for (const MissingFile& file : group.files)
            files.append(QJsonObject{{"name", Q(NameOf(file.path))},
                                     {"path", Q(file.path)},
                                     {"optional", file.optional}});
        groups.append(QJsonObject{{"kind", Q(group.item.kind)},
                                  {"name", Q(group.item.name)},
                                  {"origin", TextOrNull(group.item.namedBy)},
                                  {"path", Q(group.item.path)},
                                  {"files", files}});
    }
    QJsonArray tables;
    for (const std::string& table : result.tables)
        tables.append(Q(table));
    entry.insert("missing", groups);
    entry.insert("missingRequired", result.required);
    entry.insert("missingOptional", result.optional);
    entry.insert("tables", tables);
    QJsonArray refused;
    for (const RefusedName& name : result.refused)
        refused.append(QJsonObject{{"name", Q(name.name)},
                                   {"path", Q(name.file)},
                                   {"line", name.line},
                                   {"outside", name.outside},
                                   {"reason", Q(name.reason)}});
    entry.insert("refused", refused);
}

int Check(const Options& options, Streams& streams) {
    int exitCode = kExitOk;
    QJsonArray collections;
    const std::shared_ptr<ScanShare> share = MakeScanShare();
    for (const Target& target : Targets(options.names)) {
        QJsonObject entry{{"designer", Q(target.designer)}, {"collection", Q(target.collection)}};
        try {
            const CheckResult result = CheckCollection(target, share);
            if (options.json)
                AddCheckJson(entry, result);
            else
                PrintCheck(streams.out, target, result);
            if (result.required > 0 || LeadsOutside(result.refused))
                exitCode = std::max(exitCode, kExitFound);
        } catch (const std::exception& error) {
            ReportError(streams, options.json, error.what(), &target);
            entry.insert("error", Q(error.what()));
            exitCode = kExitError;
        }
        collections.append(entry);
    }
    if (options.json)
        WriteJson(streams.out, QJsonObject{{"workspace", Q(WorkspaceRoot(false))},
                                           {"collections", collections}});
    return exitCode;
}

// --- build ---

// The setup base (path without ".exe") of each target, checked before anything is written.
std::vector<std::string> SetupBases(const Options& options, const std::vector<Target>& targets) {
    std::vector<std::string> bases;
    if (options.output) {
        const std::string chosen = PathText(std::filesystem::absolute(FsPath(*options.output)));
        if (std::string problem = SetupNameProblem(chosen); !problem.empty())
            throw InputError(problem);
        if (std::string problem = WindowsNameProblem(SetupBaseName(chosen)); !problem.empty())
            throw InputError("\"" + NameOf(chosen) +
                             "\" cannot be a setup's file name: " + problem);
        const std::string base = SetupBase(chosen);
        bases.push_back(base);
        return bases;
    }
    std::set<std::string> seen;
    for (const Target& target : targets) {
        bases.push_back(PathJoin(RootPath("Installations"), target.collection));
        if (!seen.insert(bases.back()).second)
            throw InputError("two collections named \"" + target.collection +
                             "\" would both write " + bases.back() +
                             ".exe; build them one by one with --output");
    }
    EnsureFolder(RootPath("Installations"));
    return bases;
}

void RequireWritableFolder(const std::string& folder) {
    if (!FolderExists(folder))
        throw InputError("cannot write the setup into " + folder + ": no such folder");
    if (!FolderWritable(folder))
        throw InputError("cannot write the setup into " + folder + ": the folder is not writable");
}

int BuildCollection(const Target& target, const std::string& base, const Options& options,
                    const std::shared_ptr<ScanShare>& share, BuildProgress& progress,
                    std::ostream& err) {
    Select(target);
    const CurrentSelection selection = CurrentSelectionSnapshot();
    KitbinderData data = StoredSettings();
    const PreparedSetup prepared = PrepareSetup(
        data, {selection, GarmentNames(selection.collectionFolder), {}, share}, base,
        options.scriptOnly ? ScriptUse::ScriptOnly : ScriptUse::Compile,
        [&](const std::string& step) { progress.Step(step); },
        options.allowMissing ? MissingFiles::Allow : MissingFiles::Stop);
    if (!prepared.problems.empty()) {
        progress.Pause();
        err << ProblemReportText(prepared.problems);
    }
    if (!prepared.scriptWritten) {
        progress.End("nothing was compiled: the checks found errors");
        return kExitFound;
    }
    if (options.scriptOnly) {
        progress.End("script written: " + prepared.Script());
        return kExitOk;
    }
    progress.Step("Compiling the setup...");
    progress.Files(0, prepared.filesToAdd);
    std::string output;
    const ProgramResult compiled = StartProgram(
        kInstallerCompiler, CompilerArguments(prepared.NewScript()), "", true,
        [&](std::string_view text) {
            output += text;
            progress.Files(std::min(FilesAdded(output), prepared.filesToAdd), prepared.filesToAdd);
        });
    if (!compiled.started) {
        AbandonSetup(prepared);
        throw InputError(std::string("the installer compiler ") + kInstallerCompiler +
                         " could not be started");
    }
    const SetupOutcome outcome =
        FinishSetup(prepared, compiled.exitCode, compiled.exitCode < 0, compiled.output);
    if (!outcome.succeeded) {
        progress.Pause();
        err << outcome.explained << (outcome.explained.ends_with('\n') ? "" : "\n");
        progress.End(outcome.summary);
        return kExitFound;
    }
    if (!compiled.output.empty()) {
        // The compiler's own messages (its warnings among them) are diagnostics.
        progress.Pause();
        err << compiled.output << (compiled.output.ends_with('\n') ? "" : "\n");
    }
    progress.End("built " + prepared.Setup());
    return kExitOk;
}

int Build(const Options& options, Streams& streams) {
    const std::vector<Target> targets = Targets(options.names);
    if (!options.scriptOnly && FindProgram(kInstallerCompiler).empty())
        throw InputError(std::string("the installer compiler ") + kInstallerCompiler +
                         " was found neither beside this program nor on the search path");
    const std::vector<std::string> bases = SetupBases(options, targets);
    for (const std::string& base : bases)
        RequireWritableFolder(FolderOf(base));
    int exitCode = kExitOk;
    const std::shared_ptr<ScanShare> share = MakeScanShare();
    for (size_t i = 0; i < targets.size(); ++i) {
        BuildProgress progress(streams.err, streams.out, streams.terminal, targets[i].Label(),
                               i + 1, targets.size());
        try {
            exitCode = std::max(exitCode, BuildCollection(targets[i], bases[i], options, share,
                                                          progress, streams.err));
        } catch (const std::exception& error) {
            progress.End("failed");
            ReportError(streams, false, error.what(), &targets[i]);
            exitCode = kExitError;
        }
        // A run whose results cannot be written stops before the next build.
        RequireWritten(streams.out);
    }
    return exitCode;
}

int RunCommand(const Options& options, Streams& streams) {
    switch (options.command) {
        case Command::Help:
            streams.out << HelpText();
            return kExitOk;
        case Command::Version:
            streams.out << "kitbinder-cli " << KB_VERSION << "\n";
            return kExitOk;
        case Command::List:
            UseWorkspace(options);
            return List(options, streams);
        case Command::Check:
            UseWorkspace(options);
            return Check(options, streams);
        case Command::Build:
            UseWorkspace(options);
            return Build(options, streams);
    }
    return kExitError;
}

}  // namespace

int Run(const std::vector<std::string>& arguments, Streams streams) {
    // Errors take the shape of the output asked for, also when the command line is what is wrong.
    const bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
    int exitCode = kExitError;
    try {
        exitCode = RunCommand(ParseOptions(arguments), streams);
        RequireWritten(streams.out);
    } catch (const UsageError& error) {
        ReportError(streams, json, error.what());
        if (!json)
            streams.err << "Try 'kitbinder-cli --help'.\n";
        exitCode = kExitError;
    } catch (const std::exception& error) {
        ReportError(streams, json, error.what());
        exitCode = kExitError;
    }
    // Nothing can tell of a diagnostic that did not arrive but the exit code.
    streams.err.flush();
    return streams.err.fail() ? kExitError : exitCode;
}

}  // namespace kb::cli
