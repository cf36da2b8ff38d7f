// Files and folders: whole-file reads and safe whole-file writes, folder creation,
// long path names, creation times, write access and the program's own path.
// Paths are Windows paths in UTF-8 ("C:\Users\...").
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace maskaddr {

enum class TKnownFolder { AppData, CommonAppData, Temp };

// A file being written block by block (by a worker thread; the writer is its own).
class IWritableFile {
public:
    virtual ~IWritableFile() = default;
    virtual bool Write(const char* data, size_t size) = 0;
    // Flushes and closes; false when the data did not reach the disk.
    virtual bool Close() = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Full path of the running program file.
    virtual std::string ProgramPath() = 0;
    // The long form of an existing path; the path unchanged when it cannot be resolved.
    virtual std::string LongPath(const std::string& path) = 0;
    // Creates the folder and every missing parent; true when it exists afterwards.
    virtual bool CreateFolders(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // The whole file when it holds at most maxBytes; nullopt when it is missing, cannot be
    // read or is larger (a larger file is never read into memory).
    virtual std::optional<std::string> ReadFileUpTo(const std::string& path, size_t maxBytes) = 0;
    // Replaces the file in one step: either the old or the new complete content
    // survives any failure. Returns an empty string on success, else the error text.
    virtual std::string WriteFileAtomic(const std::string& path, const std::string& bytes) = 0;
    // Creates (or empties) a file for writing; null when it cannot. Callable from any thread.
    virtual std::unique_ptr<IWritableFile> CreateForWrite(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Moves a file over another in one step (same volume); empty on success, else the error.
    virtual std::string MoveFileOver(const std::string& from, const std::string& to) = 0;
    // Creation time of a folder in file-time ticks (UTC), nullopt when it cannot be opened.
    virtual std::optional<int64_t> FolderCreationTime(const std::string& path) = 0;
    // Whether the current user is granted write access to the folder by its security.
    virtual bool CanWriteFolder(const std::string& path) = 0;
    // Creates the folder and its parents like CreateFolders. The last folder, when this call
    // creates it, is the current account's own for others to read: it, SYSTEM and the
    // administrators may change it, every other account only reads (its security does not
    // come from the parent, where any account may create files). True when it exists after.
    virtual bool CreateSharedFolder(const std::string& path) = 0;
    // Whether the file or folder belongs to the current account (its owner is the account).
    virtual bool OwnedByCurrentUser(const std::string& path) = 0;
    // Names (without folder) of the files and folders matching a pattern such as "C:\x\*.lan".
    virtual std::vector<std::string> FindEntries(const std::string& pattern) = 0;
    // The system's idea of a known folder, without trailing "\"; empty when unknown.
    virtual std::string KnownFolder(TKnownFolder folder) = 0;
};

} // namespace maskaddr
