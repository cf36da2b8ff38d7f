// The user's own system web settings, kept in a journal file in the user data folder
// from before the first hide until the stop that puts them back: a stop, an exit, or the
// start after a crash returns them instead of a direct connection.
#pragma once

#include "browsers/BrowserContext.h"

#include "platform/InternetSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

// Where the stored Internet Settings values live, under the current user's root.
inline constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The per-connection options and the stored Internet Settings values, each value
// recorded as present or missing.
struct TUserProxySettings {
    TConnectionOptions Options;
    std::optional<uint32_t> ProxyEnable;
    std::optional<std::string> ProxyServer, ProxyOverride, AutoConfigURL;
    bool operator==(const TUserProxySettings&) const = default;
};

// A journal value on one line with every character kept: "\" is written "\\", CR "\r" and
// LF "\n". Unescaping gives nullopt for any other "\" sequence.
std::string EscapeJournalValue(std::string_view text);
std::optional<std::string> UnescapeJournalValue(std::string_view text);
// A journal's "Name=value" lines after its header line, values unescaped; nullopt when the
// header differs or a line is not of that form.
struct TJournalField {
    std::string_view Name;
    std::string Value;
};
std::optional<std::vector<TJournalField>> ReadJournalFields(std::string_view text, std::string_view header);

// A journal file of the current account (its per-user data folder, created when missing).
std::string UserJournalPath(const TBrowserContext& c, const std::string& name);

std::string FormatProxyJournal(const TUserProxySettings& settings);
// nullopt when the text is not a whole journal.
std::optional<TUserProxySettings> ParseProxyJournal(std::string_view text);

// Records the current settings, unless a journal exists already (a hide while hiding
// keeps the settings from before the first one).
void KeepUserProxySettings(const TBrowserContext& c);
// True when a journal exists (even one that cannot be read).
bool HasProxyJournal(const TBrowserContext& c);
// Removes the journal without applying it: the settings now are the user's own (another
// program changed them while we were hiding).
void DropProxyJournal(const TBrowserContext& c);
// The stored Internet Settings values alone (cheap registry reads; Options left default):
// what tells a change by another program.
TUserProxySettings ReadStoredProxySettings(const TBrowserContext& c);
// Puts the journal's settings back and removes it. False when there is none, or when it
// cannot be read (traced and removed): the caller then sets a direct connection.
bool RestoreUserProxySettings(const TBrowserContext& c);
// Whether the current settings name an address of the pool lists ("NORMAL_IPS",
// "SUPER_IPS"): what a hide of ours leaves behind.
bool SettingsNamePoolAddress(const TBrowserContext& c);

} // namespace maskaddr
