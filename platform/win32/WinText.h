// UTF-8 <-> UTF-16 at the Win32 boundary, and system error texts.
#pragma once

#include <windows.h>

#include <string>
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
// The process's command-line arguments without the program name.
std::vector<std::string> ProgramArguments();

} // namespace maskaddr
