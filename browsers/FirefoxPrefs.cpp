// Firefox's profile list and prefs files (see FirefoxPrefs.h). The prefs grammar is Firefox's:
//   pref-file = ( kind "(" string "," value ")" ";" )*     kind: user_pref pref sticky_pref lockPref
//   value     = string | true | false | [+-]? digits (a 32-bit integer, no letter after it)
// with "//", "#" and "/* */" comments and single- or double-quoted strings (escapes \" \' \\,
// \n \r \xNN \uNNNN), and on a syntax error the parser skips to the next ";".
#include "browsers/FirefoxPrefs.h"

#include "base/Text.h"
#include "browsers/LineFile.h"
#include "framework/settings/IniText.h"

#include <cctype>

namespace maskaddr {

namespace {

constexpr size_t kMaxProfiles = 256;

enum class TTokenKind { End, Char, Word, String, Int, Error };

struct TToken {
    TToken(TTokenKind kind = TTokenKind::End, char c = 0, std::string text = {}, uint32_t value = 0)
        : Kind(kind), Char(c), Text(std::move(text)), Int(value) {}
    TTokenKind Kind;
    char Char;
    std::string Text; // a word, or a string's value
    uint32_t Int;
    bool Is(char c) const { return Kind == TTokenKind::Char && Char == c; }
};

class TPrefsLexer {
public:
    explicit TPrefsLexer(std::string_view text) : FText(text.substr(0, text.find('\0'))) {}

    TToken Next() {
        while (FAt < FText.size()) {
            const char c = FText[FAt++];
            if (std::string_view("()+,-;").find(c) != std::string_view::npos) return {TTokenKind::Char, c};
            if (std::string_view(" \t\v\f\r\n").find(c) != std::string_view::npos) continue;
            if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return Word();
            if (c == '"' || c == '\'') return String(c);
            if (std::isdigit(static_cast<unsigned char>(c))) return Int();
            if (c == '#' || (c == '/' && Take('/'))) {
                SkipLine();
            } else if (c == '/' && Take('*')) {
                const size_t end = FText.find("*/", FAt);
                if (end == std::string_view::npos) return Error(FText.size());
                FAt = end + 2;
            } else {
                return {TTokenKind::Error};
            }
        }
        return {};
    }

private:
    bool Take(char c) {
        if (FAt >= FText.size() || FText[FAt] != c) return false;
        ++FAt;
        return true;
    }
    bool WordChar() const {
        return FAt < FText.size() && (std::isalpha(static_cast<unsigned char>(FText[FAt])) || FText[FAt] == '_');
    }
    void SkipLine() {
        while (FAt < FText.size() && FText[FAt] != '\n' && FText[FAt] != '\r')
            ++FAt;
    }
    TToken Error(size_t resumeAt) {
        FAt = resumeAt;
        return {TTokenKind::Error};
    }

    TToken Word() {
        const size_t start = FAt - 1;
        while (WordChar())
            ++FAt;
        return {TTokenKind::Word, 0, std::string(FText.substr(start, FAt - start))};
    }

    // Digits beyond 32 bits, or a letter right after them, make a malformed token.
    TToken Int() {
        uint64_t value = static_cast<uint64_t>(FText[FAt - 1] - '0');
        while (FAt < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FAt])))
            value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(FText[FAt++] - '0'), 1ull << 33);
        if (WordChar() || value > UINT32_MAX) {
            while (WordChar())
                ++FAt;
            return {TTokenKind::Error};
        }
        return {TTokenKind::Int, 0, {}, static_cast<uint32_t>(value)};
    }

    // The value's bytes; \xNN and \uNNNN are kept as their code unit's low byte for names
    // outside ASCII, which no preference of ours has.
    TToken String(char quote) {
        TToken t{TTokenKind::String};
        while (FAt < FText.size()) {
            const char c = FText[FAt++];
            if (c == quote) return t;
            if (c != '\\') {
                t.Text += c;
                continue;
            }
            if (FAt >= FText.size()) break;
            const char e = FText[FAt++];
            if (e == '"' || e == '\'' || e == '\\') {
                t.Text += e;
            } else if (e == 'n' || e == 'r') {
                t.Text += e == 'n' ? '\n' : '\r';
            } else if (e == 'x' || e == 'u') {
                const std::optional<unsigned> code = Hex(e == 'x' ? 2 : 4);
                if (!code || *code == 0) return Error(End(quote));
                t.Text += static_cast<char>(*code & 0xFF);
            } else {
                return Error(End(quote));
            }
        }
        return Error(FText.size());
    }
    std::optional<unsigned> Hex(int digits) {
        unsigned value = 0;
        for (int i = 0; i < digits; ++i, ++FAt) {
            if (FAt >= FText.size() || !std::isxdigit(static_cast<unsigned char>(FText[FAt]))) return std::nullopt;
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(FText[FAt])));
            value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
        return value;
    }
    // Where a malformed string ends: after its closing quote (an escaped one does not close).
    size_t End(char quote) const {
        for (size_t i = FAt; i < FText.size(); ++i)
            if (FText[i] == '\\')
                ++i;
            else if (FText[i] == quote)
                return i + 1;
        return FText.size();
    }

    std::string_view FText;
    size_t FAt = 0;
};

// One statement of a prefs file: its specifier, name and, for an integer, the value.
struct TStatement {
    std::string Kind, Name;
    std::optional<int32_t> Int;
};

class TPrefsParser {
public:
    explicit TPrefsParser(std::string_view text) : FLexer(text), FToken(FLexer.Next()) {}

    // The next well-formed statement; nullopt at the end of the file.
    std::optional<TStatement> Next() {
        while (FToken.Kind != TTokenKind::End) {
            if (std::optional<TStatement> s = Statement()) return s;
            Recover();
        }
        return std::nullopt;
    }

private:
    std::optional<TStatement> Statement() {
        TStatement s;
        s.Kind = FToken.Text;
        if (FToken.Kind != TTokenKind::Word ||
            (s.Kind != "user_pref" && s.Kind != "pref" && s.Kind != "sticky_pref" && s.Kind != "lockPref"))
            return std::nullopt;
        if (!Advance().Is('(') || Advance().Kind != TTokenKind::String) return std::nullopt;
        s.Name = FToken.Text;
        if (!Advance().Is(',') || !Value(s)) return std::nullopt;
        if (!Advance().Is(')') || !Advance().Is(';')) return std::nullopt;
        Advance();
        return s;
    }

    bool Value(TStatement& s) {
        const TToken& t = Advance();
        if (t.Kind == TTokenKind::String || (t.Kind == TTokenKind::Word && (t.Text == "true" || t.Text == "false")))
            return true;
        const bool negative = t.Is('-');
        if ((negative || t.Is('+')) && Advance().Kind != TTokenKind::Int) return false;
        if (FToken.Kind != TTokenKind::Int) return false;
        const int64_t value = negative ? -static_cast<int64_t>(FToken.Int) : FToken.Int;
        if (value < INT32_MIN || value > INT32_MAX) return false;
        s.Int = static_cast<int32_t>(value);
        return true;
    }

    const TToken& Advance() { return FToken = FLexer.Next(); }

    // Skips past the next ";" (Firefox's recovery from a syntax error).
    void Recover() {
        while (FToken.Kind != TTokenKind::End && !FToken.Is(';'))
            Advance();
        if (FToken.Kind != TTokenKind::End) Advance();
    }

    TPrefsLexer FLexer;
    TToken FToken;
};

// A path that Windows takes as absolute: "X:\..." or "\\server\...".
bool IsAbsoluteWindowsPath(const std::string& path) {
    return (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
            path[2] == '\\') ||
           path.rfind("\\\\", 0) == 0;
}

} // namespace

std::optional<std::vector<TFirefoxProfile>> ReadFirefoxProfiles(std::string_view bytes,
                                                               const std::string& iniFolder) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    TIniText ini;
    ini.ParseText(bytes);
    std::vector<TFirefoxProfile> profiles;
    for (size_t i = 0; i < kMaxProfiles; ++i) {
        const std::string section = "Profile" + std::to_string(i);
        const std::optional<std::string> relative = ini.ReadValue(section, "IsRelative");
        if (!relative) break;
        const std::optional<std::string> name = ini.ReadValue(section, "Name"),
                                         path = ini.ReadValue(section, "Path");
        if (!name || !path || path->empty()) continue;
        std::string folder = ReplaceAll(*path, "/", "\\");
        if (*relative == "1")
            folder = iniFolder + "\\" + folder;
        else if (!IsAbsoluteWindowsPath(folder))
            continue;
        while (folder.size() > 3 && folder.back() == '\\')
            folder.pop_back();
        profiles.push_back({*name, folder});
    }
    if (profiles.empty()) return std::nullopt;
    return profiles;
}

void ReadIntPref(std::string_view text, std::string_view name, TIntPref& pref) {
    TPrefsParser parser(text);
    while (const std::optional<TStatement> s = parser.Next()) {
        if (s->Name != name || !s->Int) continue;
        if (s->Kind == "user_pref") {
            pref.User = s->Int;
        } else {
            pref.Default = s->Int;
            pref.Locked = pref.Locked || s->Kind == "lockPref";
        }
    }
}

std::string AddPrefsLine(std::string_view bytes, const std::string& line) {
    TLineFile file = SplitLineFile(bytes);
    InsertLine(file.Lines, file.Lines.size(), line, FileEnding(file));
    return JoinLineFile(file);
}

std::optional<std::string> RemovePrefsLine(std::string_view bytes, const std::string& line) {
    TLineFile file = SplitLineFile(bytes);
    for (size_t i = file.Lines.size(); i-- > 0;)
        if (file.Lines[i].Text == line) {
            RemoveLine(file.Lines, i);
            return JoinLineFile(file);
        }
    return std::nullopt;
}

} // namespace maskaddr
