// Firefox switching (see Firefox.h).
#include "browsers/Firefox.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

namespace maskaddr {

namespace {

constexpr char kChromePrefix[] = "-silent -nosplash -chrome ";
constexpr char kChromePage[] = "chrome://maskaddr/content/maskaddr.xul";
constexpr char kMozillaKey[] = "SOFTWARE\\Mozilla\\Mozilla Firefox";
constexpr char kSwitch[] = "SWITCH.FF";
// Whether the last proxy line that Firefox was started with set a proxy of ours.
constexpr char kProxySet[] = "FF.ProxySet";

std::string ChromeLine(const std::string& query) {
    return std::string(kChromePrefix) + "\"" + kChromePage + query + "\"";
}

// A text that stays one argument inside the double-quoted chrome address.
bool SafeInCommandLine(const std::string& text) {
    for (unsigned char c : text)
        if (c == '"' || c == ' ' || c < 0x20 || c == 0x7F) return false;
    return true;
}

} // namespace

bool LaunchProgram(const TBrowserContext& c, const std::string& exe, const std::string& parameters,
                   bool aHideAndWait, int aTimeout) {
    if (exe.empty()) return c.Facilities.Processes->Start(parameters, "", aHideAndWait, aTimeout);
    const std::string path = ResolvePath(AppFolder(*c.Facilities.Files), exe);
    return c.Facilities.Processes->Start("\"" + path + "\" " + parameters, FolderOf(path), aHideAndWait,
                                         aTimeout);
}

std::string FindFirefoxPath(const TBrowserContext& c) {
    TCLSettings& settings = c.Settings;
    IRegistry& registry = *c.Facilities.Registry;
    IFileSystem& files = *c.Facilities.Files;
    std::string result = settings.GetSettingString("FireFoxPath");
    if (!result.empty() && files.FileExists(result)) return result;
    if (registry.KeyExists(TRegRoot::LocalMachine, kMozillaKey)) {
        const std::string version = registry.ReadString(TRegRoot::LocalMachine, kMozillaKey, "CurrentVersion").value_or("");
        const std::string main = std::string(kMozillaKey) + "\\" + version + "\\Main";
        if (!version.empty() && registry.KeyExists(TRegRoot::LocalMachine, main))
            result = registry.ReadString(TRegRoot::LocalMachine, main, "PathToExe").value_or("");
    }
    const std::string brisklane = registry.ReadString(TRegRoot::CurrentUser, "Software\\Brisklane", "").value_or("");
    if (!brisklane.empty()) result = brisklane + "\\Brisklane.exe";
    if (!result.empty() && files.FileExists(result)) settings.SetSettingstring("FireFoxPath", result);
    return result;
}

bool IsFirefoxInstalled(const TBrowserContext& c) {
    return !FindFirefoxPath(c).empty();
}

bool IsFirefoxRunning(const TBrowserContext& c) {
    return c.Facilities.Processes->WindowClassExists("MozillaUIWindowClass");
}

// The package is not started when it is missing: Firefox would be asked to open a file
// that does not exist, and the installation would be taken for done.
bool InstallFirefoxExtension(const TBrowserContext& c) {
    const std::string firefox = FindFirefoxPath(c);
    if (firefox.empty()) return false;
    const std::string package = AppFolder(*c.Facilities.Files) + "ffextension.xpi";
    if (!c.Facilities.Files->FileExists(package)) {
        DebugTrace::Trace("CLFirefox", "Extension package missing: " + package);
        return false;
    }
    return LaunchProgram(c, FindFirefoxPath(c), "\"" + package + "\"", false, 0);
}

std::string FirefoxProxyCommandLine(const std::string& aProxy) {
    if (aProxy.empty()) return ChromeLine("?clear");
    const size_t colon = aProxy.find(':');
    const std::string address = colon == std::string::npos ? "" : aProxy.substr(0, colon);
    const std::string port = colon == std::string::npos ? aProxy : aProxy.substr(colon + 1);
    if (!SafeInCommandLine(address) || !SafeInCommandLine(port)) {
        DebugTrace::Trace("CLFirefox", "Proxy refused for the command line: " + aProxy);
        return ChromeLine("?clear");
    }
    return ChromeLine("?ssl=&proxy=" + address + "&port=" + port);
}

void SetFirefoxProxy(const TBrowserContext& c, const std::string& aProxy) {
    TCLSettings& settings = c.Settings;
    const bool on = settings.GetSettingBool(kSwitch);
    if (!on && !settings.GetSettingBool(kProxySet)) return;
    const std::string firefox = FindFirefoxPath(c);
    if (firefox.empty()) return;
    const std::string line = FirefoxProxyCommandLine(on ? aProxy : std::string());
    if (!LaunchProgram(c, firefox, line, false, 0)) return;
    settings.SetSettingBool(kProxySet, line != ChromeLine("?clear"));
}

void ClearFirefoxCookies(const TBrowserContext& c) {
    if (!c.Settings.GetSettingBool(kSwitch)) return;
    const std::string firefox = FindFirefoxPath(c);
    if (firefox.empty() || !c.Facilities.Files->FileExists(firefox)) return;
    DebugTrace::Trace("CLFirefox", "cmd");
    const std::string line = ChromeLine("?cc");
    LaunchProgram(c, firefox, line, false, 0);
    DebugTrace::Trace("CLFirefox", "LaunchProgram " + firefox + " " + line);
}

} // namespace maskaddr
