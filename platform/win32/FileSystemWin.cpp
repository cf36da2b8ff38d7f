// Files and folders through the Win32 file, security and shell functions.
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>

#include <vector>

namespace maskaddr {

namespace {

std::wstring StripBackslash(std::wstring p) {
    while (p.size() > 3 && p.back() == L'\\')
        p.pop_back();
    return p;
}

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20)), written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

} // namespace

std::string TFileSystemWin::ProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return ToUtf8(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string TFileSystemWin::LongPath(const std::string& path) {
    const std::wstring w = ToWide(path);
    DWORD n = GetLongPathNameW(w.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::vector<wchar_t> buffer(n + 1);
    n = GetLongPathNameW(w.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return path;
    return ToUtf8(std::wstring(buffer.data(), n));
}

bool TFileSystemWin::CreateFolders(const std::string& path) {
    const std::wstring full = StripBackslash(ToWide(path));
    if (full.empty()) return false;
    if (IsFolder(full)) return true;
    // Create each missing level from the top; the root ("C:\" or "\\server\share") exists or not.
    size_t start = 0;
    if (full.rfind(L"\\\\", 0) == 0) {
        size_t server = full.find(L'\\', 2);
        start = server == std::wstring::npos ? full.size() : full.find(L'\\', server + 1);
    } else if (full.size() >= 2 && full[1] == L':') {
        start = 2;
    }
    for (size_t pos = full.find(L'\\', start + 1);; pos = full.find(L'\\', pos + 1)) {
        std::wstring part = full.substr(0, pos);
        if (!part.empty() && !IsFolder(part) && !CreateDirectoryW(part.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (pos == std::wstring::npos) break;
    }
    return IsFolder(full);
}

bool TFileSystemWin::FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> TFileSystemWin::ReadFile(const std::string& path) {
    return ReadFileUpTo(path, 0x7FFFFFFF);
}

// A file that grows while it is read gives what its size said at the start.
std::optional<std::string> TFileSystemWin::ReadFileUpTo(const std::string& path, size_t maxBytes) {
    TFileHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > std::min<uint64_t>(maxBytes, 0x7FFFFFFF))
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                        nullptr))
            return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// The new content goes to "FILE.tmp" beside the file, is flushed to disk, and then replaces
// the old file in one rename: a save cut off at any moment, even by a kill, leaves the old
// file whole and no more than that one temporary file, which the next save overwrites. (A
// unique temporary name per save would leave one more file behind at every cut-off save.)
// Only while another process writes that temporary file does a save take a unique one.
std::string TFileSystemWin::WriteFileAtomic(const std::string& path, const std::string& bytes) {
    const std::wstring target = ToWide(path);
    std::wstring temp = target + L".tmp";
    TFileHandle file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() == ERROR_SHARING_VIOLATION) {
        const size_t slash = target.rfind(L'\\');
        const std::wstring folder =
            slash == std::wstring::npos ? std::wstring(L".") : target.substr(0, slash);
        wchar_t unique[MAX_PATH + 16];
        if (GetTempFileNameW(folder.c_str(), L"sav", 0, unique) == 0) return LastErrorText();
        temp = unique;
        file.Attach(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    }
    std::string error;
    if (!file || !WriteAll(file.Get(), bytes) || !FlushFileBuffers(file.Get())) error = LastErrorText();
    file.Close();
    if (error.empty() &&
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastErrorText();
    if (!error.empty()) DeleteFileW(temp.c_str());
    return error;
}

namespace {
class TWritableFileWin final : public IWritableFile {
public:
    explicit TWritableFileWin(HANDLE h) : FFile(h) {}
    bool Write(const char* data, size_t size) override {
        return WriteAll(FFile.Get(), std::string(data, size));
    }
    bool Close() override {
        bool ok = FlushFileBuffers(FFile.Get()) != FALSE;
        FFile.Close();
        return ok;
    }

private:
    TFileHandle FFile;
};
} // namespace

std::unique_ptr<IWritableFile> TFileSystemWin::CreateForWrite(const std::string& path) {
    HANDLE h = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<TWritableFileWin>(h);
}

bool TFileSystemWin::RemoveFile(const std::string& path) {
    return DeleteFileW(ToWide(path).c_str()) != FALSE;
}

std::string TFileSystemWin::MoveFileOver(const std::string& from, const std::string& to) {
    if (MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        return {};
    return LastErrorText();
}

std::optional<int64_t> TFileSystemWin::FolderCreationTime(const std::string& path) {
    TFileHandle folder(CreateFileW(ToWide(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME created{};
    if (!folder || !GetFileTime(folder.Get(), &created, nullptr, nullptr)) return std::nullopt;
    return static_cast<int64_t>((static_cast<uint64_t>(created.dwHighDateTime) << 32) |
                                created.dwLowDateTime);
}

// Asks the folder's security descriptor whether this process's token is granted
// generic write access, with generic rights mapped as for files.
bool TFileSystemWin::CanWriteFolder(const std::string& path) {
    const std::wstring w = ToWide(path);
    const SECURITY_INFORMATION what =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetFileSecurityW(w.c_str(), what, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityW(w.c_str(), what, descriptor.data(), needed, &needed)) return false;

    THandle process, impersonation;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, process.Receive()) ||
        !DuplicateToken(process.Get(), SecurityImpersonation, impersonation.Receive()))
        return false;

    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    DWORD desired = GENERIC_WRITE;
    MapGenericMask(&desired, &mapping);
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof privileges, granted = 0;
    BOOL status = FALSE;
    if (!AccessCheck(descriptor.data(), impersonation.Get(), desired, &mapping, &privileges, &privilegesSize,
                     &granted, &status))
        return false;
    return status != FALSE;
}

namespace {

// The current account's security identifier, from the process token.
std::vector<BYTE> CurrentUserSid() {
    THandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return {};
    DWORD needed = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> user(needed);
    if (needed == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), needed, &needed)) return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    if (!CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
    return copy;
}

struct TLocalFree {
    void operator()(void* p) const { LocalFree(p); }
};

} // namespace

bool TFileSystemWin::CreateSharedFolder(const std::string& path) {
    const std::wstring w = StripBackslash(ToWide(path));
    const DWORD before = GetFileAttributesW(w.c_str());
    if (before != INVALID_FILE_ATTRIBUTES) return (before & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t parent = w.find_last_of(L'\\');
    if (parent != std::wstring::npos && !CreateFolders(ToUtf8(w.substr(0, parent)))) return false;
    std::vector<BYTE> user = CurrentUserSid();
    LPWSTR userText = nullptr;
    if (user.empty() || !ConvertSidToStringSidW(user.data(), &userText)) return false;
    const std::unique_ptr<void, TLocalFree> userTextOwner(userText);
    // Protected (no entries from the parent): full control for the account, SYSTEM and the
    // administrators, read and run for everyone else ("everyone", which Wine maps to the
    // Unix permissions of others); inherited by what is created inside.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(userText) +
                              L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    const std::unique_ptr<void, TLocalFree> descriptorOwner(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return CreateDirectoryW(w.c_str(), &attributes) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool TFileSystemWin::OwnedByCurrentUser(const std::string& path) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring w = ToWide(path);
    if (GetNamedSecurityInfoW(w.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const std::unique_ptr<void, TLocalFree> descriptorOwner(descriptor);
    std::vector<BYTE> user = CurrentUserSid();
    return owner != nullptr && !user.empty() && EqualSid(owner, user.data());
}

std::vector<std::string> TFileSystemWin::FindEntries(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE find =
        FindFirstFileExW(ToWide(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(ToUtf8(name));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

std::string TFileSystemWin::KnownFolder(TKnownFolder folder) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (folder == TKnownFolder::Temp) {
        if (GetTempPathW(MAX_PATH, buffer) == 0) return {};
        return ToUtf8(StripBackslash(buffer));
    }
    int csidl = folder == TKnownFolder::AppData ? CSIDL_APPDATA : CSIDL_COMMON_APPDATA;
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    return ToUtf8(StripBackslash(buffer));
}

} // namespace maskaddr
