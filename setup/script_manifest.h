#pragma once
// The manifest of a built setup, written by Kit Binder from its script's file list, so that a
// setup gets one whichever installer compiler built it.
#include <string>
#include <string_view>
#include <vector>

namespace kb {

// One [Files] line of a script: the local file and where the setup installs it.
struct ScriptFile {
    std::string source;       // as the script names it
    std::string installPath;  // DestDir (no trailing "\") + "\" + DestName or the source's name
};

// The files the script's [Files] section installs, in script order. Parameters are read as the
// installer compiler reads them: names in any case, values bare or in double quotes with inner
// ones doubled.
std::vector<ScriptFile> ScriptFiles(std::string_view script);

// Writes "<setup>.sha256" for the setup beside it: the setup's SHA-256 and size, "no" for the
// signature (the scripts Kit Binder writes ask for no signing) and each file's SHA-256 and size,
// sources relative to scriptFolder resolved against it. Answers the manifest's path. An older
// manifest is removed first. Raises FileError naming a file that cannot be read or the manifest
// that cannot be written.
std::string WriteSetupManifest(const std::string& setup, const std::vector<ScriptFile>& files,
                               std::string_view scriptFolder);

}  // namespace kb
