// The system's live per-connection web settings (Internet Explorer and every program
// that follows the WinINet settings), as the system proxy switcher drives them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace maskaddr {

// The options of the default connection that a user sets: the flags (direct, proxy,
// configuration script, automatic detection), the proxy server, the bypass list, the
// configuration script's address and the automatic detection flags.
struct TConnectionOptions {
    uint32_t Flags = 1; // direct
    std::string ProxyServer, ProxyBypass, AutoConfigUrl;
    uint32_t AutoDiscoveryFlags = 0;
    bool operator==(const TConnectionOptions&) const = default;
};

// The live per-connection settings of the default connection.
class IInternetSettings {
public:
    virtual ~IInternetSettings() = default;
    // Flags (proxy or direct), bypass list and server, in that order; true when accepted.
    virtual bool ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                         const std::string& aServer) = 0;
    // The current options; nullopt when the system does not answer.
    virtual std::optional<TConnectionOptions> QueryConnectionOptions() = 0;
    // All of them in one list; true when accepted.
    virtual bool ApplyConnectionOptions(const TConnectionOptions& options) = 0;
    // Tells running programs that the settings changed and makes them re-read them.
    virtual void NotifySettingsChanged() = 0;
};

} // namespace maskaddr
