// AppFolder, ReplaceExePath, FolderOf and ResolvePath (see AppPaths.h).
#include "framework/paths/AppPaths.h"

#include "base/Text.h"
#include "platform/FileSystem.h"

namespace maskaddr {

std::string AppFolder(IFileSystem& files) {
    std::string folder = files.LongPath(FolderOf(files.ProgramPath()));
    if (folder.empty() || folder.back() != '\\') folder.push_back('\\');
    return folder;
}

std::string ReplaceExePath(IFileSystem& files, const std::string& text) {
    std::string folder = AppFolder(files);
    folder.pop_back(); // AppFolder always ends in "\"
    return ReplaceAllNoCase(text, "%exepath%", folder);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ResolvePath(const std::string& base, const std::string& path) {
    if (path.find(':') != std::string::npos || base.rfind("\\\\", 0) == 0) return ReplaceAll(path, "/", "\\");
    if (base.size() >= 2 && base[1] == ':') {
        std::string b = ReplaceAll(base, "/", "\\");
        std::string p = ReplaceAll(path, "/", "\\");
        if (b.back() != '\\') b.push_back('\\');
        return (!p.empty() && p.front() == '\\') ? b.substr(0, 2) + p : b + p;
    }
    return path;
}

} // namespace maskaddr
