// settings_saver.exe DELAY_MS: saves setting.dat through the settings store without pause
// until it is killed; every save writes each test key with the next generation. It prints
// the file and its Unix process id, then "saved N" after each save, and after its first save starts a Unix
// shell that kills it with SIGKILL DELAY_MS milliseconds later, wherever it then is.
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void Print(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

// Wine runs this program as a Unix process, and Linux's getpid system call (39 on x86-64)
// names it; the process's own /proc entry would not (Wine's server opens files). Only under
// Wine: on Windows that number means something else.
long UnixProcessId() {
#if defined(__GNUC__) && defined(__x86_64__)
    if (GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") == nullptr) return 0;
    long pid = 0;
    asm volatile("syscall" : "=a"(pid) : "a"(39L) : "rcx", "r11", "memory");
    return pid;
#else
    return 0;
#endif
}

// The shell kills only a process that is still this program. Wine starts a Unix program
// without a process handle to give back.
bool StartKiller(long pid, int delayMs) {
    wchar_t command[256];
    std::swprintf(
        command, 256,
        L"Z:\\bin\\sh -c \"sleep %d.%03d; grep -qa settings_saver /proc/%ld/cmdline && kill -KILL %ld\"",
        delayMs / 1000, delayMs % 1000, pid, pid);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    maskaddr::THandle process(started.hProcess), thread(started.hThread);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace maskaddr;
    SetPlatform(Win32Platform());
    const int delayMs = argc > 1 ? _wtoi(argv[1]) : -1;
    TCLSettings& settings = Settings();
    Print("file " + settings.UserDataPath() + "setting.dat");
    const long pid = UnixProcessId();
    Print("pid " + std::to_string(pid));
    if (delayMs >= 0 && pid <= 1) {
        Print("error: no Unix process id");
        return 2;
    }
    int generation = settings.GetSettingInteger("Generation");
    for (bool killerStarted = false;;) {
        ++generation;
        settings.BeginUpdate();
        for (int key = 0; key < 100; ++key)
            settings.SetSettingstring("Key" + std::to_string(key),
                                      std::to_string(generation) + "-" + std::to_string(key));
        settings.SetSettingInteger("Generation", generation);
        settings.EndUpdate();
        if (!settings.LastSaveError().empty()) {
            Print("error: " + settings.LastSaveError());
            return 2;
        }
        Print("saved " + std::to_string(generation));
        if (!killerStarted && delayMs >= 0) {
            killerStarted = true;
            if (!StartKiller(pid, delayMs)) {
                Print("error: the killer did not start: " + LastErrorText());
                return 2;
            }
        }
    }
}
