// A stand-in for firefox.exe: appends its working folder and its whole command line,
// as "folder> command line", to the file named by MASKADDR_FIREFOX_LOG, and exits.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t log[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"MASKADDR_FIREFOX_LOG", log, MAX_PATH) == 0) return 2;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring line = std::wstring(folder) + L"> " + GetCommandLineW() + L"\r\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                    nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    // Several starts may append at once: each line is one write to the end of the file.
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
