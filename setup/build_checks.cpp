#include "setup/build_checks.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

// Records, while the scan runs, which garment each new entry of the list belongs to.
class EntryOriginRecorder : public ScanProgress {
  public:
    EntryOriginRecorder(SetupScan& scan, ScanProgress* next) : scan_(scan), next_(next) {}

    void ScanningGarment(const std::string& currentFile) override {
        AssignNewEntries();
        current_ = scan_.inputs.garments.at(started_++);
        if (next_)
            next_->ScanningGarment(currentFile);
    }
    // The entries left after the scan's clean-up that were added after the last garment began.
    void Finish() { AssignNewEntries(); }

  private:
    void AssignNewEntries() { scan_.entryGarments.resize(scan_.list.entries.size(), current_); }

    SetupScan& scan_;
    ScanProgress* next_;
    size_t started_ = 0;
    std::string current_;
};

// A text in the wrong encoding goes wrong on most lines; the first few say enough.
constexpr size_t kMaxReportedLines = 10;

// NameOf(path) as a view into path: sorting compares names many times.
std::string_view NameView(std::string_view path) {
    const size_t last = path.find_last_of("\\/");
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

bool IsOptionalExtension(std::string_view extension) {
    return extension == ".pdf" || extension == ".html" || extension == ".txt";
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void Add(std::vector<BuildProblem>& problems, ProblemSeverity severity, std::string origin,
         std::string text) {
    problems.push_back({severity, std::move(origin), std::move(text)});
}

void CheckMissingFiles(const SetupScan& scan, std::vector<BuildProblem>& problems) {
    std::set<std::string> reported;
    for (size_t i = 0; i < scan.list.entries.size(); ++i) {
        const DirectoryParser& entry = scan.list.entries[i];
        if (entry.exists || !reported.insert(entry.path).second)
            continue;
        const bool optional = IsOptionalExtension(ExtensionOf(entry.path));
        Add(problems, optional ? ProblemSeverity::Warning : ProblemSeverity::Error,
            scan.OriginOf(i),
            (optional ? "optional file missing, not installed: " : "file missing: ") + entry.path);
        problems.back().missingFile = !optional;
    }
}

// The item a refused name comes from, named as SetupScan::OriginOf names items.
std::string RefusedOrigin(const RefusedName& refused) {
    if (!refused.tableName.empty())
        return "table " + refused.tableName + " (" + NameOf(refused.file) + ")";
    return "garment " + StripExtension(NameOf(refused.file), true);
}

// Names that macro lines and table rows give but that were not looked up. One that leads
// outside its folder is an error: the macro or table asks for a file from elsewhere. One that
// no path can hold only warns: no file can have it, and the setup leaves it out.
void CheckRefusedNames(const SetupScan& scan, std::vector<BuildProblem>& problems) {
    for (const RefusedName& refused : scan.list.refused)
        Add(problems, refused.outside ? ProblemSeverity::Error : ProblemSeverity::Warning,
            RefusedOrigin(refused), RefusedText(refused));
}

void CheckName(std::vector<BuildProblem>& problems, const std::string& origin,
               std::string_view what, std::string_view name) {
    const std::string problem = WindowsNameProblem(name);
    if (!problem.empty())
        Add(problems, ProblemSeverity::Error, origin,
            std::string(what) + " " + Quoted(name) + " cannot be used on Windows: " + problem);
}

// The installed path of a shipped entry with {pf} expanded.
std::string InstalledPath(const DirectoryParser& entry, const CurrentSelection& selection) {
    std::string folder = InstallFolder(entry, selection.designer, selection.collection);
    constexpr std::string_view kPf = "{pf}";
    if (folder.starts_with(kPf))
        folder = std::string(kProgramFilesFolder) + folder.substr(kPf.size());
    return folder + "\\" + NameOf(entry.path);
}

void CheckShippedFiles(const SetupScan& scan, std::vector<BuildProblem>& problems) {
    std::set<std::string> seen;
    for (size_t i = 0; i < scan.list.entries.size(); ++i) {
        const DirectoryParser& entry = scan.list.entries[i];
        if (!entry.exists || !seen.insert(entry.path).second)
            continue;
        const std::string origin = scan.OriginOf(i);
        CheckName(problems, origin, "file name", NameOf(entry.path));
        if (entry.type == MeasurePicture && !entry.tableName.empty())
            CheckName(problems, origin, "table name", entry.tableName);
        const std::string installed = InstalledPath(entry, scan.inputs.selection);
        if (installed.size() >= kMaxInstalledPath)
            Add(problems, ProblemSeverity::Error, origin,
                "installed path has " + std::to_string(installed.size()) +
                    " characters, Windows allows at most " + std::to_string(kMaxInstalledPath - 1) +
                    ": " + installed);
    }
}

void CheckItemNames(const SetupScan& scan, std::string_view outputBaseName,
                    std::vector<BuildProblem>& problems) {
    const CurrentSelection& selection = scan.inputs.selection;
    CheckName(problems, "designer " + selection.designer, "designer name", selection.designer);
    CheckName(problems, "collection " + selection.collection, "collection name",
              selection.collection);
    for (const std::string& garment : scan.inputs.garments)
        CheckName(problems, "garment " + garment, "garment name", garment);
    CheckName(problems, "setting setup file name", "setup file name", outputBaseName);
}

void CheckTexts(const SetupScan& scan, std::vector<BuildProblem>& problems) {
    const CurrentSelection& selection = scan.inputs.selection;
    const std::array<std::pair<std::string, std::string>, 3> texts = {{
        {"designer " + selection.designer,
         PathJoin(selection.designerFolder, selection.designer + "_License.txt")},
        {"collection " + selection.collection,
         PathJoin(selection.collectionFolder, selection.collection + "_BeforeInstall.txt")},
        {"collection " + selection.collection,
         PathJoin(selection.collectionFolder, selection.collection + "_AfterInstall.txt")},
    }};
    for (const auto& [origin, path] : texts) {
        if (!FileExists(path))
            continue;
        for (const std::string& problem : TextEncodingProblems(ReadTextFile(path)))
            Add(problems, ProblemSeverity::Error, origin, NameOf(path) + ", " + problem);
    }
}

void CheckPassword(const KitbinderData& data, std::vector<BuildProblem>& problems) {
    if (Trim(data.password).empty() || Trim(data.password) == data.password)
        return;
    Add(problems, ProblemSeverity::Error, "setting installation password",
        "the password starts or ends with a blank, which the user would have to type too");
}

bool HasNonAscii(std::string_view line) {
    return std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; });
}

// Bytes that Windows-1252 leaves undefined, and control characters other than tab and CR.
bool HasUnshowableByte(std::string_view line, bool asWindows1252) {
    return std::any_of(line.begin(), line.end(), [asWindows1252](char c) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = (byte < 32 && byte != '\t' && byte != '\r') || byte == 127;
        const bool undefined =
            byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        return control || (asWindows1252 && undefined);
    });
}

// A line as the report shows it: control characters as "?".
std::string Shown(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32)
            c = '?';
    return text;
}

// The order of the details' groups: designer, collection, garments, tables; then by name.
std::pair<int, std::string> GroupKey(const std::string& origin) {
    static const std::string_view kKinds[] = {"designer ", "collection ", "garment ", "table "};
    for (int rank = 0; rank < 4; ++rank)
        if (origin.starts_with(kKinds[rank]))
            return {rank, LowerCase(origin)};
    return {4, LowerCase(origin)};
}

using Groups = std::map<std::pair<int, std::string>, std::pair<std::string, std::set<std::string>>>;

void AddToGroup(Groups& groups, const std::string& origin, std::string line) {
    auto& group = groups[GroupKey(origin)];
    group.first = origin;
    group.second.insert(std::move(line));
}

std::string GroupsText(const Groups& groups) {
    std::string text;
    for (const auto& [key, group] : groups) {
        text += group.first + "\n";
        for (const std::string& line : group.second)
            text += "  " + line + "\n";
    }
    return text;
}

// Measuring pictures named by the rows of the tables in use that no picture folder holds.
Groups UnfoundMeasuringPictures(const SetupScan& scan) {
    Groups groups;
    for (const std::string& file : scan.list.mmtFiles) {
        MmtData table;
        LoadMmt(table, RootCombine("MeasureTables", file));
        for (size_t row = 0; row < table.rowPictures.size(); ++row) {
            const std::string picture = table.rowPictures[row] + ".jpg";
            if (!table.rowPictures[row].empty() && FindMeasurePicture(picture, table.name).empty())
                AddToGroup(groups, "table " + table.name + " (" + file + ")",
                           picture + " (row " + table.rowNames[row] + ")");
        }
    }
    return groups;
}

std::string SeverityName(ProblemSeverity severity) {
    return severity == ProblemSeverity::Error ? "Error" : "Warning";
}

}  // namespace

std::vector<MissingFileGroup> MissingFilesByOrigin(const SetupScan& scan) {
    std::map<std::pair<int, std::string>, MissingFileGroup> groups;
    std::set<std::string> seen;
    const SetupScan::TablePaths tablePaths = scan.FirstTablePaths();
    for (size_t i = 0; i < scan.list.entries.size(); ++i) {
        const DirectoryParser& entry = scan.list.entries[i];
        if (entry.exists || !seen.insert(entry.path).second)
            continue;
        SetupScan::Item item = scan.ItemOf(i, tablePaths);
        const std::string origin = SetupScan::OriginText(item);
        MissingFileGroup& group = groups[GroupKey(origin)];
        group.origin = origin;
        group.item = std::move(item);
        group.files.push_back({entry.path, IsOptionalExtension(ExtensionOf(entry.path))});
    }
    std::vector<MissingFileGroup> ordered;
    for (auto& [key, group] : groups) {
        std::sort(
            group.files.begin(), group.files.end(), [](const MissingFile& a, const MissingFile& b) {
                return std::make_tuple(NameView(a.path), !a.optional, std::string_view(a.path)) <
                       std::make_tuple(NameView(b.path), !b.optional, std::string_view(b.path));
            });
        ordered.push_back(std::move(group));
    }
    return ordered;
}

std::string MissingFileDetails(const SetupScan& scan) {
    Groups missing;
    size_t count = 0;
    for (const MissingFileGroup& group : MissingFilesByOrigin(scan))
        for (const MissingFile& file : group.files) {
            ++count;
            // A table found nowhere is named bare: it was looked for in MeasureTables.
            const std::string folder = FolderOf(file.path);
            AddToGroup(missing, group.origin,
                       NameOf(file.path) + (file.optional ? " (optional)" : "") + "  in " +
                           (folder.empty() ? RootPath("MeasureTables") : folder));
        }
    std::string text = count == 0
                           ? "All support files found.\n"
                           : std::to_string(count) + " missing files:\n\n" + GroupsText(missing);
    if (!scan.list.refused.empty()) {
        text += "\nNames that were not looked up:\n\n";
        for (const RefusedName& refused : scan.list.refused)
            text += "  " + RefusedText(refused) + "\n";
    }
    const Groups unfound = UnfoundMeasuringPictures(scan);
    if (!unfound.empty())
        text +=
            "\nMeasuring pictures that tables in use name but that are nowhere in the "
            "workspace (Bobbinwright may bring them):\n\n" +
            GroupsText(unfound);
    return text;
}

std::string SetupScan::OriginOf(size_t entry) const {
    return OriginText(ItemOf(entry));
}

std::string SetupScan::OriginText(const Item& item) {
    const std::string origin = item.kind + " " + item.name;
    return item.namedBy.empty() ? origin : origin + " (named by garment " + item.namedBy + ")";
}

SetupScan::TablePaths SetupScan::FirstTablePaths() const {
    TablePaths paths;
    for (const DirectoryParser& entry : list.entries) {
        if (entry.type == MeasureTableFile && IsTablePath(entry.path))
            paths.try_emplace(entry.tableName, entry.path);
    }
    return paths;
}

SetupScan::Item SetupScan::ItemOf(size_t entry) const {
    return ItemOf(entry, nullptr);
}

SetupScan::Item SetupScan::ItemOf(size_t entry, const TablePaths& tablePaths) const {
    return ItemOf(entry, &tablePaths);
}

SetupScan::Item SetupScan::ItemOf(size_t entry, const TablePaths* tablePaths) const {
    const DirectoryParser& found = list.entries.at(entry);
    const std::string& garment = entry < entryGarments.size() ? entryGarments[entry] : "";
    const CurrentSelection& selection = inputs.selection;
    switch (found.type) {
        case DesignerFile:
            return {"designer", selection.designer, "", selection.designerFolder};
        case CollectionFile:
            return {"collection", selection.collection, "", selection.collectionFolder};
        case MeasureTableFile:
        case MeasurePicture: {
            const std::string name =
                found.tableName.empty() ? NameWithoutExtension(found.path) : found.tableName;
            return {"table", name, garment, TablePathOf(name, tablePaths)};
        }
        default:
            if (garment.empty())
                return {"collection", selection.collection, "", selection.collectionFolder};
            return {"garment", garment, "", PathJoin(selection.collectionFolder, garment + ".mac")};
    }
}

std::string SetupScan::TablePathOf(const std::string& name, const TablePaths* tablePaths) const {
    if (tablePaths != nullptr) {
        if (const auto found = tablePaths->find(name); found != tablePaths->end())
            return found->second;
    } else {
        for (const DirectoryParser& entry : list.entries) {
            if (entry.type == MeasureTableFile && entry.tableName == name &&
                IsTablePath(entry.path))
                return entry.path;
        }
    }
    return RootCombine("MeasureTables", name + ".mmt");
}

SetupScan ScanForSetup(ScanInputs inputs, ScanProgress* progress) {
    SetupScan scan;
    scan.inputs = std::move(inputs);
    EntryOriginRecorder recorder(scan, progress);
    ScanCollection(scan.inputs, scan.list, true, &recorder);
    recorder.Finish();
    return scan;
}

std::string WindowsNameProblem(std::string_view name) {
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127)
            return "it holds a control character";
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return std::string("it holds the character ") + c;
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return name.back() == '.' ? "it ends in a dot" : "it ends in a space";
    // Device names are reserved whatever follows the first dot, and with blanks before it.
    const std::string stem = UpperCase(Trim(name.substr(0, name.find('.'))));
    static const std::set<std::string> kDevices = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
        "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    if (kDevices.contains(stem))
        return stem + " is a reserved device name";
    return {};
}

std::vector<std::string> TextEncodingProblems(std::string_view bytes) {
    std::string_view body = bytes;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const bool asWindows1252 = !IsValidUtf8(body);
    std::vector<std::string> problems;
    int number = 0;
    for (size_t start = 0; start <= body.size(); ++number) {
        const size_t end = std::min(body.find('\n', start), body.size());
        const std::string_view line = body.substr(start, end - start);
        start = end + 1;
        const bool misread = asWindows1252 && HasNonAscii(line) && IsValidUtf8(line);
        if (!misread && !HasUnshowableByte(line, asWindows1252))
            continue;
        const std::string shown = Shown(asWindows1252 ? FromWindows1252(line) : std::string(line));
        problems.push_back("line " + std::to_string(number + 1) +
                           (asWindows1252 ? " is not valid in the file's encoding "
                                            "(the setup reads it as Windows-1252)"
                                          : " holds a character the setup cannot show") +
                           "; it will look like: " + shown);
    }
    if (problems.size() > kMaxReportedLines) {
        const size_t more = problems.size() - kMaxReportedLines;
        problems.resize(kMaxReportedLines);
        problems.push_back("and " + std::to_string(more) + " more lines like these");
    }
    return problems;
}

std::vector<BuildProblem> CheckBuild(const KitbinderData& data, const SetupScan& scan,
                                     std::string_view outputBaseName) {
    std::vector<BuildProblem> problems;
    CheckItemNames(scan, outputBaseName, problems);
    CheckMissingFiles(scan, problems);
    CheckRefusedNames(scan, problems);
    CheckShippedFiles(scan, problems);
    CheckTexts(scan, problems);
    CheckPassword(data, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const BuildProblem& a, const BuildProblem& b) {
                         return std::tie(b.severity, a.origin) < std::tie(a.severity, b.origin);
                     });
    return problems;
}

bool HasErrors(const std::vector<BuildProblem>& problems) {
    return std::any_of(problems.begin(), problems.end(), [](const BuildProblem& problem) {
        return problem.severity == ProblemSeverity::Error;
    });
}

std::string ProblemReportText(const std::vector<BuildProblem>& problems) {
    std::string text;
    for (const BuildProblem& problem : problems)
        text += SeverityName(problem.severity) + ": " + problem.origin + ": " + problem.text + "\n";
    return text;
}

}  // namespace kb
