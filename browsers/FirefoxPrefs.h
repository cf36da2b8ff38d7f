// What Firefox's own files say, read as Firefox reads them: the profiles that profiles.ini
// lists, and the value that a profile's prefs.js and user.js give an integer preference.
// Both files are outside input: any bytes give an answer, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

struct TFirefoxProfile {
    std::string Name;
    std::string Folder; // a Windows path, without trailing "\"
    bool operator==(const TFirefoxProfile&) const = default;
};

// The profiles of profiles.ini (its bytes; iniFolder: the folder it lies in): the sections
// Profile0, Profile1, ... up to the first without "IsRelative", each with "Name" and "Path"
// (one without either, or with an absolute path that is no Windows path, is skipped).
// Relative paths ("Profiles/abc.default") lie under iniFolder. nullopt when none is listed.
std::optional<std::vector<TFirefoxProfile>> ReadFirefoxProfiles(std::string_view bytes,
                                                               const std::string& iniFolder);

// One integer preference across the files of a profile, read in Firefox's order (prefs.js,
// then user.js): the last user_pref gives the user's value, the last pref or sticky_pref the
// default, and lockPref the default that no user value can change. Values of another type are
// ignored, as Firefox ignores them.
struct TIntPref {
    std::optional<int32_t> User, Default;
    bool Locked = false;
    // What Firefox uses; nullopt: its built-in default.
    std::optional<int32_t> Effective() const { return Locked || !User ? Default : User; }
};
// Applies a prefs file's statements of the named preference. A statement with a syntax error
// is skipped up to the next ";", as Firefox skips it; a NUL byte ends the file.
void ReadIntPref(std::string_view text, std::string_view name, TIntPref& pref);

// The user.js line that makes a profile follow the system's proxy settings.
inline constexpr char kFollowSystemLine[] = "user_pref(\"network.proxy.type\", 5);";
// The bytes with the line added after their last line (in the file's own line ending), and
// without it again: the last line that is exactly it goes, and every other byte stays.
// nullopt from the removal when no such line is there.
std::string AddPrefsLine(std::string_view bytes, const std::string& line);
std::optional<std::string> RemovePrefsLine(std::string_view bytes, const std::string& line);

} // namespace maskaddr
