#include "foundation/setup_manifest.h"

#include <sstream>

#include "foundation/errors.h"
#include "foundation/files.h"

namespace kb {

namespace {

// One line of text: control characters (a line break in a configured value) become "?".
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 32) {
            c = '?';
        }
    }
    return text;
}

}  // namespace

std::string ManifestPath(const std::string& setupPath) {
    return setupPath + ".sha256";
}

std::string ManifestText(const Manifest& manifest) {
    std::ostringstream text;
    text << "# Kit Binder setup manifest, format 1. Check the setup with: sha256sum -c \""
         << manifest.setupName << ".sha256\"\n"
         << manifest.setup.sha256 << "  " << manifest.setupName << "\n"
         << "# size: " << manifest.setup.size << "\n"
         << "# signed: " << OneLine(manifest.signature) << "\n"
         << "# installed files, one a line: file <SHA-256> <size in bytes> <install path>\n";
    for (const ManifestFile& file : manifest.files) {
        text << kManifestFileLine << file.digest.sha256 << " " << file.digest.size << " "
             << OneLine(file.installPath) << "\n";
    }
    return text.str();
}

void WriteManifest(const std::string& path, const std::string& text) {
    try {
        WriteTextFile(path, text);
    } catch (const FileError& error) {
        throw FileError(path + ": cannot write the manifest: " + error.what());
    }
}

}  // namespace kb
