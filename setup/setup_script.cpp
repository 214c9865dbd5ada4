#include "setup/setup_script.h"

#include <algorithm>
#include <unordered_set>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "setup/build_checks.h"
#include "workspace/current_selection.h"
#include "workspace/directory_parser.h"
#include "workspace/macro_scan.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

// The [Setup] section before its placeholders are replaced. The text starts with an empty line;
// the DefaultGroupName line ends in a backslash and a space.
constexpr std::string_view kSetupTemplate =
    "\n"
    "[Setup]\n"
    "ShowLanguageDialog=no\n"
    "AllowNoIcons=true\n"
    "AlwaysShowComponentsList=false\n"
    "AppendDefaultGroupName=false\n"
    "AppName=APP_NAME_PLACE_HOLDER\n"
    "AppVersion=APP_VERSION_PLACE_HOLDER\n"
    "AppVerName=APP_VERSION_NAME_PLACE_HOLDER\n"
    "AppPublisher=PUBLISHER_PLACE_HOLDER\n"
    "AppPublisherURL=WEBSITE_PLACE_HOLDER\n"
    "AppSupportURL=WEBSITE_PLACE_HOLDER\n"
    "AppUpdatesURL=WEBSITE_PLACE_HOLDER\n"
    "CreateAppDir=true\n"
    "DefaultDirName={pf32}\\Bobbinwright Software\n"
    "DefaultGroupName=Bobbinwright Software\\Bobbinwright 7.5\\Collections\\DESIGNER_NAME\\ \n"
    "DirExistsWarning=no\n"
    "DisableDirPage=true\n"
    "DisableReadyMemo=true\n"
    "EnableDirDoesntExistWarning=false\n"
    "FlatComponentsList=false\n"
    "InfoAfterFile=AFTER_INSTALL_PLACE_HOLDER\n"
    "InfoBeforeFile=BEFORE_INSTALL_PLACE_HOLDER\n"
    "LicenseFile=LICENSE_FILE_PLACE_HOLDER\n"
    "OutputBaseFilename=OUTPUT_FILE_NAME\n"
    "OutputDir=.\n"
    "Password=PASSWORD_PLACE_HOLDER\n"
    "PrivilegesRequired=admin\n"
    "UninstallDisplayIcon={app}\\Shared\\sew_m.ico\n"
    "UninstallDisplayName= UNINSTALL_PLACE_HOLDER\n"
    "UsePreviousGroup=true\n"
    "WizardImageBackColor=clWhite\n"
    "WizardImageFile=WIZARD_IMAGE_PLACE_HOLDER\n"
    "WizardImageStretch=false\n"
    "WizardSmallImageFile=WIZARD_IMAGE_SMALL_PLACE_HOLDER\n";

// The sections without entries of their own, in script order.
constexpr std::string_view kFixedSections =
    "\n[_ISTool]\nEnableISX=true\n"
    "\n[Types]\n"
    "\n[Components]\n"
    "\n[Run]\n"
    "\n[ThirdParty]\nCompileLogMethod=append\n";

// The installer's code: it refuses to install when Bobbinwright 7.5 is missing. The last line
// is two spaces.
constexpr std::string_view kCodeSection =
    "\n"
    "[Code]\n"
    "  function InitializeSetup(): Boolean;\n"
    "  begin\n"
    "    if RegKeyExists(HKLM, 'SOFTWARE\\Bobbinwright\\V75')=False\n"
    "    then\n"
    "      begin\n"
    "        MsgBox('Bobbinwright 7.5 is not installed on your computer.  Please install "
    "Bobbinwright first, then install this macro collection.', mbError, MB_OK);\n"
    "        Result := False;\n"
    "      end\n"
    "    else\n"
    "      Result := True;\n"
    "  end;\n"
    "  \n";

// The text a new designer's or collection's description starts with; such a file is not shipped.
constexpr std::string_view kUnwrittenDescription = "Enter text or double-click to load file.";

bool IsBlank(std::string_view text) {
    return Trim(text).empty();
}

// The documentation extensions: the support-file list without its picture and text entries.
const std::vector<std::string>& DocumentationExtensions() {
    static const std::vector<std::string> extensions = [] {
        std::vector<std::string> found;
        for (int i = 0; !SupportExtension(i).empty(); ++i) {
            const std::string extension = SupportExtension(i);
            if (extension != "jpg" && extension != "txt") {
                found.push_back(extension);
            }
        }
        return found;
    }();
    return extensions;
}

// A parameter value of an entry line, refused when it holds a control character, else quoted
// where Inno Setup needs it.
std::string Parameter(std::string_view what, const std::string& value) {
    return QuotedParameter(CheckedScriptValue(what, value));
}

// A [Setup] line "key=placeholder" that takes value when present and is removed otherwise.
void AddOptionalLine(std::vector<Placeholder>& placeholders, std::string_view key,
                     std::string_view placeholder, const std::string& value, bool present) {
    if (present) {
        placeholders.push_back({std::string(placeholder), value});
    } else {
        placeholders.push_back({std::string(key) + "=" + std::string(placeholder) + "\n", ""});
    }
}

// A [Setup] picture line: the placeholder takes the path of an existing picture; without one
// the line's text goes and its line feed stays.
void AddPictureLine(std::vector<Placeholder>& placeholders, std::string_view key,
                    std::string_view placeholder, const std::string& picture) {
    if (picture.empty()) {
        placeholders.push_back({std::string(key) + "=" + std::string(placeholder), ""});
    } else {
        placeholders.push_back({std::string(placeholder), picture});
    }
}

// A web address as an icon's target: "http://" in front unless it names its scheme already.
std::string WithScheme(const std::string& address) {
    for (std::string_view scheme : {"http://", "https://"}) {
        if (address.size() >= scheme.size() &&
            LowerCase(address.substr(0, scheme.size())) == scheme) {
            return address;
        }
    }
    return "http://" + address;
}

std::string ExistingFile(std::string path) {
    return FileExists(path) ? path : std::string();
}

// Found files are shipped, except description texts that were never written.
bool IsShipped(const DirectoryParser& entry) {
    return entry.exists && !(ExtensionOf(entry.path) == ".txt" &&
                             ReadTextFile(entry.path) == kUnwrittenDescription);
}

// Whether a folder name climbs (".."; Windows also reads names of only dots and spaces so).
bool IsClimbing(std::string_view part) {
    return part.find('.') != std::string_view::npos &&
           part.find_first_not_of(". ") == std::string_view::npos;
}

// A shipped file's installed folder lies inside the installation folder: a table name taken
// from a macro line becomes a folder there and may climb out or be rooted.
void CheckInsideInstallation(const std::string& folder, const DirectoryParser& entry) {
    const std::string root = InstallRoot();
    bool inside = folder.starts_with(root);
    for (size_t start = root.size(); inside && start < folder.size();) {
        size_t end = std::min(folder.find_first_of("\\/", start), folder.size());
        inside = !IsClimbing(std::string_view(folder).substr(start, end - start));
        start = end + 1;
    }
    if (inside) {
        return;
    }
    std::string why = entry.tableName.empty()
                          ? std::string()
                          : " (named by the measurement table \"" + entry.tableName + "\")";
    throw SetupScriptError("Cannot build the installer script: " + NameOf(entry.path) +
                           " would be installed into \"" + folder + "\"" + why +
                           ", outside the installation folder");
}

// The entry's installed folder with the braces of its names doubled; the installation root in
// front keeps its constant.
std::string DestDir(const DirectoryParser& entry, std::string_view designer,
                    std::string_view collection) {
    const std::string folder = InstallFolder(entry, designer, collection);
    const std::string root = InstallRoot();
    if (folder.empty()) {
        return folder;
    }
    CheckInsideInstallation(folder, entry);
    return root + EscapeConstantBraces(std::string_view(folder).substr(root.size()));
}

// Where the script installs each shipped file, as an icon names it: "{app}\Shared\..." with
// the file's own name at the end, braces doubled as on the script's lines.
std::unordered_set<std::string> InstalledTargets(const DirectoryParserList& list,
                                                 std::string_view designer,
                                                 std::string_view collection) {
    const std::string root = InstallRoot();
    std::unordered_set<std::string> targets;
    for (const DirectoryParser& entry : list.entries) {
        if (!IsShipped(entry)) {
            continue;
        }
        std::string folder = DestDir(entry, designer, collection);
        if (folder.starts_with(root)) {
            folder = "{app}\\Shared\\" + folder.substr(root.size());
        }
        targets.insert(FoldNameCase(folder + "\\" + EscapeConstantBraces(NameOf(entry.path))));
    }
    return targets;
}

// Refuses the build before anything is scanned or copied when a name or setting that the script
// will carry cannot be written on a script line. A blank password or website is left out of the
// script, so whatever it holds does not matter.
void CheckInputs(const KitbinderData& data, const ScanInputs& inputs,
                 const std::string& outputBaseName) {
    CheckedScriptName("designer name", inputs.selection.designer);
    CheckedScriptName("collection name", inputs.selection.collection);
    for (const std::string& garment : inputs.garments) {
        CheckedScriptName("garment name", garment);
    }
    CheckedScriptValue("collection version", data.version);
    for (const auto& [what, value] : {std::pair{"installation password", &data.password},
                                      std::pair{"web site address", &data.website}}) {
        if (!IsBlank(*value)) {
            CheckedScriptValue(what, *value);
        }
    }
    CheckedScriptName("setup file name", outputBaseName);
}

// Assembles the script from the settings, the selection, the garment list and the scan's
// support-file list.
class SetupScriptWriter {
  public:
    SetupScriptWriter(const KitbinderData& data, const ScanInputs& inputs,
                      const DirectoryParserList& list, std::string_view outputBaseName)
        : data_(data),
          selection_(inputs.selection),
          garments_(inputs.garments),
          list_(list),
          outputBaseName_(outputBaseName),
          designerName_(EscapeConstantBraces(selection_.designer)),
          collectionName_(EscapeConstantBraces(selection_.collection)),
          collectionApp_("{app}\\Shared\\Designers\\" + designerName_ + "\\" + collectionName_),
          installed_(InstalledTargets(list, selection_.designer, selection_.collection)) {}

    std::string Script() const {
        std::string script = SetupSection();
        script += FilesSection(list_, selection_.designer, selection_.collection);
        script += kFixedSections;
        script += kCodeSection;
        script += DirsSection();
        script += IconsSection();
        script += UninstallDeleteSection();
        return script;
    }

  private:
    std::string SetupSection() const {
        const std::string& designer = selection_.designer;
        const std::string& collection = selection_.collection;
        // The names, the version and the web site go into directives that take constants,
        // so their braces are doubled; file paths and the password are read as they stand.
        const std::string appName = designerName_ + " - " + collectionName_;
        const std::string version = EscapeConstantBraces(data_.setupVersion);
        const std::string website = EscapeConstantBraces(data_.website);
        const bool hasWebsite = !IsBlank(data_.website);

        std::vector<Placeholder> placeholders = {
            {"APP_NAME_PLACE_HOLDER", appName},
            {"APP_VERSION_PLACE_HOLDER", version},
            {"APP_VERSION_NAME_PLACE_HOLDER", appName + " " + version},
            {"PUBLISHER_PLACE_HOLDER", designerName_},
        };
        // Quoted when its ends are blanks or quotes, which a [Setup] value loses otherwise.
        AddOptionalLine(placeholders, "Password", "PASSWORD_PLACE_HOLDER",
                        QuotedParameter(data_.password), !IsBlank(data_.password));
        for (const char* key : {"AppPublisherURL", "AppUpdatesURL", "AppSupportURL"}) {
            AddOptionalLine(placeholders, key, "WEBSITE_PLACE_HOLDER", website, hasWebsite);
        }
        AddFileLine(placeholders, "InfoAfterFile", "AFTER_INSTALL_PLACE_HOLDER",
                    InFolder(selection_.collectionFolder, collection + "_AfterInstall.txt"));
        AddFileLine(placeholders, "InfoBeforeFile", "BEFORE_INSTALL_PLACE_HOLDER",
                    InFolder(selection_.collectionFolder, collection + "_BeforeInstall.txt"));
        AddFileLine(placeholders, "LicenseFile", "LICENSE_FILE_PLACE_HOLDER",
                    InFolder(selection_.designerFolder, designer + "_License.txt"));
        placeholders.push_back({"UNINSTALL_PLACE_HOLDER", appName});
        AddPictureLine(placeholders, "WizardImageFile", "WIZARD_IMAGE_PLACE_HOLDER", WizardImage());
        AddPictureLine(placeholders, "WizardSmallImageFile", "WIZARD_IMAGE_SMALL_PLACE_HOLDER",
                       CheckedPath(ExistingFile(ResourceFile("needle2_tn.bmp"))));
        placeholders.push_back({"DESIGNER_NAME", designerName_});
        placeholders.push_back({"COLLECTION_NAME", collection});
        placeholders.push_back({"OUTPUT_FILE_NAME", outputBaseName_});
        return SubstitutePlaceholders(kSetupTemplate, placeholders);
    }

    void AddFileLine(std::vector<Placeholder>& placeholders, std::string_view key,
                     std::string_view placeholder, const std::string& path) const {
        const std::string found = OnDisk(path);
        AddOptionalLine(placeholders, key, placeholder, CheckedPath(found.empty() ? path : found),
                        !found.empty());
    }

    // The workspace file at path whatever the case of its names, as on Windows; "" when none.
    std::string OnDisk(const std::string& path) const { return names_.FindFile(path); }

    static const std::string& CheckedPath(const std::string& path) {
        return CheckedScriptValue("file path", path);
    }

    // The collection's own setup picture, else the stock one; "" when neither exists.
    std::string WizardImage() const {
        std::string picture =
            OnDisk(InFolder(selection_.collectionFolder, selection_.collection + "_mini.bmp"));
        if (picture.empty()) {
            picture = ExistingFile(ResourceFile("Wizmodernimage.bmp"));
        }
        return CheckedPath(picture);
    }

    std::string DirsSection() const {
        return "[Dirs]\nName: " + Parameter("folder", collectionApp_) + "\n";
    }

    std::string IconsSection() const {
        std::string section = "\n[Icons]\n";
        for (const std::string& garment : garments_) {
            section += GarmentIcons(garment);
        }
        for (const std::string& table : list_.mmtFiles) {
            section += MeasuringInstructionIcons(table);
        }
        section += CollectionDocumentationIcons();
        section += WebsiteIcon();
        return section;
    }

    // An icon points only at a file that this script installs.
    bool Installs(const std::string& target) const {
        return installed_.contains(FoldNameCase(target));
    }

    std::string GarmentIcons(const std::string& garment) const {
        const std::string name = EscapeConstantBraces(garment);
        const std::string macro = collectionApp_ + "\\" + name + ".mac";
        std::string icons;
        if (Installs(macro)) {
            icons += IconLine("{group}\\" + collectionName_ + "\\" + name, macro, garment) + "\n";
        }
        for (const std::string& extension : DocumentationExtensions()) {
            if (!OnDisk(InFolder(selection_.collectionFolder, garment + "." + extension)).empty() &&
                Installs(collectionApp_ + "\\" + name + "." + extension)) {
                icons += IconLine("{group}\\" + collectionName_ + "\\" + name + " Documentation (" +
                                      extension + ")",
                                  collectionApp_ + "\\" + name + "." + extension,
                                  garment + " Documentation") +
                         "\n";
            }
        }
        return icons;
    }

    std::string MeasuringInstructionIcons(const std::string& tableFile) const {
        const std::string base = StripExtension(tableFile, true);
        const std::string name = EscapeConstantBraces(base);
        std::string icons;
        for (const std::string& extension : DocumentationExtensions()) {
            if (!OnDisk(InFolder(RootPath("MeasureTables"), base + "." + extension)).empty() &&
                Installs("{app}\\Shared\\MeasureTables\\" + name + "." + extension)) {
                icons += "Name: " +
                         Parameter("icon name", "{group}\\" + name + " measuring instructions (" +
                                                    extension + ")") +
                         " ; Filename: " +
                         Parameter("icon target",
                                   "{app}\\Shared\\MeasureTables\\" + name + "." + extension) +
                         "; WorkingDir: {app}\\Shared\\MeasureTables\n";
            }
        }
        return icons;
    }

    std::string CollectionDocumentationIcons() const {
        const std::string& collection = selection_.collection;
        std::string icons;
        for (const std::string& extension : DocumentationExtensions()) {
            if (!OnDisk(InFolder(selection_.collectionFolder, collection + "." + extension))
                     .empty() &&
                Installs(collectionApp_ + "\\" + collectionName_ + "." + extension)) {
                icons += IconLine("{group}\\" + collectionName_ + "\\" + collectionName_ +
                                      " Documentation",
                                  collectionApp_ + "\\" + collectionName_ + "." + extension,
                                  collection + " Documentation") +
                         ";\n";
            }
        }
        return icons;
    }

    std::string WebsiteIcon() const {
        const std::string path = OnDisk(InFolder(selection_.designerFolder, "Website.txt"));
        if (path.empty()) {
            return {};
        }
        const std::string website = ReadTextFile(path);
        if (IsBlank(website)) {
            return {};
        }
        return "Name: " + Parameter("icon name", "{group}\\Website " + designerName_) +
               "; Filename: " +
               Parameter("web site address in " + path, WithScheme(EscapeConstantBraces(website))) +
               ";\n";
    }

    // An icon of the collection's folder: name, target, working folder and comment, without the
    // line's end.
    std::string IconLine(const std::string& name, const std::string& target,
                         const std::string& comment) const {
        return "Name: " + Parameter("icon name", name) +
               "; Filename: " + Parameter("icon target", target) +
               "; WorkingDir: " + Parameter("folder", collectionApp_) +
               "; Comment: " + Parameter("icon comment", EscapeConstantBraces(comment));
    }

    std::string UninstallDeleteSection() const {
        return "\n[UninstallDelete]\nName: " + Parameter("folder", collectionApp_) +
               "; Type: dirifempty\n";
    }

    const KitbinderData& data_;
    const CurrentSelection& selection_;
    const std::vector<std::string>& garments_;
    const DirectoryParserList& list_;
    mutable FolderListings names_{WorkspaceRoot(false)};
    std::string outputBaseName_;
    std::string designerName_;                   // the designer's name, braces doubled
    std::string collectionName_;                 // the collection's name, braces doubled
    std::string collectionApp_;                  // the installed collection folder below {app}
    std::unordered_set<std::string> installed_;  // InstalledTargets of the list, case-folded
};

}  // namespace

std::string FilesSection(const DirectoryParserList& list, std::string_view designer,
                         std::string_view collection) {
    std::string section = "\n[Files]\n";
    std::unordered_set<std::string> written;
    for (const DirectoryParser& entry : list.entries) {
        if (!IsShipped(entry)) {
            continue;
        }
        std::string line = "Source: " + Parameter("file path", entry.path) + "; \tDestDir: " +
                           Parameter("installation folder", DestDir(entry, designer, collection)) +
                           ";\n";
        if (written.insert(line).second) {
            section += line;
        }
    }
    return section;
}

std::string BuildSetupScript(KitbinderData& data, const ScanInputs& inputs,
                             std::string_view outputBaseName) {
    CheckInputs(data, inputs, std::string(outputBaseName));
    return SetupScriptFromScan(data, ScanForSetup(inputs), outputBaseName);
}

std::string SetupScriptFromScan(KitbinderData& data, const SetupScan& scan,
                                std::string_view outputBaseName) {
    const std::string baseName(outputBaseName);
    CheckInputs(data, scan.inputs, baseName);
    RefreshMacroCopies(scan.inputs.selection, scan.inputs.garments);

    data.setupVersion = data.version;
    return SetupScriptWriter(data, scan.inputs, scan.list, baseName).Script();
}

void RefreshMacroCopies(const CurrentSelection& selection,
                        const std::vector<std::string>& garments) {
    for (const std::string& garment : garments) {
        const std::string source = InFolder(selection.macroSourceFolder, garment + ".mac");
        const std::string copy = InFolder(selection.collectionFolder, garment + ".mac");
        // A copy that already holds the source's bytes is left alone: rewriting it costs a
        // synchronised write per garment and changes nothing.
        if (FileExists(source) && !SameFileContents(source, copy)) {
            CopyFile(source, copy, true);
        }
    }
}

}  // namespace kb
