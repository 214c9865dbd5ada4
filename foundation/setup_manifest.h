#pragma once
// The manifest written beside every setup, "<setup>.sha256": the setup's own SHA-256 in
// sha256sum's format (so that "sha256sum -c" checks it), then comment lines that say whether it
// is signed and list each installed file with its SHA-256, size and install path. The installer
// compiler and Kit Binder write it with these functions, so both give the same bytes.
#include <string>
#include <vector>

#include "foundation/digest.h"

namespace kb {

struct ManifestFile {
    std::string installPath;  // as the script names it, "{app}\Shared\...\name"
    FileDigest digest;
};

struct Manifest {
    std::string setupName;  // file name only
    FileDigest setup;
    std::string signature;  // "no", or how the setup is signed
    std::vector<ManifestFile> files;
};

inline constexpr const char* kManifestFileLine = "# file ";
inline constexpr const char* kManifestUnsigned = "no";

std::string ManifestPath(const std::string& setupPath);
std::string ManifestText(const Manifest& manifest);

// Writes the text under a temporary name and renames it into place, so that no reader sees
// half a manifest. Raises FileError naming the file.
void WriteManifest(const std::string& path, const std::string& text);

}  // namespace kb
