// Starting other programs and finding windows by class, and the system's URL cache
// through WinINet's enumeration functions.
#include "platform/win32/PlatformWin.h"
#include "platform/win32/Process.h"
#include "platform/win32/WinText.h"

#include <wininet.h>

#include <vector>

namespace maskaddr {

bool TProcessesWin::Start(const std::string& commandLine, const std::string& workingFolder, bool hideAndWait,
                          int timeoutMs) {
    STARTUPINFOW hidden{};
    hidden.cb = sizeof hidden;
    hidden.dwFlags = STARTF_USESHOWWINDOW;
    hidden.wShowWindow = SW_HIDE;
    const TProcessHandles started = StartProcess(commandLine, workingFolder, hideAndWait ? &hidden : nullptr);
    if (!started) return false;
    if (hideAndWait)
        WaitForSingleObject(started.Process.Get(), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    return true;
}

bool TProcessesWin::WindowClassExists(const std::string& className) {
    return FindWindowW(ToWide(className).c_str(), nullptr) != nullptr;
}

namespace {

// A record of exactly the size the enumeration asked for; its size field says so.
std::vector<unsigned char> Record(uint32_t size) {
    std::vector<unsigned char> record(size);
    if (size >= sizeof(DWORD)) reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(record.data())->dwStructSize = size;
    return record;
}

bool Fill(const std::vector<unsigned char>& record, TUrlCacheEntry& entry) {
    if (record.size() < sizeof(INTERNET_CACHE_ENTRY_INFOW)) return false;
    const auto* info = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(record.data());
    entry.Type = info->CacheEntryType;
    entry.SourceUrl = info->lpszSourceUrlName != nullptr ? ToUtf8(info->lpszSourceUrlName) : std::string();
    return true;
}

} // namespace

uint32_t TUrlCacheWin::FirstEntrySize() {
    DWORD size = 0;
    if (HANDLE h = FindFirstUrlCacheEntryW(nullptr, nullptr, &size)) FindCloseUrlCache(h);
    return size;
}

bool TUrlCacheWin::FindFirst(uint32_t size, TUrlCacheEntry& entry) {
    Close();
    std::vector<unsigned char> record = Record(size);
    DWORD length = size;
    FEnum = FindFirstUrlCacheEntryW(
        nullptr, size != 0 ? reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(record.data()) : nullptr, &length);
    return FEnum != nullptr && Fill(record, entry);
}

uint32_t TUrlCacheWin::NextEntrySize() {
    DWORD size = 0;
    if (FEnum != nullptr) FindNextUrlCacheEntryW(FEnum, nullptr, &size);
    return size;
}

bool TUrlCacheWin::FindNext(uint32_t size, TUrlCacheEntry& entry) {
    if (FEnum == nullptr || size == 0) return false;
    std::vector<unsigned char> record = Record(size);
    DWORD length = size;
    return FindNextUrlCacheEntryW(FEnum, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(record.data()), &length) &&
           Fill(record, entry);
}

bool TUrlCacheWin::Delete(const std::string& sourceUrl) {
    return DeleteUrlCacheEntryW(ToWide(sourceUrl).c_str()) != FALSE;
}

void TUrlCacheWin::Close() {
    if (FEnum != nullptr) FindCloseUrlCache(FEnum);
    FEnum = nullptr;
}

TUrlCacheWin::~TUrlCacheWin() {
    Close();
}

} // namespace maskaddr
