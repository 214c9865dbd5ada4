#include "foundation/platform.h"

#include <filesystem>
#include <mutex>

#include "foundation/files.h"
#include "foundation/system_calls.h"

namespace kb {

namespace {

std::mutex& DocumentsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& DocumentsOverride() {
    static std::string folder;
    return folder;
}

}  // namespace

std::string DocumentsFolder() {
    {
        std::lock_guard lock(DocumentsMutex());
        if (!DocumentsOverride().empty())
            return DocumentsOverride();
    }
    const std::string folder = os::SystemDocumentsFolder();
    return folder.empty() ? std::string("/") : folder;
}

void SetDocumentsFolder(std::string folder) {
    std::lock_guard lock(DocumentsMutex());
    DocumentsOverride() = std::move(folder);
}

std::string ExecutableFolder() {
    return PathText(os::ExecutablePath().parent_path());
}

std::string ExecutableName() {
    return PathText(os::ExecutablePath().filename());
}

// The installed layout's folders relative to the executable's folder; the build sets them from
// its install folders, the defaults are those of the GNU layout.
#ifndef KB_INSTALLED_RESOURCES
#define KB_INSTALLED_RESOURCES "../share/kitbinder"
#endif
#ifndef KB_INSTALLED_HELPERS
#define KB_INSTALLED_HELPERS "../libexec/kitbinder"
#endif

ProgramFiles LocateProgramFiles(const std::string& executableFolder) {
    namespace fs = std::filesystem;
    const fs::path folder = FsPath(executableFolder);
    const auto normal = [](const fs::path& path) {
        std::string text = PathText(path.lexically_normal());
        while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') &&
               text[text.size() - 2] != ':')
            text.pop_back();
        return text;
    };
    const fs::path installed = folder / KB_INSTALLED_RESOURCES;
    std::error_code ec;
    if (fs::is_directory(installed, ec))
        return {normal(installed), normal(folder / KB_INSTALLED_HELPERS)};
    return {normal(folder / ".." / "Kitbinder"), normal(folder)};
}

namespace {

// Backslashes are literal except before a quote: there each one is doubled and the quote gets
// one more; a run at the end is doubled, since the closing quote follows it.
std::string QuotedArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(2 * backslashes, '\\');
    out.push_back('"');
    return out;
}

}  // namespace

std::string WindowsCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line.push_back(' ');
        line += QuotedArgument(argument);
    }
    return line;
}

const ProgramFiles& OwnProgramFiles() {
    static const ProgramFiles files = LocateProgramFiles(ExecutableFolder());
    return files;
}

}  // namespace kb
