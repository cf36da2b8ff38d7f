// follow_profile.exe PROFILE: makes a Firefox profile follow the system's proxy settings with
// the code behind the settings page's "Make it follow Maskaddr", on the real Win32 files (the
// real-Firefox test runs it under Wine on a Linux profile folder). Exit code 0 once written.
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "browsers/FirefoxFollow.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    using namespace maskaddr;
    if (argc != 2) return 2;
    const TPlatform facilities = Win32Platform();
    SetPlatform(facilities); // the settings store is made from it
    const TFollowResult result =
        MakeFirefoxProfileFollow(TBrowserContext{facilities, Settings()}, ToUtf8(argv[1]));
    if (result.Outcome != TFollowResult::TOutcome::Written)
        std::printf("not written: %s %s\n", result.File.c_str(), result.Error.c_str());
    FreeSettings();
    return result.Outcome == TFollowResult::TOutcome::Written ? 0 : 1;
}
