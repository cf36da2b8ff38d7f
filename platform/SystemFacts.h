// ISystemFacts: facts of the running system that the program reports to its maker's
// service or acts on: the Windows version, the system's and the user's language, the time since the
// system started, and the program's command-line arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace maskaddr {

// The version record as the system really is, whatever the program's manifest declares.
struct TOsVersion {
    uint32_t Major = 0, Minor = 0;
    std::string ServicePack; // "Service Pack 3", or empty
};

class ISystemFacts {
public:
    virtual ~ISystemFacts() = default;
    virtual TOsVersion OsVersion() = 0;
    // Windows Vista (6.0) running a 64-bit program.
    virtual bool IsWindowsVista64() = 0;
    // The language identifier of the system's default language (1033: English, United States).
    virtual uint16_t SystemDefaultLangID() = 0;
    // The language identifier of the user's interface language (the language the
    // system's own windows and menus speak to this user).
    virtual uint16_t UserDefaultUILanguage() = 0;
    // Milliseconds since the system started; wraps after about 49.7 days.
    virtual uint32_t TickCount() = 0;
    // The program's command-line arguments, without the program's own name.
    virtual std::vector<std::string> ProgramArguments() = 0;
};

} // namespace maskaddr
