// The ANSI code page codec, the locale's decimal separator, the clock, the system's
// facts and the trace file sink on Win32, and the set of all Win32 facilities.
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <cstdio>

namespace maskaddr {

std::string TAnsiCodecWin::ToAnsi(const std::string& utf8) {
    const std::wstring w = ToWide(utf8);
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, "?", nullptr);
    return out;
}

std::string TAnsiCodecWin::FromAnsi(const std::string& ansi) {
    if (ansi.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
    return ToUtf8(w);
}

char TLocaleWin::DecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 && buffer[0] > 0 &&
        buffer[0] < 0x80)
        return static_cast<char>(buffer[0]);
    return '.';
}

TDateTime TClockWin::Now() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME ft{};
    SystemTimeToFileTime(&local, &ft); // a plain calendar conversion: the result stays local time
    return FileTimeToDateTime(
        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime));
}

TDateTime TClockWin::UtcNow() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return FileTimeToDateTime(
        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime));
}

namespace {
// The version record as the system really is: GetVersionEx answers only what the
// program's manifest lets it know.
bool RealVersion(OSVERSIONINFOW& v) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    v.dwOSVersionInfoSize = sizeof v;
    return rtlGetVersion != nullptr && rtlGetVersion(&v) == 0;
}
} // namespace

TOsVersion TSystemFactsWin::OsVersion() {
    TOsVersion version;
    OSVERSIONINFOW v{};
    if (!RealVersion(v)) return version;
    version.Major = v.dwMajorVersion;
    version.Minor = v.dwMinorVersion;
    version.ServicePack = ToUtf8(v.szCSDVersion);
    return version;
}

bool TSystemFactsWin::IsWindowsVista64() {
    OSVERSIONINFOW v{};
    return RealVersion(v) && v.dwMajorVersion == 6 && v.dwMinorVersion == 0 && sizeof(void*) == 8;
}

uint16_t TSystemFactsWin::SystemDefaultLangID() {
    return GetSystemDefaultLangID();
}

uint16_t TSystemFactsWin::UserDefaultUILanguage() {
    return GetUserDefaultUILanguage();
}

uint32_t TSystemFactsWin::TickCount() {
    return GetTickCount();
}

std::vector<std::string> TSystemFactsWin::ProgramArguments() {
    return maskaddr::ProgramArguments();
}

void TFileTraceSink::WriteTrace(std::string_view tag, std::string_view text) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    std::string line = std::string(stamp) + "[" + std::string(tag) + "] " + std::string(text) + "\r\n";
    OutputDebugStringW(ToWide(line).c_str());
    TFileHandle file(CreateFileW(FPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring DefaultTraceFilePath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return buffer;
    n = GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer, n) + L"maskaddr-trace.log";
}

TPlatform Win32Platform() {
    static TRegistryWin registry;
    static TFileSystemWin files;
    static TAnsiCodecWin ansi;
    static TLocaleWin locale;
    static TClockWin clock;
    static TInetClientWin inet;
    static TMessagePumpWin pump;
    static TInternetSettingsWin inetSettings;
    static TSystemFactsWin system;
    static TProcessesWin processes;
    static TUrlCacheWin urlCache;
    static TSignatureVerifierWin signatures;
    // Never destroyed: worker threads still running at exit may use them while the process ends.
    static auto* http = new TDirectHttpWin;
    static auto* ui = new TUiDispatcherWin;
    TPlatform p{&registry, &files, &ansi, &locale, &clock, http, ui};
    p.Inet = &inet;
    p.Pump = &pump;
    p.InetSettings = &inetSettings;
    p.System = &system;
    p.Processes = &processes;
    p.UrlCache = &urlCache;
    p.Signatures = &signatures;
    return p;
}

} // namespace maskaddr
