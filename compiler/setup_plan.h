#pragma once
// What a script asks the setup to do, checked and resolved: directives with their defaults,
// local source files as absolute paths, installer paths as NSIS string bodies.
#include <optional>
#include <string>
#include <vector>

#include "compiler/diagnostics.h"
#include "compiler/iss_script.h"
#include "compiler/registry_check.h"

namespace compiler {

struct SetupFile {
    int line = 0;
    std::string source;       // absolute local path
    std::string destDir;      // NSIS string body
    std::string destName;     // file name only
    std::string installPath;  // as the script names it: DestDir + "\\" + the file name
};

struct SetupIcon {
    int line = 0;
    bool inGroup = false;  // below {group}: created only when the user keeps the group
    std::string folder;    // NSIS string body of the folder that holds the shortcut
    std::string name;      // NSIS string body of the shortcut name without ".lnk"/".url"
    std::string target;    // NSIS string body
    std::string parameters;
    std::string workingDir;  // NSIS string body, may be empty
    std::string comment;
    std::string iconFile;  // NSIS string body, may be empty
    int iconIndex = 0;
    bool IsUrl() const;
};

struct SetupDir {
    int line = 0;
    std::string path;  // NSIS string body
    bool uninstall = true;
};

struct SetupUninstallDelete {
    enum class Type { kFiles, kFilesAndDirs, kDirIfEmpty };
    int line = 0;
    std::string path;  // NSIS string body
    Type type = Type::kFiles;
};

struct SetupPlan {
    std::string appName, appId, appVersion, appVerName, appPublisher;
    std::string appPublisherUrl, appSupportUrl, appUpdatesUrl;
    std::string defaultDirName;                              // NSIS string body
    std::string defaultGroupName;                            // NSIS string body
    std::string licenseFile, infoBeforeFile, infoAfterFile;  // absolute local paths or empty
    std::string wizardImageFile, wizardSmallImageFile;       // absolute local paths or empty
    std::string outputBaseFilename = "mysetup";
    std::string outputDir;  // absolute local folder
    std::string password;
    std::string uninstallDisplayName;
    std::string uninstallDisplayIcon;  // NSIS string body
    bool disableDirPage = false;
    bool allowNoIcons = false;
    bool wizardImageStretch = true;
    bool admin = true;
    std::vector<SetupFile> files;
    std::vector<SetupDir> dirs;
    std::vector<SetupIcon> icons;
    std::vector<SetupUninstallDelete> uninstallDeletes;
    std::optional<RegistryCheck> registryCheck;

    // The uninstall registry key below HKLM, "...\Uninstall\<AppId>_is1".
    std::string UninstallKey() const;
    // The uninstaller's file name in {app}, unique per application.
    std::string UninstallerName() const;
};

// Checks the parsed script and resolves it against the folder that holds it. Errors name the
// line; unknown directives and parameters are warnings.
SetupPlan BuildSetupPlan(const IssScript& script, const std::string& scriptFolder,
                         Diagnostics& diagnostics);

}  // namespace compiler
