#pragma once
// The manifest written beside every setup, "<setup>.sha256": the setup's own SHA-256 in
// sha256sum's format (so that "sha256sum -c" checks it), then comment lines that say whether it
// is signed and list each installed file with its SHA-256, size and install path.
#include <string>
#include <vector>

#include "compiler/digest.h"

namespace compiler {

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

std::string ManifestPath(const std::string& setupPath);
std::string ManifestText(const Manifest& manifest);

// Writes the text under a temporary name and renames it into place, so that no reader sees
// half a manifest. Throws CompileError naming the file.
void WriteManifest(const std::string& path, const std::string& text);

}  // namespace compiler
