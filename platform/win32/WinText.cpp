// Win32 string conversions, error texts, failed-call traces and start-up time points
// (see WinText.h).
#include "platform/win32/WinText.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "platform/win32/Handles.h"

#include <shellapi.h>

#include <cstdio>

namespace maskaddr {

std::wstring ToWide(const std::string& utf8) {
    std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string ToUtf8(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string ToUtf8(const wchar_t* wide) {
    return wide != nullptr ? ToUtf8(std::wstring(wide)) : std::string();
}

std::vector<std::string> ProgramArguments() {
    int count = 0;
    TLocalMemory<wchar_t*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i)
        args.push_back(ToUtf8(argv.Get()[i]));
    return args;
}

std::string ErrorText(DWORD code) {
    TLocalMemory<wchar_t> buffer;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.Receive()), 0, nullptr);
    std::string text = n != 0 ? Trim(ToUtf8(buffer.Get())) : std::string("Unknown error");
    return text + " (" + std::to_string(code) + ")";
}

void TraceFailedCall(std::string_view call, std::string_view args, std::string_view why) {
    std::string line(call);
    line.append("(").append(args).append(") failed: ").append(why);
    DebugTrace::Trace("Win32", line);
}

void TraceLastError(std::string_view call, std::string_view args) {
    const DWORD code = GetLastError();
    if (DebugTrace::Enabled()) TraceFailedCall(call, args, ErrorText(code));
    SetLastError(code);
}

void TraceStartupStep(std::string_view step) {
    if (!DebugTrace::Enabled()) return;
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& t) {
        return static_cast<int64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    char age[32];
    std::snprintf(age, sizeof age, ": %.1f ms", static_cast<double>(ticks(now) - ticks(created)) / 10000.0);
    DebugTrace::Trace("Startup", std::string(step) + age);
}

} // namespace maskaddr
