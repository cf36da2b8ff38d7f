// settings_probe.exe: constructs the process's settings store with the Win32
// facilities, prints "RunTimes=N AllUser=B UserDataPath=P" and frees the store.
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "platform/win32/PlatformWin.h"

#include <cstdio>

int wmain() {
    maskaddr::SetPlatform(maskaddr::Win32Platform());
    maskaddr::TCLSettings& s = maskaddr::Settings();
    std::printf("RunTimes=%d AllUser=%d UserDataPath=%s\n", s.RunTimes(), s.AllUser() ? 1 : 0,
                s.UserDataPath().c_str());
    maskaddr::FreeSettings();
    return 0;
}
