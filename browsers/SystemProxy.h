// The system's own web settings (Internet Explorer and every program that follows
// the WinINet settings): pointed at a proxy "address:port", or back to a direct
// connection with the empty text.
#pragma once

#include <string>

namespace maskaddr {

// The live per-connection settings of the default connection.
class IInternetSettings {
public:
    virtual ~IInternetSettings() = default;
    // Flags (proxy or direct), bypass list and server, in that order; true when accepted.
    virtual bool ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                         const std::string& aServer) = 0;
    // Tells running programs that the settings changed and makes them re-read them.
    virtual void NotifySettingsChanged() = 0;
};

// Honours "SWITCH.IE" (disabled: every call clears); never reports a failure.
void SetSystemProxy(const std::string& aProxy);
void WriteIEProxyRegistry(const std::string& aProxy);

} // namespace maskaddr
