#include "workspace/workspace_paths.h"

#include "foundation/paths.h"
#include "foundation/platform.h"

namespace kb {
namespace {

// text + separator + sub, or text alone when sub is empty.
std::string WithSub(std::string text, std::string_view sub) {
    if (!sub.empty()) {
        text += kPathSeparator;
        text += sub;
    }
    return text;
}

std::string& GivenWorkspaceFolder() {
    static std::string folder;
    return folder;
}

}  // namespace

void SetWorkspaceFolder(std::string_view folder) {
    GivenWorkspaceFolder() = folder.empty() ? std::string() : NormalizePath(folder);
}

std::string WorkspaceRoot(bool withSlash) {
    const std::string& given = GivenWorkspaceFolder();
    std::string root =
        given.empty() ? FullPath(DocumentsFolder(), "Bobbinwright", "Personal Files") : given;
    if (withSlash)
        root += kPathSeparator;
    return root;
}

std::string RootPath(std::string_view relative) {
    return WorkspaceRoot(true) + std::string(relative);
}

std::string RootFolderPath(std::string_view relative) {
    return RootPath(relative) + kPathSeparator;
}

std::string RootCombine(std::string_view folder, std::string_view name) {
    return FullPath(RootPath(folder), name);
}

std::string DesignersFolder(std::string_view sub) {
    return WithSub(RootPath("Designers"), sub);
}

std::string DesignerFolder(std::string_view designer, std::string_view sub) {
    return WithSub(DesignersFolder(designer), sub);
}

std::string CollectionFolder(std::string_view designer, std::string_view collection,
                             std::string_view sub) {
    return WithSub(DesignerFolder(designer, collection), sub);
}

std::string MacroSourceFolder(int sourceIndex, std::string_view sub) {
    return WithSub(RootPath(sourceIndex == 0 ? "Designers" : "Patterns"), sub);
}

std::string ResourceFile(std::string_view name) {
    return FullPath(OwnProgramFiles().resources, name);
}

std::string SupportExtension(int index) {
    static const char* const kExtensions[kSupportExtensionCount] = {"jpg", "pdf", "html", "txt"};
    if (index < 0 || index >= kSupportExtensionCount)
        return {};
    return kExtensions[index];
}

std::string InstallRoot() {
    return InstallerPathJoin("{pf}\\Bobbinwright Software\\", "Shared") + "\\";
}

}  // namespace kb
