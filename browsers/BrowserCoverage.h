// Which of the user's browsers follow the system's proxy settings, and so the hiding: the
// browsers of the registry's client list ("Software\Clients\StartMenuInternet" under both
// roots) and those the program knows by their program name, Firefox once per profile. Read
// through the platform's registry and files, never written; every file is capped and any
// bytes give an answer.
#pragma once

#include "browsers/BrowserContext.h"

#include <string>
#include <vector>

namespace maskaddr {

// Where a browser takes its proxy from: the system's settings, or a setting of its own
// (no proxy, a manual proxy, a configuration script, automatic detection, or a value
// that means none of these).
enum class TProxyMode { System, None, Manual, Script, AutoDetect, Other };

enum class TCoverage {
    Hidden,     // follows the system settings, so the hiding
    NotHidden,  // uses its own setting (Mode), from a policy when ByPolicy
    Unknown,    // a browser whose settings the program does not read: follows the system
                // settings unless set otherwise
    Unreadable, // its settings are in a file that cannot be read (Unreadable names it)
};

struct TBrowserState {
    std::string Browser; // "Firefox", "Google Chrome", or the client list's name
    std::string Profile; // a Firefox profile's name; empty for a browser as a whole
    std::string ProfileFolder;
    TCoverage Coverage = TCoverage::Unknown;
    TProxyMode Mode = TProxyMode::System;
    bool ByPolicy = false;  // an administrator's policy decides (the program never changes one)
    std::string Unreadable; // the file that could not be read
    bool operator==(const TBrowserState&) const = default;
    // A Firefox profile that uses its own setting of its own choice: "Make it follow" applies.
    bool CanFollow() const { return Coverage == TCoverage::NotHidden && !ByPolicy && !ProfileFolder.empty(); }
};

// The caps on what is read of each file.
inline constexpr size_t kMaxProfilesIniBytes = 1 << 20, kMaxPrefsBytes = 16 << 20, kMaxPolicyBytes = 4 << 20;

// Every browser found, in the order: the client list's (the local machine's, then the user's),
// then the named ones that it lacks; each browser once.
std::vector<TBrowserState> FindBrowsers(const TBrowserContext& c);

} // namespace maskaddr
