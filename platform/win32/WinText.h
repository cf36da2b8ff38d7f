// UTF-8 <-> UTF-16 at the Win32 boundary, system error texts, the one way a failed
// Win32 call is traced, and the start-up's time points.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

std::wstring ToWide(const std::string& utf8);
std::string ToUtf8(const std::wstring& wide);
std::string ToUtf8(const wchar_t* wide);
// The system's message for an error code, with the code itself: "Access is denied. (5)".
std::string ErrorText(DWORD code);
inline std::string LastErrorText() {
    return ErrorText(GetLastError());
}
// Traces a Win32 call that failed, with its arguments and why:
// "[Win32] RegisterClassExW(TfrmMain) failed: Class already exists. (1410)".
void TraceFailedCall(std::string_view call, std::string_view args, std::string_view why);
// The same with the calling thread's last error as the reason; call it straight after the
// failed call. The last error stays as it was, for the caller to read too.
void TraceLastError(std::string_view call, std::string_view args = {});
// Traces a step of the start-up with the time since the process was created:
// "[Startup] Main window shown: 212.4 ms".
void TraceStartupStep(std::string_view step);
// The process's command-line arguments without the program name.
std::vector<std::string> ProgramArguments();

} // namespace maskaddr
