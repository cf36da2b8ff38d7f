// Win32 string conversions and error texts (see WinText.h).
#include "platform/win32/WinText.h"

#include "base/Text.h"

#include <shellapi.h>

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
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < count; ++i)
        args.push_back(ToUtf8(argv[i]));
    if (argv != nullptr) LocalFree(argv);
    return args;
}

std::string ErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n != 0 ? Trim(ToUtf8(buffer)) : std::string("Unknown error");
    if (buffer != nullptr) LocalFree(buffer);
    return text + " (" + std::to_string(code) + ")";
}

} // namespace maskaddr
