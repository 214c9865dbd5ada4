#include "compiler/manifest.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler/diagnostics.h"

namespace compiler {

namespace {

// One line of text: control characters (a line break in a configured value) become "?".
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32)
            c = '?';
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
    for (const ManifestFile& file : manifest.files)
        text << kManifestFileLine << file.digest.sha256 << " " << file.digest.size << " "
             << file.installPath << "\n";
    return text.str();
}

void WriteManifest(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".part";
    {
        std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
        stream << text;
        if (!stream.flush()) {
            std::remove(temporary.c_str());
            throw CompileError(path + ": cannot write the manifest");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        throw CompileError(path + ": cannot write the manifest: " + error.message());
    }
}

}  // namespace compiler
