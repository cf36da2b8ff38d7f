// What the browser check reads of Firefox: profiles.ini, a profile's prefs files and the
// policies.json beside firefox.exe (the input's three parts, split at NUL bytes; the prefs
// part also stands for user.js). The whole check runs over them; "Make it follow" and the
// uninstaller's take-back give user.js back byte for byte, and the line editor alone does too.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "browsers/BrowserCoverage.h"
#include "browsers/FirefoxFollow.h"
#include "browsers/FirefoxPrefs.h"
#include "browsers/JsonText.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const auto C = [&f] { return TBrowserContext{f.P.Facilities, Settings()}; };
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 3);
    const std::string firefox = "C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox";
    const std::string profile = firefox + "\\Profiles\\p";
    f.P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Clients\\StartMenuInternet\\Firefox",
                             "", "Firefox");
    f.P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Clients\\StartMenuInternet\\Firefox\\shell\\open\\command",
                             "", "C:\\Fx\\firefox.exe");
    f.P.Files.Put(firefox + "\\profiles.ini", parts[0] + "\n[Profile0]\nName=p\nIsRelative=1\nPath=Profiles/p\n");
    f.P.Files.Put(profile + "\\prefs.js", parts[1]);
    f.P.Files.Put(profile + "\\user.js", parts[1]);
    f.P.Files.Put("C:\\Fx\\distribution\\policies.json", parts[2]);
    (void)FindBrowsers(C());
    (void)ReadFirefoxProfiles(parts[0], firefox);
    (void)ParseJson(parts[2]);

    const std::string added = AddPrefsLine(parts[1], kFollowSystemLine);
    if (RemovePrefsLine(added, kFollowSystemLine) != parts[1]) __builtin_trap();
    if (MakeFirefoxProfileFollow(C(), profile).Outcome == TFollowResult::TOutcome::Written) {
        TakeBackFirefoxFollow(C());
        if (f.P.Files.Get(profile + "\\user.js") != parts[1]) __builtin_trap();
    }
    return 0;
}
