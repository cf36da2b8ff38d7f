// In-memory files and folders with Windows path rules (case-insensitive, "\"). The
// interface's calls may come from worker threads (downloads) while the test's thread asks
// too, so they take a lock; the test reaches the maps directly only while no worker runs.
#pragma once

#include "base/Text.h"
#include "platform/FileSystem.h"

#include <map>
#include <mutex>
#include <set>

namespace maskaddr::test {

class TFakeFileSystem final : public IFileSystem {
public:
    std::string Program = "C:\\Tools\\App\\app.exe";
    std::map<std::string, std::string> Files;     // by lower-case path
    std::set<std::string> Folders;                // lower-case, no trailing "\"
    std::set<std::string> ReadOnlyFolders;        // CanWriteFolder answers false
    std::set<std::string> OthersOwn;              // lower-case paths another account owns
    std::set<std::string> SharedFolders;          // made by CreateSharedFolder
    std::map<std::string, int64_t> CreationTimes; // lower-case folder -> file time
    std::string WriteError;                       // when set, every write fails with it
    std::map<std::string, std::string> Known{{"appdata", "C:\\Users\\me\\AppData\\Roaming"},
                                             {"common", "C:\\ProgramData"}};
    int Writes = 0;
    std::mutex Lock;

    // As the system resolves a path: without case, a trailing separator or "\\..\\" steps.
    static std::string Key(std::string p) {
        for (size_t up; (up = p.find("\\..\\")) != std::string::npos;) {
            const size_t parent = up == 0 ? std::string::npos : p.rfind('\\', up - 1);
            if (parent == std::string::npos) break; // nothing above to step out of
            p.erase(parent + 1, up + 4 - (parent + 1)); // "name\\..\\"
        }
        while (p.size() > 3 && p.back() == '\\')
            p.pop_back();
        return LowerAscii(p);
    }
    std::string ProgramPath() override { return Program; }
    std::string LongPath(const std::string& path) override { return path; }
    bool CreateFolders(const std::string& path) override {
        std::lock_guard hold(Lock);
        std::string k = Key(path);
        for (size_t pos = k.find('\\', 3); pos != std::string::npos; pos = k.find('\\', pos + 1))
            Folders.insert(k.substr(0, pos));
        Folders.insert(k);
        return true;
    }
    bool FileExists(const std::string& path) override {
        std::lock_guard hold(Lock);
        return Files.count(Key(path)) != 0;
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        std::lock_guard hold(Lock);
        auto it = Files.find(Key(path));
        return it == Files.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::optional<std::string> ReadFileUpTo(const std::string& path, size_t maxBytes) override {
        std::optional<std::string> bytes = ReadFile(path);
        return bytes && bytes->size() <= maxBytes ? bytes : std::nullopt;
    }
    std::string WriteFileAtomic(const std::string& path, const std::string& bytes) override {
        std::lock_guard hold(Lock);
        if (!WriteError.empty()) return WriteError;
        ++Writes;
        Files[Key(path)] = bytes;
        return {};
    }
    class TWriter final : public IWritableFile {
    public:
        TWriter(TFakeFileSystem& fs, std::string path) : FFs(fs), FPath(std::move(path)) {}
        bool Write(const char* d, size_t n) override { return FData.append(d, n), true; }
        bool Close() override {
            std::lock_guard hold(FFs.Lock);
            FFs.Files[Key(FPath)] = FData;
            return true;
        }

    private:
        TFakeFileSystem& FFs;
        std::string FPath, FData;
    };
    // The file exists (empty) from its creation, as on a disk; its bytes arrive when it is closed.
    std::unique_ptr<IWritableFile> CreateForWrite(const std::string& path) override {
        std::lock_guard hold(Lock);
        Files[Key(path)].clear();
        return std::make_unique<TWriter>(*this, path);
    }
    bool RemoveFile(const std::string& path) override {
        std::lock_guard hold(Lock);
        return Files.erase(Key(path)) > 0;
    }
    std::string MoveFileOver(const std::string& from, const std::string& to) override {
        std::lock_guard hold(Lock);
        auto it = Files.find(Key(from));
        if (it == Files.end()) return "missing";
        Files[Key(to)] = it->second;
        Files.erase(Key(from));
        return {};
    }
    std::optional<int64_t> FolderCreationTime(const std::string& path) override {
        std::lock_guard hold(Lock);
        auto it = CreationTimes.find(Key(path));
        return it == CreationTimes.end() ? std::nullopt : std::optional<int64_t>(it->second);
    }
    bool CanWriteFolder(const std::string& path) override {
        std::lock_guard hold(Lock);
        return ReadOnlyFolders.count(Key(path)) == 0;
    }
    bool CreateSharedFolder(const std::string& path) override {
        {
            std::lock_guard hold(Lock);
            if (Folders.count(Key(path)) > 0) return true;
        }
        CreateFolders(path);
        std::lock_guard hold(Lock);
        SharedFolders.insert(Key(path));
        return true;
    }
    bool OwnedByCurrentUser(const std::string& path) override {
        std::lock_guard hold(Lock);
        return OthersOwn.count(Key(path)) == 0 && (Folders.count(Key(path)) > 0 || Files.count(Key(path)) > 0);
    }
    // Patterns of the form FOLDER\*.EXT only.
    std::vector<std::string> FindEntries(const std::string& pattern) override {
        std::lock_guard hold(Lock);
        std::string k = LowerAscii(pattern);
        size_t star = k.rfind("\\*");
        std::string folder = k.substr(0, star + 1), ext = k.substr(star + 2);
        std::vector<std::string> names;
        for (auto& [path, bytes] : Files)
            if (path.rfind(folder, 0) == 0 && path.find('\\', folder.size()) == std::string::npos &&
                path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0)
                names.push_back(Names.count(path) ? Names[path] : path.substr(folder.size()));
        return names;
    }
    std::map<std::string, std::string> Names; // original spelling of file names, by lower-case path
    std::string KnownFolder(TKnownFolder f) override {
        std::lock_guard hold(Lock);
        return f == TKnownFolder::AppData         ? Known["appdata"]
               : f == TKnownFolder::CommonAppData ? Known["common"]
                                                  : "";
    }
    // Test helpers.
    void Put(const std::string& path, const std::string& bytes) {
        std::lock_guard hold(Lock);
        Files[Key(path)] = bytes;
        Names[Key(path)] = path.substr(path.rfind('\\') + 1);
    }
    std::string Get(const std::string& path) { return ReadFile(path).value_or("<missing>"); }
};

} // namespace maskaddr::test
