// Opera switching (see Opera.h).
#include "browsers/Opera.h"

#include "base/DebugTrace.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/IniText.h"
#include "platform/Platform.h"

namespace maskaddr {

void SetOperaProxy(const std::string& aProxy) {
    const std::string proxy = Settings().GetSettingBool("SWITCH.OPERA") ? aProxy : std::string();
    TPlatform& p = Platform();
    const std::string appData = ReadShellFolder("AppData");
    std::string path = appData + "\\Opera\\Opera\\profile\\opera6.ini";
    if (!p.Files->FileExists(path)) path = appData + "\\Opera\\Opera\\operaprefs.ini";
    if (!p.Files->FileExists(path)) return;

    // A file that cannot be read is left alone: rewriting it would lose the user's preferences.
    const std::optional<std::string> bytes = p.Files->ReadFile(path);
    if (!bytes) {
        DebugTrace::Trace("CLOpera", "Reading " + path + " failed");
        return;
    }
    TIniText ini;
    ini.LoadFromBytes(*bytes, *p.Ansi);
    const std::string use = proxy.empty() ? "0" : "1";
    for (const char* key : {"Use HTTP", "Use HTTPS", "Use FTP"})
        ini.WriteString("Proxy", key, use);
    for (const char* key : {"HTTP server", "HTTPS server", "FTP server"})
        ini.WriteString("Proxy", key, proxy);
    ini.WriteString("Proxy", "No Proxy Servers", "");
    const std::string error = ini.SaveToFile(*p.Files, path, *p.Ansi);
    if (!error.empty()) DebugTrace::Trace("CLOpera", "Writing " + path + " failed: " + error);
}

} // namespace maskaddr
