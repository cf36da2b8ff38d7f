// Opera switching (see Opera.h): the line editor, the journal's text and the switcher. The
// journal is "[OperaJournal]", "Section=1" (or 0 when the file had no section "Proxy") and one
// "Key=line" per key line the user had; lines are escaped as the system proxy's journal does.
#include "browsers/Opera.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "browsers/LineFile.h"
#include "browsers/ProxyJournal.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

#include <algorithm>

namespace maskaddr {

namespace {

constexpr char kTag[] = "CLOpera";
constexpr char kSection[] = "Proxy";
constexpr char kJournalHeader[] = "[OperaJournal]";

// ---- the line editor ----

// The name of a section header line ("[name]", blanks allowed around both), or nullopt.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimView(line);
    const size_t close = line.find(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) return std::nullopt;
    return TrimView(line.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view key) {
    const size_t eq = line.find('=');
    return eq != std::string_view::npos && SameText(TrimView(line.substr(0, eq)), key);
}

// The first section of the name: its header's index, and the index after its last line.
struct TSpan {
    size_t Header, End;
};

std::optional<TSpan> FindSection(const std::vector<TLine>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string_view> name = SectionName(lines[i].Text);
        if (!name || !SameText(*name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end].Text))
            ++end;
        return TSpan{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<TLine>& lines, TSpan span, std::string_view key) {
    for (size_t i = span.Header + 1; i < span.End; ++i)
        if (IsKeyLine(lines[i].Text, key)) return i;
    return std::nullopt;
}

// ---- the switcher ----

std::string JournalPath(const TBrowserContext& c) {
    return UserJournalPath(c, "operajournal.dat");
}

// The first of Opera's preference files that exists, or empty.
std::string PreferenceFile(IRegistry& registry, IFileSystem& files) {
    const std::string appData = ReadShellFolder(registry, "AppData");
    for (const char* name : {"\\Opera\\Opera\\profile\\opera6.ini", "\\Opera\\Opera\\operaprefs.ini"})
        if (files.FileExists(appData + name)) return appData + name;
    return {};
}

// A proxy from a list that came over the network: nothing in it may start a line of its own.
bool SafeInLine(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// The key's line with the value: the user's own spelling of the key and of the blanks around
// "=" stays.
std::string LineWithValue(const std::optional<std::string>& current, const std::string& key,
                          const std::string& value) {
    if (!current) return key + "=" + value;
    size_t end = current->find('=') + 1;
    while (end < current->size() && ((*current)[end] == ' ' || (*current)[end] == '\t'))
        ++end;
    return current->substr(0, end) + value;
}

// Writes the bytes unless the file holds them already; true when it holds them afterwards.
bool WriteIfChanged(IFileSystem& files, const std::string& path, const std::string& before,
                    const std::string& after) {
    if (after == before) return true;
    const std::string error = files.WriteFileAtomic(path, after);
    if (!error.empty()) DebugTrace::Trace(kTag, "Writing " + path + " failed: " + error);
    return error.empty();
}

// Puts the journal's lines back into the preference file and removes the journal once they
// are there (a file that cannot be read or written keeps it for the next clear). False when
// the journal cannot be read: traced and removed, and the caller clears as without one.
bool RestoreUserLines(const TBrowserContext& c, IFileSystem& files, const std::string& path) {
    const std::string journal = JournalPath(c);
    const std::optional<std::string> text = files.ReadFile(journal);
    const std::optional<TIniSectionLines> user = text ? ParseOperaJournal(*text) : std::nullopt;
    if (!user) {
        DebugTrace::Trace(kTag, "The journal of the user's Opera proxy cannot be read: " + journal);
        files.RemoveFile(journal);
        return false;
    }
    if (path.empty()) {
        DebugTrace::Trace(kTag, "No Opera preference file for the journal of the user's proxy: removed");
        files.RemoveFile(journal);
        return true;
    }
    const std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) {
        DebugTrace::Trace(kTag, "Reading " + path + " failed");
        return true;
    }
    std::vector<TIniLineEdit> edits;
    for (size_t i = 0; i < OperaProxyKeys().size(); ++i)
        edits.push_back({OperaProxyKeys()[i], user->Lines[i]});
    if (!WriteIfChanged(files, path, *bytes, EditIniLines(*bytes, kSection, edits, !user->SectionExists)))
        return true;
    files.RemoveFile(journal);
    DebugTrace::Trace(kTag, "The user's Opera proxy restored");
    return true;
}

// Before the first write of a hide. False when the journal cannot be written: the hide then
// leaves Opera alone, since nothing could take its proxy out again once the switch is off.
bool KeepUserLines(const TBrowserContext& c, IFileSystem& files, const std::string& bytes) {
    const std::string error = files.WriteFileAtomic(
        JournalPath(c), FormatOperaJournal(ReadIniLines(bytes, kSection, OperaProxyKeys())));
    DebugTrace::Trace(kTag, error.empty()
                                ? "The user's Opera proxy kept"
                                : "The user's Opera proxy could not be kept, Opera is left alone: " + error);
    return error.empty();
}

} // namespace

const std::vector<std::string>& OperaProxyKeys() {
    static const std::vector<std::string> keys{"Use HTTP",     "Use HTTPS",  "Use FTP",         "HTTP server",
                                               "HTTPS server", "FTP server", "No Proxy Servers"};
    return keys;
}

std::string EditIniLines(std::string_view bytes, std::string_view section,
                         const std::vector<TIniLineEdit>& edits, bool aDropEmptySection) {
    TLineFile ini = SplitLineFile(bytes);
    std::vector<TLine>& lines = ini.Lines;
    for (const TIniLineEdit& edit : edits) {
        std::optional<TSpan> span = FindSection(lines, section);
        if (const std::optional<size_t> at = span ? FindKey(lines, *span, edit.Key) : std::nullopt) {
            if (edit.Line)
                lines[*at].Text = *edit.Line;
            else
                RemoveLine(lines, *at);
            continue;
        }
        if (!edit.Line) continue;
        if (!span) {
            InsertLine(lines, lines.size(), "[" + std::string(section) + "]", FileEnding(ini));
            span = TSpan{lines.size() - 1, lines.size()};
        }
        size_t after = span->Header;
        for (size_t i = span->Header + 1; i < span->End; ++i)
            if (!TrimView(lines[i].Text).empty()) after = i;
        const std::string& headerEnding = lines[span->Header].Ending;
        InsertLine(lines, after + 1, *edit.Line, headerEnding.empty() ? FileEnding(ini) : headerEnding);
    }
    if (aDropEmptySection)
        if (const std::optional<TSpan> span = FindSection(lines, section);
            span && span->End == span->Header + 1)
            RemoveLine(lines, span->Header);
    return JoinLineFile(ini);
}

TIniSectionLines ReadIniLines(std::string_view bytes, std::string_view section,
                              const std::vector<std::string>& keys) {
    const TLineFile ini = SplitLineFile(bytes);
    const std::optional<TSpan> span = FindSection(ini.Lines, section);
    TIniSectionLines result{span.has_value(), {}};
    for (const std::string& key : keys) {
        const std::optional<size_t> at = span ? FindKey(ini.Lines, *span, key) : std::nullopt;
        result.Lines.push_back(at ? std::optional<std::string>(ini.Lines[*at].Text) : std::nullopt);
    }
    return result;
}

std::string FormatOperaJournal(const TIniSectionLines& lines) {
    std::string text =
        std::string(kJournalHeader) + "\r\nSection=" + (lines.SectionExists ? "1" : "0") + "\r\n";
    for (size_t i = 0; i < OperaProxyKeys().size() && i < lines.Lines.size(); ++i)
        if (lines.Lines[i]) text += OperaProxyKeys()[i] + "=" + EscapeJournalValue(*lines.Lines[i]) + "\r\n";
    return text;
}

// Each line must be one line of its own key, each key at most once; a file without the
// section had none of them.
std::optional<TIniSectionLines> ParseOperaJournal(std::string_view text) {
    const std::optional<std::vector<TJournalField>> fields = ReadJournalFields(text, kJournalHeader);
    if (!fields) return std::nullopt;
    const std::vector<std::string>& keys = OperaProxyKeys();
    TIniSectionLines result{false, std::vector<std::optional<std::string>>(keys.size())};
    std::optional<bool> section;
    for (const auto& [name, raw] : *fields) {
        std::optional<std::string> value = raw;
        if (name == "Section") {
            if (section || (*value != "0" && *value != "1")) return std::nullopt;
            section = *value == "1";
            continue;
        }
        const auto key = std::find(keys.begin(), keys.end(), name);
        if (key == keys.end()) return std::nullopt;
        std::optional<std::string>& line = result.Lines[static_cast<size_t>(key - keys.begin())];
        if (line || value->find('\n') != std::string::npos || !IsKeyLine(*value, name)) return std::nullopt;
        line = std::move(value);
    }
    if (!section) return std::nullopt;
    result.SectionExists = *section;
    if (!result.SectionExists &&
        std::any_of(result.Lines.begin(), result.Lines.end(), [](auto& l) { return l; }))
        return std::nullopt;
    return result;
}

void SetOperaProxy(const TBrowserContext& c, const std::string& aProxy) {
    IFileSystem& files = *c.Facilities.Files;
    const bool on = c.Settings.GetSettingBool("SWITCH.OPERA");
    std::string proxy = on ? aProxy : std::string();
    if (!SafeInLine(proxy)) {
        DebugTrace::Trace(kTag, "Proxy refused for the preference file: " + EscapeJournalValue(proxy));
        proxy.clear();
    }
    // Switched off, the file is not touched unless a hide of ours left its proxy there.
    const bool journal = files.FileExists(JournalPath(c));
    if (!on && !journal) return;
    // Nor is a clear without a journal: nothing of ours is there, and the proxy the user set
    // in Opera stays the user's.
    if (proxy.empty() && !journal) return;
    const std::string path = PreferenceFile(*c.Facilities.Registry, files);
    if (proxy.empty() && journal && RestoreUserLines(c, files, path)) return;
    if (!on || path.empty()) return;

    // A file that cannot be read is left alone: writing it would lose the user's preferences.
    const std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) {
        DebugTrace::Trace(kTag, "Reading " + path + " failed");
        return;
    }
    if (!proxy.empty() && !journal && !KeepUserLines(c, files, *bytes)) return;
    const std::vector<std::string>& keys = OperaProxyKeys();
    const TIniSectionLines current = ReadIniLines(*bytes, kSection, keys);
    const std::string use = proxy.empty() ? "0" : "1";
    const std::string values[] = {use, use, use, proxy, proxy, proxy, ""}; // in the keys' order
    std::vector<TIniLineEdit> edits;
    for (size_t i = 0; i < keys.size(); ++i)
        edits.push_back({keys[i], LineWithValue(current.Lines[i], keys[i], values[i])});
    WriteIfChanged(files, path, *bytes, EditIniLines(*bytes, kSection, edits));
}

} // namespace maskaddr
