// The live per-connection settings as plain fields: what was applied last, and whether
// the system answers a query or accepts a list, and how often it was asked. As the system
// does, an accepted list also writes the stored "ProxyEnable" and "ProxyServer" values
// (the server deleted when empty), so the order of options and stored values shows.
#pragma once

#include "fakes/FakeRegistry.h"
#include "platform/InternetSettings.h"

namespace maskaddr::test {

class TFakeInternetSettings final : public IInternetSettings {
public:
    TConnectionOptions Options;
    bool Answers = true, Accepts = true;
    int Queries = 0;
    TFakeRegistry* Registry = nullptr; // where the stored values go; none: kept apart
    bool ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                 const std::string& aServer) override {
        return ApplyConnectionOptions({aEnable ? 2u : 1u, aServer, aBypass, "", 0});
    }
    std::optional<TConnectionOptions> QueryConnectionOptions() override {
        ++Queries;
        return Answers ? std::optional<TConnectionOptions>(Options) : std::nullopt;
    }
    bool ApplyConnectionOptions(const TConnectionOptions& options) override {
        if (!Accepts) return false;
        Options = options;
        if (Registry != nullptr) {
            const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
            Registry->WriteDword(TRegRoot::CurrentUser, key, "ProxyEnable", (options.Flags & 2u) != 0 ? 1u : 0u);
            if (options.ProxyServer.empty())
                Registry->DeleteValue(TRegRoot::CurrentUser, key, "ProxyServer");
            else
                Registry->WriteString(TRegRoot::CurrentUser, key, "ProxyServer", options.ProxyServer);
        }
        return true;
    }
    void NotifySettingsChanged() override {}
};

} // namespace maskaddr::test
