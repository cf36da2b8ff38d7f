// The system proxy switcher (see SystemProxy.h).
#include "browsers/SystemProxy.h"

#include "base/DebugTrace.h"
#include "browsers/ProxyJournal.h"
#include "framework/settings/CLSettings.h"
#include "platform/InternetSettings.h"
#include "platform/Platform.h"

namespace maskaddr {

void WriteIEProxyRegistry(const TBrowserContext& c, const std::string& aProxy) {
    IRegistry& reg = *c.Facilities.Registry;
    reg.WriteString(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyServer",
                    "http=" + aProxy + ";" + "ftp=" + aProxy + ";" + "https=" + aProxy + ";");
    reg.WriteDword(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyEnable", aProxy.empty() ? 0 : 1);
}

// A hide first keeps the user's own settings; a stop puts them back when they were kept,
// else it sets a direct connection.
void SetSystemProxy(const TBrowserContext& c, const std::string& aProxy) {
    try {
        if (!aProxy.empty())
            KeepUserProxySettings(c);
        else if (RestoreUserProxySettings(c))
            return;
        std::string proxy = c.Settings.GetSettingBool("SWITCH.IE") ? aProxy : std::string();
        IInternetSettings* settings = c.Facilities.InetSettings;
        if (settings != nullptr) {
            bool applied = proxy.empty() ? settings->ApplyPerConnectionProxy(false, "", "")
                                         : settings->ApplyPerConnectionProxy(true, "", proxy);
            DebugTrace::Trace("CLProxy", std::string("System proxy ") + (proxy.empty() ? "cleared" : proxy) +
                                             (applied ? "" : " (not accepted)"));
            // Programs that are already running must learn of the change, or they keep
            // connecting the old way while the window says otherwise.
            settings->NotifySettingsChanged();
        }
        WriteIEProxyRegistry(c, proxy);
    } catch (const std::exception& e) {
        DebugTrace::Trace("CLProxy", std::string("System proxy failed: ") + e.what());
    }
}

// The settings are the user's own unless a journal is left from a hide, or they name an
// address of our pool (a hide of ours whose journal was never written).
void RestoreSystemProxy(const TBrowserContext& c) {
    try {
        if (HasProxyJournal(c) || SettingsNamePoolAddress(c))
            SetSystemProxy(c, "");
        else
            DebugTrace::Trace("CLProxy", "System proxy left as the user set it");
    } catch (const std::exception& e) {
        DebugTrace::Trace("CLProxy", std::string("System proxy failed: ") + e.what());
    }
}

} // namespace maskaddr
