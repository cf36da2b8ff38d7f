// Small text helpers shared by the portable code: ASCII case folding, trimming,
// splitting into parts and lines, the integer parse that settings and language files use, UTF-8/UTF-16
// conversion and base64. Strings are UTF-8 everywhere inside the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

// Case-insensitive equality for names (setting names, section names, keys).
// Only ASCII letters are folded; other bytes must match exactly.
bool SameText(std::string_view a, std::string_view b);
std::string LowerAscii(std::string_view s);
std::string UpperAscii(std::string_view s);

// Removes blanks and control characters (every byte <= 0x20) from both ends.
std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);

// Every occurrence of `from` replaced by `to`; `from` may not be empty.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
// As ReplaceAll, but `from` is matched without regard to ASCII case. The result never
// grows past `limit` bytes: what would lie beyond is left out.
std::string ReplaceAllNoCase(std::string_view s, std::string_view from, std::string_view to,
                             size_t limit = std::string::npos);

std::vector<std::string> SplitText(std::string_view s, char separator);

// The lines of a text, split at CR LF, CR or LF; a final line break does not start
// another line, and an empty text has none. The views point into `text`.
std::vector<std::string_view> LineViews(std::string_view text);
std::vector<std::string> SplitLines(std::string_view text);
// Lines joined with CR LF (with SplitLines, the string-list text form).
std::string JoinLines(const std::vector<std::string>& lines);

// Every "{1}", "{2}", ... replaced by the first, second, ... argument, in that order over
// the text produced so far; case-sensitive; placeholders beyond the arguments stay.
std::string FormatBraces(std::string_view text, const std::vector<std::string>& args);

// The platform's 32-bit integer parse: optional leading blanks, optional sign, then
// decimal digits, or hexadecimal digits after "$" or "0x"/"0X". Nothing may follow.
// Decimal values must fit in 32 bits; hexadecimal values up to FFFFFFFF wrap.
std::optional<int32_t> TryParseInt32(std::string_view s);
inline int32_t ParseInt32Def(std::string_view s, int32_t def) {
    return TryParseInt32(s).value_or(def);
}

// UTF conversions. Invalid UTF-8 sequences become U+FFFD; unpaired surrogates likewise.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

// Base64 (RFC 4648, with "=" padding).
std::string Base64Encode(std::string_view bytes);
// The bytes of a padded base64 text; nullopt for any other character, a wrong length or
// wrong padding.
std::optional<std::string> Base64Decode(std::string_view text);

} // namespace maskaddr
