// The journal of the user's own system web settings (see ProxyJournal.h). The file is
// "[ProxyJournal]" and one "Name=value" line per field; a missing Internet Settings value
// has no line. Values keep every character: "\" is written "\\", CR "\r" and LF "\n".
#include "browsers/ProxyJournal.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "proxy/ProxyRec.h"

#include <algorithm>
#include <cstdio>

namespace maskaddr {

namespace {

constexpr char kTag[] = "CLProxy";
constexpr char kHeader[] = "[ProxyJournal]";

std::string JournalPath(const TBrowserContext& c) {
    return UserJournalPath(c, "proxyjournal.dat");
}

} // namespace

std::string EscapeJournalValue(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '\\' ? "\\\\" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return out;
}

std::optional<std::string> UnescapeJournalValue(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::optional<uint32_t> ParseNumber(std::string_view text) {
    if (auto v = TryParseInt32(text)) return static_cast<uint32_t>(*v);
    return std::nullopt;
}

TUserProxySettings ReadInternetSettingsValues(IRegistry& reg) {
    TUserProxySettings s;
    s.ProxyEnable = reg.ReadDword(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyEnable");
    s.ProxyServer = reg.ReadString(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyServer");
    s.ProxyOverride = reg.ReadString(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyOverride");
    s.AutoConfigURL = reg.ReadString(TRegRoot::CurrentUser, kInternetSettingsKey, "AutoConfigURL");
    return s;
}

void WriteOrDelete(IRegistry& reg, const char* name, const std::optional<std::string>& value) {
    if (value)
        reg.WriteString(TRegRoot::CurrentUser, kInternetSettingsKey, name, *value);
    else
        reg.DeleteValue(TRegRoot::CurrentUser, kInternetSettingsKey, name);
}

} // namespace

std::string FormatProxyJournal(const TUserProxySettings& s) {
    std::string text = std::string(kHeader) + "\r\n";
    auto line = [&text](const char* name, const std::string& value) {
        text += std::string(name) + "=" + EscapeJournalValue(value) + "\r\n";
    };
    line("Flags", Hex(s.Options.Flags));
    line("ProxyServer", s.Options.ProxyServer);
    line("ProxyBypass", s.Options.ProxyBypass);
    line("AutoConfigUrl", s.Options.AutoConfigUrl);
    line("AutoDiscoveryFlags", Hex(s.Options.AutoDiscoveryFlags));
    if (s.ProxyEnable) line("Reg.ProxyEnable", Hex(*s.ProxyEnable));
    if (s.ProxyServer) line("Reg.ProxyServer", *s.ProxyServer);
    if (s.ProxyOverride) line("Reg.ProxyOverride", *s.ProxyOverride);
    if (s.AutoConfigURL) line("Reg.AutoConfigURL", *s.AutoConfigURL);
    return text;
}

std::optional<std::vector<TJournalField>> ReadJournalFields(std::string_view text, std::string_view header) {
    const std::vector<std::string_view> lines = LineViews(text);
    if (lines.empty() || lines[0] != header) return std::nullopt;
    std::vector<TJournalField> fields;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t eq = lines[i].find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        std::optional<std::string> value = UnescapeJournalValue(lines[i].substr(eq + 1));
        if (!value) return std::nullopt;
        fields.push_back({lines[i].substr(0, eq), std::move(*value)});
    }
    return fields;
}

// Every field but the stored values must be there, each once; nothing else may be.
std::optional<TUserProxySettings> ParseProxyJournal(std::string_view text) {
    const std::optional<std::vector<TJournalField>> fields = ReadJournalFields(text, kHeader);
    if (!fields) return std::nullopt;
    TUserProxySettings s;
    std::optional<uint32_t> flags, discovery;
    std::optional<std::string> server, bypass, script;
    for (const auto& [name, raw] : *fields) {
        const std::optional<std::string> value = raw;
        auto take = [&](auto& field, auto parsed) {
            if (field || !parsed) return false;
            field = std::move(parsed);
            return true;
        };
        bool ok = name == "Flags"                ? take(flags, ParseNumber(*value))
                  : name == "ProxyServer"        ? take(server, value)
                  : name == "ProxyBypass"        ? take(bypass, value)
                  : name == "AutoConfigUrl"      ? take(script, value)
                  : name == "AutoDiscoveryFlags" ? take(discovery, ParseNumber(*value))
                  : name == "Reg.ProxyEnable"    ? take(s.ProxyEnable, ParseNumber(*value))
                  : name == "Reg.ProxyServer"    ? take(s.ProxyServer, value)
                  : name == "Reg.ProxyOverride"  ? take(s.ProxyOverride, value)
                  : name == "Reg.AutoConfigURL"  ? take(s.AutoConfigURL, value)
                                                 : false;
        if (!ok) return std::nullopt;
    }
    if (!flags || !server || !bypass || !script || !discovery) return std::nullopt;
    s.Options = {*flags, *server, *bypass, *script, *discovery};
    return s;
}

// The per-user folder even when the settings live in the all-users one: a journal holds one
// account's settings and is applied to that account only, and no other account can put one
// there for it.
std::string UserJournalPath(const TBrowserContext& c, const std::string& name) {
    const std::string folder = c.Settings.UserDataPathCurrentUser();
    c.Facilities.Files->CreateFolders(folder);
    return ResolvePath(folder, name);
}

bool HasProxyJournal(const TBrowserContext& c) {
    return c.Facilities.Files->FileExists(JournalPath(c));
}

// Written before the first change, so that no crash can leave our proxy set without it.
// When the settings cannot be read or the journal cannot be written, the hide goes on
// (traced): its stop is then a direct connection, as without a journal.
void KeepUserProxySettings(const TBrowserContext& c) {
    if (HasProxyJournal(c)) return;
    IInternetSettings* inet = c.Facilities.InetSettings;
    std::optional<TConnectionOptions> options = inet ? inet->QueryConnectionOptions() : std::nullopt;
    if (!options) {
        DebugTrace::Trace(kTag, "The user's proxy settings cannot be read: none kept");
        return;
    }
    TUserProxySettings s = ReadInternetSettingsValues(*c.Facilities.Registry);
    s.Options = *options;
    const std::string error = c.Facilities.Files->WriteFileAtomic(JournalPath(c), FormatProxyJournal(s));
    DebugTrace::Trace(kTag, error.empty() ? "The user's proxy settings kept"
                                          : "The user's proxy settings could not be kept: " + error);
}

void DropProxyJournal(const TBrowserContext& c) {
    if (!HasProxyJournal(c)) return;
    c.Facilities.Files->RemoveFile(JournalPath(c));
    DebugTrace::Trace(kTag,
                      "The journal of the user's proxy settings dropped: the settings are the user's own");
}

TUserProxySettings ReadStoredProxySettings(const TBrowserContext& c) {
    return ReadInternetSettingsValues(*c.Facilities.Registry);
}

bool RestoreUserProxySettings(const TBrowserContext& c) {
    IFileSystem& files = *c.Facilities.Files;
    const std::string path = JournalPath(c);
    if (!files.FileExists(path)) return false;
    std::optional<std::string> text = files.ReadFile(path);
    std::optional<TUserProxySettings> s = text ? ParseProxyJournal(*text) : std::nullopt;
    if (!s) {
        DebugTrace::Trace(kTag, "The journal of the user's proxy settings cannot be read: " + path);
        files.RemoveFile(path);
        return false;
    }
    IInternetSettings* inet = c.Facilities.InetSettings;
    bool applied = inet != nullptr && inet->ApplyConnectionOptions(s->Options);
    // The stored values last: they are what older programs read, whatever the options did.
    IRegistry& reg = *c.Facilities.Registry;
    if (s->ProxyEnable)
        reg.WriteDword(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyEnable", *s->ProxyEnable);
    else
        reg.DeleteValue(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyEnable");
    WriteOrDelete(reg, "ProxyServer", s->ProxyServer);
    WriteOrDelete(reg, "ProxyOverride", s->ProxyOverride);
    WriteOrDelete(reg, "AutoConfigURL", s->AutoConfigURL);
    if (inet != nullptr) inet->NotifySettingsChanged();
    files.RemoveFile(path);
    DebugTrace::Trace(kTag, std::string("The user's proxy settings restored") +
                                (applied ? "" : " (options not accepted)"));
    return true;
}

namespace {

// The addresses a server text names: "address:port" or "scheme=address:port" parts between
// ";" or blanks, in lower case.
std::vector<std::string> NamedAddresses(const std::string& text) {
    std::vector<std::string> named;
    std::string part;
    for (char c : text + ";") {
        if (c == ';' || c == ' ') {
            const size_t eq = part.find('=');
            named.push_back(LowerAscii(eq == std::string::npos ? part : part.substr(eq + 1)));
            part.clear();
        } else {
            part += c;
        }
    }
    return named;
}

} // namespace

// The stored value is looked at first and the live options only when it names none of the
// pool's addresses: reading the options can be slow (Wine looks for a proxy script on the
// network at every reading), and with an empty pool there is nothing to look for.
bool SettingsNamePoolAddress(const TBrowserContext& c) {
    std::vector<std::string> pool;
    TCLSettings& settings = c.Settings;
    for (const char* list : {"NORMAL_IPS", "SUPER_IPS"})
        for (const std::string& entry : SplitProxyList(settings.GetSettingString(list))) {
            TProxyRec rec;
            if (ParseProxyEntry(entry, false, rec)) pool.push_back(LowerAscii(rec.IP + ":" + rec.Port));
        }
    auto namesPool = [&pool](const std::string& text) {
        for (const std::string& n : NamedAddresses(text))
            if (!n.empty() && std::find(pool.begin(), pool.end(), n) != pool.end()) return true;
        return false;
    };
    if (pool.empty()) return false;
    if (namesPool(ReadInternetSettingsValues(*c.Facilities.Registry).ProxyServer.value_or(""))) return true;
    IInternetSettings* inet = c.Facilities.InetSettings;
    std::optional<TConnectionOptions> options =
        inet != nullptr ? inet->QueryConnectionOptions() : std::nullopt;
    return options && namesPool(options->ProxyServer);
}

} // namespace maskaddr
