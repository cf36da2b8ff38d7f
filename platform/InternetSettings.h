// The system's live per-connection web settings (Internet Explorer and every program
// that follows the WinINet settings), as the system proxy switcher drives them.
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

} // namespace maskaddr
