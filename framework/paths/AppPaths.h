// The program's folder, the folder part of a path, and the joining of relative paths to
// a base folder.
#pragma once

#include <string>

namespace maskaddr {

class IFileSystem;

// The folder of the program file in its long-name form, with a trailing "\".
std::string AppFolder(IFileSystem& files);

// The text with every "%exepath%" (in any letter case) replaced by the program's folder
// without its trailing "\": how settings name files shipped beside the program.
std::string ReplaceExePath(IFileSystem& files, const std::string& text);

// The folder of a path: everything before its last "\"; empty when it has none.
std::string FolderOf(const std::string& path);

// A relative path joined to a base folder; an absolute path (one with a drive or
// any ":"), or any path against a UNC base, is kept with "/" turned into "\".
std::string ResolvePath(const std::string& base, const std::string& path);

} // namespace maskaddr
