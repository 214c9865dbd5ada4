#include "setup/script_manifest.h"

#include <optional>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/setup_manifest.h"
#include "foundation/text.h"

namespace kb {

namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

struct LineParameter {
    std::string name;
    std::string value;
};

// "Name: value; Name: "quoted ""value"""; ..." cut into its parameters.
std::vector<LineParameter> LineParameters(std::string_view line) {
    std::vector<LineParameter> parameters;
    size_t at = 0;
    while (at < line.size()) {
        const size_t colon = line.find(':', at);
        if (colon == std::string_view::npos) {
            break;
        }
        LineParameter parameter{std::string(Trimmed(line.substr(at, colon - at))), {}};
        at = line.find_first_not_of(" \t", colon + 1);
        if (at != std::string_view::npos && line[at] == '"') {
            for (++at; at < line.size(); ++at) {
                if (line[at] == '"' && (at + 1 >= line.size() || line[at + 1] != '"')) {
                    break;
                }
                if (line[at] == '"') {
                    ++at;
                }
                parameter.value += line[at];
            }
            at = line.find(';', at);
        } else if (at != std::string_view::npos) {
            const size_t end = line.find(';', at);
            parameter.value = std::string(Trimmed(line.substr(at, end - at)));
            at = end;
        }
        parameters.push_back(std::move(parameter));
        at = at == std::string_view::npos ? line.size() : at + 1;
    }
    return parameters;
}

std::optional<std::string> Find(const std::vector<LineParameter>& parameters,
                                std::string_view name) {
    for (const LineParameter& parameter : parameters) {
        if (LowerCase(parameter.name) == LowerCase(name)) {
            return parameter.value;
        }
    }
    return std::nullopt;
}

bool IsSectionLine(std::string_view line) {
    return line.starts_with('[') && line.ends_with(']');
}

ScriptFile FileOfLine(std::string_view line) {
    const std::vector<LineParameter> parameters = LineParameters(line);
    ScriptFile file{Find(parameters, "Source").value_or(""), {}};
    std::string destDir = Find(parameters, "DestDir").value_or("");
    while (destDir.ends_with('\\')) {
        destDir.pop_back();
    }
    std::string destName = Find(parameters, "DestName").value_or("");
    if (destName.empty()) {
        destName = PathText(FsPath(file.source).filename());
    }
    file.installPath = destDir + "\\" + destName;
    return file;
}

}  // namespace

std::vector<ScriptFile> ScriptFiles(std::string_view script) {
    std::vector<ScriptFile> files;
    bool inFiles = false;
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find('\n', start);
        end = end == std::string_view::npos ? script.size() : end;
        const std::string_view line = Trimmed(script.substr(start, end - start));
        start = end + 1;
        if (IsSectionLine(line)) {
            inFiles = LowerCase(line) == "[files]";
        } else if (inFiles && !line.empty() && !line.starts_with(';')) {
            files.push_back(FileOfLine(line));
        }
    }
    return files;
}

std::string WriteSetupManifest(const std::string& setup, const std::vector<ScriptFile>& files,
                               std::string_view scriptFolder) {
    // An older manifest goes first: a failure below must not leave one of another setup.
    const std::string path = ManifestPath(setup);
    DeleteFile(path);
    Manifest manifest;
    manifest.setupName = NameOf(setup);
    manifest.signature = kManifestUnsigned;
    for (const ScriptFile& file : files) {
        const bool absolute = FsPath(file.source).is_absolute();
        const std::string source = absolute ? file.source : PathJoin(scriptFolder, file.source);
        manifest.files.push_back({file.installPath, Sha256OfFile(source)});
    }
    manifest.setup = Sha256OfFile(setup);
    WriteManifest(path, ManifestText(manifest));
    return path;
}

}  // namespace kb
