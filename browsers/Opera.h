// Opera follows the hiding through its preference file: the proxy keys of section "Proxy"
// in the first of its two preference files that exists. Only those keys' lines are edited;
// the user's own lines are kept in a journal from the first hide until the stop.
#pragma once

#include "browsers/BrowserContext.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

// The keys of section "Proxy" that the hiding sets, in the order they are added.
const std::vector<std::string>& OperaProxyKeys();

// ---- a line editor over the raw bytes of an INI file ----
// Lines end with CR LF or LF (each keeps its own); a byte-order mark and a missing final line
// break stay. Section names and keys are compared without regard to ASCII case, with blanks
// around the key allowed; the first section of the name and its first line of a key count.

// One key's line as it should read (without its line ending), or nullopt: no line of the key.
struct TIniLineEdit {
    std::string Key;
    std::optional<std::string> Line;
};

// The bytes with each edit applied to the section: a key's line replaced, removed, or added
// after the section's last line that is not blank (with the line ending of the section's
// header); a missing section is appended when a line is to be added. With aDropEmptySection,
// the header goes too when no line is left in the section. Every other byte stays.
std::string EditIniLines(std::string_view bytes, std::string_view section,
                         const std::vector<TIniLineEdit>& edits, bool aDropEmptySection = false);

// What the section holds of the keys: whether it exists, and each key's line (without its
// line ending) or nullopt, in the order of the keys.
struct TIniSectionLines {
    bool SectionExists = false;
    std::vector<std::optional<std::string>> Lines;
    bool operator==(const TIniSectionLines&) const = default;
};
TIniSectionLines ReadIniLines(std::string_view bytes, std::string_view section,
                              const std::vector<std::string>& keys);

// ---- the journal of the user's own proxy lines ----
// The seven keys' lines of section "Proxy" before the first hide, in OperaProxyKeys' order.
std::string FormatOperaJournal(const TIniSectionLines& lines);
// nullopt when the text is not a whole journal of lines of those keys.
std::optional<TIniSectionLines> ParseOperaJournal(std::string_view text);

// Honours "SWITCH.OPERA": switched off, the preference file is only written to put the
// user's lines back from a journal of ours (a proxy of ours never stays in Opera). Switched
// on, a hide keeps the user's lines in "operajournal.dat" before its first write, and a clear
// puts them back from it (without one nothing of ours is there: the file is not touched).
// Without a preference file nothing is written; a failure is traced and never interrupts
// the caller.
void SetOperaProxy(const TBrowserContext& c, const std::string& aProxy);

} // namespace maskaddr
