#include "compiler/setup_plan.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <variant>

#include "compiler/nsis_text.h"

namespace compiler {
namespace {

namespace fs = std::filesystem;

// How a [Setup] directive's value is taken.
// kExpandedText is a text in which Inno Setup expands constants, kText one it takes as it stands.
enum class ValueKind {
    kText,
    kExpandedText,
    kInstallerPath,
    kLocalFile,
    kBitmap,
    kLocalFolder,
    kFlag
};

struct DirectiveRule {
    std::string_view name;
    ValueKind kind;
    std::variant<std::string SetupPlan::*, bool SetupPlan::*> field;
};

constexpr std::array kDirectiveRules = {
    DirectiveRule{"AppName", ValueKind::kExpandedText, &SetupPlan::appName},
    DirectiveRule{"AppId", ValueKind::kExpandedText, &SetupPlan::appId},
    DirectiveRule{"AppVersion", ValueKind::kExpandedText, &SetupPlan::appVersion},
    DirectiveRule{"AppVerName", ValueKind::kExpandedText, &SetupPlan::appVerName},
    DirectiveRule{"AppPublisher", ValueKind::kExpandedText, &SetupPlan::appPublisher},
    DirectiveRule{"AppPublisherURL", ValueKind::kExpandedText, &SetupPlan::appPublisherUrl},
    DirectiveRule{"AppSupportURL", ValueKind::kExpandedText, &SetupPlan::appSupportUrl},
    DirectiveRule{"AppUpdatesURL", ValueKind::kExpandedText, &SetupPlan::appUpdatesUrl},
    DirectiveRule{"DefaultDirName", ValueKind::kInstallerPath, &SetupPlan::defaultDirName},
    DirectiveRule{"DefaultGroupName", ValueKind::kInstallerPath, &SetupPlan::defaultGroupName},
    DirectiveRule{"LicenseFile", ValueKind::kLocalFile, &SetupPlan::licenseFile},
    DirectiveRule{"InfoBeforeFile", ValueKind::kLocalFile, &SetupPlan::infoBeforeFile},
    DirectiveRule{"InfoAfterFile", ValueKind::kLocalFile, &SetupPlan::infoAfterFile},
    DirectiveRule{"WizardImageFile", ValueKind::kBitmap, &SetupPlan::wizardImageFile},
    DirectiveRule{"WizardSmallImageFile", ValueKind::kBitmap, &SetupPlan::wizardSmallImageFile},
    DirectiveRule{"OutputBaseFilename", ValueKind::kText, &SetupPlan::outputBaseFilename},
    DirectiveRule{"OutputDir", ValueKind::kLocalFolder, &SetupPlan::outputDir},
    DirectiveRule{"Password", ValueKind::kText, &SetupPlan::password},
    DirectiveRule{"UninstallDisplayName", ValueKind::kExpandedText,
                  &SetupPlan::uninstallDisplayName},
    DirectiveRule{"UninstallDisplayIcon", ValueKind::kInstallerPath,
                  &SetupPlan::uninstallDisplayIcon},
    DirectiveRule{"DisableDirPage", ValueKind::kFlag, &SetupPlan::disableDirPage},
    DirectiveRule{"AllowNoIcons", ValueKind::kFlag, &SetupPlan::allowNoIcons},
    DirectiveRule{"WizardImageStretch", ValueKind::kFlag, &SetupPlan::wizardImageStretch},
};

// Directives that are accepted and change nothing in the setups this compiler builds.
constexpr std::array<std::string_view, 14> kAcceptedDirectives = {
    "ShowLanguageDialog",     "AlwaysShowComponentsList",
    "AppendDefaultGroupName", "CreateAppDir",
    "DirExistsWarning",       "DisableReadyMemo",
    "DisableReadyPage",       "EnableDirDoesntExistWarning",
    "FlatComponentsList",     "UsePreviousGroup",
    "WizardImageBackColor",   "Compression",
    "SolidCompression",       "DisableStartupPrompt"};

// Sections that belong to other tools; the compiler reads past them.
constexpr std::array<std::string_view, 2> kToolSections = {"_ISTool", "ThirdParty"};

// Sections whose entries the compiler cannot turn into a setup.
constexpr std::array<std::string_view, 10> kUnsupportedSections = {
    "Types",    "Components", "Tasks",         "Run",       "UninstallRun",
    "Registry", "INI",        "InstallDelete", "Languages", "Messages"};

bool ParseFlag(std::string_view value, bool& flag) {
    for (std::string_view yes : {"yes", "true", "1"})
        if (EqualsNoCase(value, yes))
            return flag = true, true;
    for (std::string_view no : {"no", "false", "0"})
        if (EqualsNoCase(value, no))
            return flag = false, true;
    return false;
}

bool Contains(std::span<const std::string_view> names, std::string_view name) {
    for (std::string_view known : names)
        if (EqualsNoCase(known, name))
            return true;
    return false;
}

class PlanBuilder {
  public:
    PlanBuilder(const std::string& scriptFolder, Diagnostics& diagnostics)
        : folder_(scriptFolder), diag_(diagnostics) {}

    SetupPlan Build(const IssScript& script) {
        plan_.outputDir = LocalPath("Output");
        for (const IssSection& section : script.sections)
            ReadSection(section);
        Finish(script);
        return std::move(plan_);
    }

  private:
    void ReadSection(const IssSection& section) {
        if (Contains(kToolSections, section.name))
            return;
        if (Contains(kUnsupportedSections, section.name)) {
            const int line = !section.entries.empty()      ? section.entries.front().line
                             : !section.directives.empty() ? section.directives.front().line
                                                           : 0;
            if (line)
                diag_.Fail(line, "Entries of [" + section.name + "] are not supported");
            return;
        }
        if (EqualsNoCase(section.name, "Setup")) {
            for (const IssDirective& directive : section.directives)
                ReadDirective(directive);
        } else if (EqualsNoCase(section.name, "Code")) {
            code_.insert(code_.end(), section.code.begin(), section.code.end());
        } else {
            for (const IssEntry& entry : section.entries)
                ReadEntry(section.name, entry);
        }
    }

    void ReadDirective(const IssDirective& directive) {
        for (const DirectiveRule& rule : kDirectiveRules)
            if (EqualsNoCase(rule.name, directive.name))
                return Apply(rule, directive);
        if (Contains(kAcceptedDirectives, directive.name))
            return;
        if (EqualsNoCase(directive.name, "PrivilegesRequired"))
            return ReadPrivileges(directive);
        diag_.Warn(directive.line, "Unknown directive \"" + directive.name + "\" ignored");
    }

    void Apply(const DirectiveRule& rule, const IssDirective& directive) {
        if (rule.kind == ValueKind::kFlag) {
            if (!ParseFlag(directive.value, plan_.*std::get<bool SetupPlan::*>(rule.field)))
                diag_.Fail(directive.line, "Value of " + directive.name + " must be yes or no");
            return;
        }
        std::string& field = plan_.*std::get<std::string SetupPlan::*>(rule.field);
        switch (rule.kind) {
            case ValueKind::kExpandedText:
                field = LiteralText(directive.value, directive.line);
                break;
            case ValueKind::kInstallerPath:
                field = InstallerPath(directive.value, directive.line);
                break;
            case ValueKind::kLocalFile:
                field =
                    directive.value.empty() ? "" : ExistingFile(directive.value, directive.line);
                break;
            case ValueKind::kBitmap:
                field = directive.value.empty() ? "" : Bitmap(directive.value, directive.line);
                break;
            case ValueKind::kLocalFolder:
                field = LocalPath(directive.value.empty() ? "." : directive.value);
                break;
            default:
                field = directive.value;
        }
    }

    void ReadPrivileges(const IssDirective& directive) {
        if (EqualsNoCase(directive.value, "admin") || EqualsNoCase(directive.value, "poweruser"))
            plan_.admin = true;
        else if (EqualsNoCase(directive.value, "none") || EqualsNoCase(directive.value, "lowest"))
            plan_.admin = false;
        else
            diag_.Fail(directive.line,
                       "Value of PrivilegesRequired must be admin, poweruser, "
                       "lowest or none");
    }

    void ReadEntry(const std::string& section, const IssEntry& entry) {
        if (EqualsNoCase(section, "Files"))
            return ReadFile(entry);
        if (EqualsNoCase(section, "Dirs"))
            return ReadDir(entry);
        if (EqualsNoCase(section, "Icons"))
            return ReadIcon(entry);
        if (EqualsNoCase(section, "UninstallDelete"))
            return ReadUninstallDelete(entry);
    }

    void ReadFile(const IssEntry& entry) {
        WarnUnknown(entry, {"Source", "DestDir", "DestName", "Flags"});
        const std::string source = Required(entry, "Source");
        if (source.find_first_of("*?") != std::string::npos)
            diag_.Fail(entry.line, "Wildcards in Source are not supported: \"" + source + "\"");
        SetupFile file{entry.line, ExistingFile(source, entry.line),
                       InstallerPath(Required(entry, "DestDir"), entry.line),
                       entry.Find("DestName").value_or(""), ""};
        if (file.destName.empty())
            file.destName = fs::path(file.source).filename().string();
        const bool control = std::ranges::any_of(
            file.destName, [](char c) { return static_cast<unsigned char>(c) < 32; });
        if (control || file.destName.find_first_of("\\/:*?\"<>|") != std::string::npos)
            diag_.Fail(entry.line,
                       "Invalid file name for the installed file: \"" + file.destName + "\"");
        std::string destDir = Required(entry, "DestDir");
        while (destDir.ends_with('\\'))
            destDir.pop_back();
        file.installPath = destDir + "\\" + file.destName;
        ReadFlags(entry, {"ignoreversion"});
        plan_.files.push_back(std::move(file));
    }

    void ReadDir(const IssEntry& entry) {
        WarnUnknown(entry, {"Name", "Flags"});
        SetupDir dir{entry.line, InstallerPath(Required(entry, "Name"), entry.line), true};
        dir.uninstall = ReadFlags(entry, {"uninsneveruninstall"}).empty();
        plan_.dirs.push_back(std::move(dir));
    }

    void ReadIcon(const IssEntry& entry) {
        WarnUnknown(entry, {"Name", "Filename", "WorkingDir", "Comment", "Parameters",
                            "IconFilename", "IconIndex"});
        const std::string name = Required(entry, "Name");
        const size_t slash = name.find_last_of('\\');
        if (slash == std::string::npos || slash + 1 == name.size())
            diag_.Fail(entry.line, "Icon name must be a folder and a name: \"" + name + "\"");
        SetupIcon icon;
        icon.line = entry.line;
        icon.inGroup =
            name.size() >= 7 && EqualsNoCase(std::string_view(name).substr(0, 7), "{group}");
        icon.folder = InstallerPath(name.substr(0, slash), entry.line);
        icon.name = InstallerPath(name.substr(slash + 1), entry.line);
        icon.target = InstallerPath(Required(entry, "Filename"), entry.line);
        icon.workingDir = InstallerPath(entry.Find("WorkingDir").value_or(""), entry.line);
        icon.comment = LiteralText(entry.Find("Comment").value_or(""), entry.line);
        icon.parameters = entry.Find("Parameters").value_or("");
        icon.iconFile = InstallerPath(entry.Find("IconFilename").value_or(""), entry.line);
        const std::string index = entry.Find("IconIndex").value_or("0");
        try {
            icon.iconIndex = std::stoi(index);
        } catch (const std::exception&) {
            diag_.Fail(entry.line, "IconIndex must be a number: \"" + index + "\"");
        }
        plan_.icons.push_back(std::move(icon));
    }

    void ReadUninstallDelete(const IssEntry& entry) {
        WarnUnknown(entry, {"Name", "Type"});
        SetupUninstallDelete item{entry.line, InstallerPath(Required(entry, "Name"), entry.line)};
        const std::string type = Required(entry, "Type");
        if (EqualsNoCase(type, "files"))
            item.type = SetupUninstallDelete::Type::kFiles;
        else if (EqualsNoCase(type, "filesandordirs"))
            item.type = SetupUninstallDelete::Type::kFilesAndDirs;
        else if (EqualsNoCase(type, "dirifempty"))
            item.type = SetupUninstallDelete::Type::kDirIfEmpty;
        else
            diag_.Fail(entry.line,
                       "Type must be files, filesandordirs or dirifempty: \"" + type + "\"");
        plan_.uninstallDeletes.push_back(std::move(item));
    }

    // The flags of the entry that the list knows; unknown ones are warned about.
    std::vector<std::string> ReadFlags(const IssEntry& entry,
                                       std::initializer_list<std::string_view> known) {
        std::vector<std::string> given;
        const std::string flags = entry.Find("Flags").value_or("");
        size_t pos = 0;
        while (pos < flags.size()) {
            const size_t end = std::min(flags.find(' ', pos), flags.size());
            std::string flag = flags.substr(pos, end - pos);
            pos = end + 1;
            if (flag.empty())
                continue;
            if (Contains(std::span(known.begin(), known.size()), flag))
                given.push_back(std::move(flag));
            else
                diag_.Warn(entry.line, "Unknown flag \"" + flag + "\" ignored");
        }
        return given;
    }

    void WarnUnknown(const IssEntry& entry, std::initializer_list<std::string_view> known) {
        for (const auto& [name, value] : entry.parameters)
            if (!Contains(std::span(known.begin(), known.size()), name))
                diag_.Warn(entry.line, "Unknown parameter \"" + name + "\" ignored");
    }

    std::string Required(const IssEntry& entry, std::string_view name) {
        std::optional<std::string> value = entry.Find(name);
        if (!value || value->empty())
            diag_.Fail(entry.line, "Required parameter \"" + std::string(name) + "\" is missing");
        return *value;
    }

    std::string InstallerPath(const std::string& value, int line) {
        try {
            return NsisInstallerPath(value);
        } catch (const std::invalid_argument& error) {
            diag_.Fail(line, error.what());
        }
    }

    std::string LiteralText(const std::string& value, int line) {
        try {
            return InnoLiteralText(value);
        } catch (const std::invalid_argument& error) {
            diag_.Fail(line, error.what());
        }
    }

    std::string LocalPath(const std::string& value) const {
        const fs::path path(value);
        return (path.is_absolute() ? path : fs::path(folder_) / path).lexically_normal().string();
    }

    // The wizard pictures must be Windows bitmaps, which start with "BM".
    std::string Bitmap(const std::string& value, int line) const {
        const std::string path = ExistingFile(value, line);
        char magic[2] = {};
        std::ifstream(path, std::ios::binary).read(magic, 2);
        if (magic[0] != 'B' || magic[1] != 'M')
            diag_.Fail(line, "File \"" + path + "\" is not a BMP picture");
        return path;
    }

    std::string ExistingFile(const std::string& value, int line) const {
        const std::string path = LocalPath(value);
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            diag_.Fail(line, "File \"" + path + "\" does not exist");
        return path;
    }

    void Finish(const IssScript& script) {
        const int setupLine =
            script.Sections("Setup").empty() ? 0 : script.Sections("Setup").front()->line;
        if (plan_.appName.empty())
            diag_.Fail(setupLine, "[Setup] must give AppName");
        if (plan_.defaultDirName.empty())
            diag_.Fail(setupLine, "[Setup] must give DefaultDirName");
        if (plan_.appVerName.empty())
            plan_.appVerName =
                plan_.appName + (plan_.appVersion.empty() ? "" : " " + plan_.appVersion);
        if (plan_.appId.empty())
            plan_.appId = plan_.appName;
        if (plan_.uninstallDisplayName.empty())
            plan_.uninstallDisplayName = plan_.appVerName;
        if (plan_.defaultGroupName.empty())
            plan_.defaultGroupName = NsisEscape(plan_.appName);
        if (plan_.outputBaseFilename.find_first_of("/\\") != std::string::npos)
            diag_.Fail(setupLine, "OutputBaseFilename must be a file name without folder");
        plan_.registryCheck = ReadRegistryCheck(code_, diag_);
    }

    std::string folder_;
    Diagnostics& diag_;
    SetupPlan plan_;
    std::vector<IssCodeLine> code_;
};

}  // namespace

bool SetupIcon::IsUrl() const {
    for (std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"})
        if (target.size() >= scheme.size() &&
            EqualsNoCase(std::string_view(target).substr(0, scheme.size()), scheme))
            return true;
    return false;
}

std::string SetupPlan::UninstallKey() const {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appId + "_is1";
}

std::string SetupPlan::UninstallerName() const {
    std::string name = "Uninstall " + appId + ".exe";
    for (char& c : name)
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return name;
}

SetupPlan BuildSetupPlan(const IssScript& script, const std::string& scriptFolder,
                         Diagnostics& diagnostics) {
    return PlanBuilder(scriptFolder, diagnostics).Build(script);
}

}  // namespace compiler
