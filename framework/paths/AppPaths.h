// The program's folder and the joining of relative paths to a base folder.
#pragma once

#include <string>

namespace maskaddr {

// The folder of the program file in its long-name form, with a trailing "\".
std::string AppFolder();

// The folder part of a path, without the trailing "\" (empty when there is none).
std::string FolderOfPath(const std::string& path);

// A relative path joined to a base folder; an absolute path (one with a drive or
// any ":"), or any path against a UNC base, is kept with "/" turned into "\".
std::string ResolvePath(const std::string& base, const std::string& path);

} // namespace maskaddr
