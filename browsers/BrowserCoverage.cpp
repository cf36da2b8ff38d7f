// Which browsers follow the system settings (see BrowserCoverage.h). Firefox decides per
// profile: a locked Proxy policy over everything, then the user's value of
// network.proxy.type (prefs.js, then user.js), then the policy's mode as a default, then 5
// (the system's settings). The Chromium family follows the system settings unless its
// policies set a mode (the machine's over the user's; "ProxySettings" over the single
// values of the same root; a policy that Chromium would refuse as invalid sets nothing) or
// the command line it is registered with carries a proxy switch.
#include "browsers/BrowserCoverage.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "browsers/Firefox.h"
#include "browsers/FirefoxPrefs.h"
#include "browsers/JsonText.h"
#include "platform/Platform.h"

#include <algorithm>

namespace maskaddr {

namespace {

constexpr char kTag[] = "CLBrowsers";
constexpr char kClients[] = "Software\\Clients\\StartMenuInternet";
constexpr char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kFirefoxPolicy[] = "Software\\Policies\\Mozilla\\Firefox\\Proxy";
constexpr TRegRoot kRoots[] = {TRegRoot::LocalMachine, TRegRoot::CurrentUser};

enum class TFamily { Firefox, Chromium, System, Other };

struct TKnownBrowser {
    const char* Name;
    const char* Word;      // a word of the client list's name that names it, in lower case
    const char* Exe;       // its program file, in lower case
    const char* PolicyKey; // the Chromium family's policies; nullptr where unknown
    TFamily Family;
};

// "Chromium" before "Google Chrome": both run chrome.exe, only the name tells them apart.
constexpr TKnownBrowser kKnown[] = {
    {"Firefox", "firefox", "firefox.exe", nullptr, TFamily::Firefox},
    {"Chromium", "chromium", nullptr, "Software\\Policies\\Chromium", TFamily::Chromium},
    {"Google Chrome", "chrome", "chrome.exe", "Software\\Policies\\Google\\Chrome", TFamily::Chromium},
    {"Microsoft Edge", "edge", "msedge.exe", "Software\\Policies\\Microsoft\\Edge", TFamily::Chromium},
    {"Brave", "brave", "brave.exe", "Software\\Policies\\BraveSoftware\\Brave", TFamily::Chromium},
    {"Opera", "opera", "opera.exe", nullptr, TFamily::Other},
    {"Vivaldi", "vivaldi", "vivaldi.exe", nullptr, TFamily::Other},
    {"Internet Explorer", "internet explorer", "iexplore.exe", nullptr, TFamily::System},
};
constexpr const TKnownBrowser& kFirefox = kKnown[0];

// A browser as found: its entry in the table (or none), its name and its program.
struct TFound {
    const TKnownBrowser* Known = nullptr;
    std::string Name, Command;
};

// The program file of a registered command line: the quoted part, else up to ".exe".
std::string ProgramOf(const std::string& command) {
    const std::string text = Trim(command);
    if (!text.empty() && text[0] == '"') return text.substr(1, text.find('"', 1) - 1);
    const size_t exe = LowerAscii(text).find(".exe");
    return exe == std::string::npos ? text.substr(0, text.find(' ')) : text.substr(0, exe + 4);
}

std::string FileNameOf(const std::string& path) {
    return LowerAscii(path.substr(path.find_last_of("\\/") + 1));
}

const TKnownBrowser* Identify(const std::string& name, const std::string& command) {
    const std::string lower = LowerAscii(name), exe = FileNameOf(ProgramOf(command));
    for (const TKnownBrowser& k : kKnown)
        if (lower.find(k.Word) != std::string::npos) return &k;
    for (const TKnownBrowser& k : kKnown)
        if (k.Exe != nullptr && exe == k.Exe) return &k;
    return nullptr;
}

TBrowserState State(std::string browser, TCoverage coverage, std::string profile = {}, std::string folder = {}) {
    TBrowserState s;
    s.Browser = std::move(browser);
    s.Coverage = coverage;
    s.Profile = std::move(profile);
    s.ProfileFolder = std::move(folder);
    return s;
}

void Add(std::vector<TFound>& found, TFound browser) {
    if (browser.Known != nullptr) browser.Name = browser.Known->Name;
    for (const TFound& f : found)
        if (SameText(f.Name, browser.Name)) return;
    found.push_back(std::move(browser));
}

// The client list's browsers, then the named ones that App Paths (or, for Firefox, the
// program's own search) knows.
std::vector<TFound> InstalledBrowsers(const TBrowserContext& c, IRegistry& reg) {
    std::vector<TFound> found;
    for (TRegRoot root : kRoots)
        for (const std::string& sub : reg.SubKeys(root, kClients)) {
            const std::string key = std::string(kClients) + "\\" + sub;
            const std::string name = reg.ReadString(root, key, "").value_or(sub);
            const std::string command = reg.ReadString(root, key + "\\shell\\open\\command", "").value_or("");
            Add(found, {Identify(name, command), name, command});
        }
    for (const TKnownBrowser& k : kKnown) {
        if (k.Exe == nullptr || k.Family == TFamily::System) continue;
        for (TRegRoot root : kRoots)
            if (std::optional<std::string> path = reg.ReadString(root, kAppPaths + std::string(k.Exe), ""))
                Add(found, {&k, k.Name, "\"" + *path + "\""});
    }
    if (const std::string firefox = FindFirefoxPath(c); !firefox.empty())
        Add(found, {&kFirefox, kFirefox.Name, "\"" + firefox + "\""});
    return found;
}

// ---- the Chromium family ----

void SetMode(TBrowserState& s, TProxyMode mode, bool byPolicy) {
    s.Mode = mode;
    s.ByPolicy = byPolicy;
    s.Coverage = mode == TProxyMode::System ? TCoverage::Hidden : TCoverage::NotHidden;
}

// One root's proxy policies, as Chromium reads them (an empty text counts as missing).
struct TChromiumPolicy {
    std::optional<std::string> Mode, Server, Pac, Bypass;
    std::optional<int32_t> ServerMode;
    bool Malformed = false; // a value of the wrong type: the policy is refused
    bool Any() const { return Mode || Server || Pac || Bypass || ServerMode || Malformed; }
};

std::optional<std::string> NonEmpty(std::optional<std::string> text) {
    return text && !text->empty() ? text : std::nullopt;
}

TChromiumPolicy FromJson(const TJsonValue& settings) {
    TChromiumPolicy p;
    auto text = [&](const char* name) {
        const TJsonValue* v = settings.Member(name);
        if (v != nullptr && v->Kind != TJsonValue::TKind::String && v->Kind != TJsonValue::TKind::Null)
            p.Malformed = true;
        return NonEmpty(settings.StringMember(name));
    };
    p.Mode = text("ProxyMode");
    p.Server = text("ProxyServer");
    p.Pac = text("ProxyPacUrl");
    p.Bypass = text("ProxyBypassList");
    if (const TJsonValue* v = settings.Member("ProxyServerMode"); v != nullptr) {
        if (v->Kind == TJsonValue::TKind::Number && v->Number == static_cast<int32_t>(v->Number))
            p.ServerMode = static_cast<int32_t>(v->Number);
        else
            p.Malformed = true;
    }
    return p;
}

// The root's "ProxySettings" (a JSON object) when it has one, else its single values.
TChromiumPolicy ReadChromiumPolicy(IRegistry& reg, TRegRoot root, const std::string& key) {
    if (std::optional<std::string> json = reg.ReadString(root, key, "ProxySettings"); json && !json->empty()) {
        std::optional<TJsonValue> settings =
            json->size() <= kMaxPolicyBytes ? ParseJson(*json) : std::optional<TJsonValue>();
        if (settings && settings->Kind == TJsonValue::TKind::Object) return FromJson(*settings);
    }
    TChromiumPolicy p;
    p.Mode = NonEmpty(reg.ReadString(root, key, "ProxyMode"));
    p.Server = NonEmpty(reg.ReadString(root, key, "ProxyServer"));
    p.Pac = NonEmpty(reg.ReadString(root, key, "ProxyPacUrl"));
    p.Bypass = NonEmpty(reg.ReadString(root, key, "ProxyBypassList"));
    if (std::optional<uint32_t> mode = reg.ReadDword(root, key, "ProxyServerMode")) {
        p.ServerMode = static_cast<int32_t>(*mode);
    } else if (std::optional<std::string> text = reg.ReadString(root, key, "ProxyServerMode")) {
        p.ServerMode = TryParseInt32(*text);
        p.Malformed = !p.ServerMode;
    }
    return p;
}

// The mode a policy sets; nullopt when it sets none or Chromium would refuse it (the system's
// settings then stay in force).
std::optional<TProxyMode> ChromiumPolicyMode(const TChromiumPolicy& p) {
    if (p.Malformed || (!p.Mode && !p.ServerMode)) return std::nullopt;
    if (!p.Mode) {
        switch (*p.ServerMode) {
        case 0: return TProxyMode::None;
        case 1: return TProxyMode::AutoDetect;
        case 2:
            if (!p.Server == !p.Pac) return std::nullopt;
            return p.Pac ? TProxyMode::Script : TProxyMode::Manual;
        case 3: return TProxyMode::System;
        default: return std::nullopt;
        }
    }
    // Each mode with the values it allows (server, script, bypass list) and needs.
    const bool onlyMode = !p.Server && !p.Pac && !p.Bypass;
    if (*p.Mode == "direct" && onlyMode) return TProxyMode::None;
    if (*p.Mode == "auto_detect" && onlyMode) return TProxyMode::AutoDetect;
    if (*p.Mode == "system" && onlyMode) return TProxyMode::System;
    if (*p.Mode == "pac_script" && p.Pac && !p.Server && !p.Bypass) return TProxyMode::Script;
    if (*p.Mode == "fixed_servers" && p.Server && !p.Pac) return TProxyMode::Manual;
    return std::nullopt;
}

// The proxy switches of a command line, in the order Chromium weighs them.
std::optional<TProxyMode> SwitchMode(const std::string& command) {
    const std::string lower = LowerAscii(command);
    if (lower.find("--no-proxy-server") != std::string::npos) return TProxyMode::None;
    if (lower.find("--proxy-server") != std::string::npos) return TProxyMode::Manual;
    if (lower.find("--proxy-auto-detect") != std::string::npos) return TProxyMode::AutoDetect;
    if (lower.find("--proxy-pac-url") != std::string::npos) return TProxyMode::Script;
    return std::nullopt;
}

TBrowserState ChromiumState(IRegistry& reg, const TFound& browser) {
    TBrowserState s = State(browser.Name, TCoverage::Hidden);
    for (TRegRoot root : kRoots) {
        const TChromiumPolicy policy = ReadChromiumPolicy(reg, root, browser.Known->PolicyKey);
        if (!policy.Any()) continue;
        const std::optional<TProxyMode> mode = ChromiumPolicyMode(policy);
        if (!mode) break; // refused as a whole: nothing of the lower root counts either
        SetMode(s, *mode, true);
        return s;
    }
    if (const std::optional<TProxyMode> own = SwitchMode(browser.Command)) SetMode(s, *own, false);
    return s;
}

// ---- Firefox ----

TProxyMode ModeOfType(int32_t type) {
    switch (type) {
    case 0:
    case 3: // the old "direct" of Netscape 4, which Firefox reads as 0
        return TProxyMode::None;
    case 1: return TProxyMode::Manual;
    case 2: return TProxyMode::Script;
    case 4: return TProxyMode::AutoDetect;
    case 5: return TProxyMode::System;
    default: return TProxyMode::Other;
    }
}

// Firefox's Proxy policy. Mode names that Firefox's schema refuses set nothing.
struct TFirefoxPolicy {
    std::optional<TProxyMode> Mode;
    bool Locked = false;
    std::string Unreadable; // a policies.json that could not be read
};

std::optional<TProxyMode> ModeOfPolicy(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    const std::pair<const char*, TProxyMode> names[] = {
        {"none", TProxyMode::None},           {"system", TProxyMode::System},
        {"manual", TProxyMode::Manual},       {"autoDetect", TProxyMode::AutoDetect},
        {"autoConfig", TProxyMode::Script}};
    for (const auto& [n, mode] : names)
        if (*name == n) return mode;
    return std::nullopt;
}

// The registry's policy (the machine's values over the user's) replaces policies.json's
// whole, as Firefox combines its two sources; policies.json lies in "distribution" beside
// firefox.exe.
TFirefoxPolicy ReadFirefoxPolicy(IRegistry& reg, IFileSystem& files, const std::vector<std::string>& programs) {
    TFirefoxPolicy p;
    std::optional<std::string> mode;
    std::optional<uint32_t> locked;
    bool any = false;
    for (TRegRoot root : {TRegRoot::CurrentUser, TRegRoot::LocalMachine}) {
        if (!reg.KeyExists(root, kFirefoxPolicy)) continue;
        any = true;
        if (auto m = reg.ReadString(root, kFirefoxPolicy, "Mode")) mode = m;
        if (auto l = reg.ReadDword(root, kFirefoxPolicy, "Locked")) locked = l;
    }
    if (any) return {ModeOfPolicy(mode), locked.value_or(0) != 0, {}};
    for (const std::string& program : programs) {
        const std::string path = program.substr(0, program.find_last_of('\\') + 1) + "distribution\\policies.json";
        if (!files.FileExists(path)) continue;
        const std::optional<std::string> bytes = files.ReadFileUpTo(path, kMaxPolicyBytes);
        if (!bytes) return {std::nullopt, false, path};
        // A file that is not JSON turns Firefox's policies off altogether.
        const std::optional<TJsonValue> json = ParseJson(*bytes);
        const TJsonValue* policies = json ? json->Member("policies") : nullptr;
        const TJsonValue* proxy = policies ? policies->Member("Proxy") : nullptr;
        if (proxy != nullptr && proxy->Kind == TJsonValue::TKind::Object)
            return {ModeOfPolicy(proxy->StringMember("Mode")), proxy->TrueMember("Locked"), {}};
        return p;
    }
    return p;
}

TBrowserState ProfileState(IFileSystem& files, const TFirefoxProfile& profile, const TFirefoxPolicy& policy) {
    TBrowserState s = State("Firefox", TCoverage::Hidden, profile.Name, profile.Folder);
    if (policy.Locked) {
        SetMode(s, policy.Mode.value_or(TProxyMode::System), true);
        return s;
    }
    TIntPref type;
    for (const char* name : {"prefs.js", "user.js"}) {
        const std::string path = profile.Folder + "\\" + name;
        if (!files.FileExists(path)) continue;
        const std::optional<std::string> bytes = files.ReadFileUpTo(path, kMaxPrefsBytes);
        if (!bytes) {
            s.Coverage = TCoverage::Unreadable;
            s.Unreadable = path;
            return s;
        }
        ReadIntPref(*bytes, "network.proxy.type", type);
    }
    if (type.User && !type.Locked)
        SetMode(s, ModeOfType(*type.User), false);
    else if (policy.Mode)
        SetMode(s, *policy.Mode, true);
    else
        SetMode(s, type.Default ? ModeOfType(*type.Default) : TProxyMode::System, false);
    return s;
}

void AddFirefoxProfiles(IRegistry& reg, IFileSystem& files, const std::vector<std::string>& programs,
                        std::vector<TBrowserState>& states) {
    const std::string folder = files.KnownFolder(TKnownFolder::AppData) + "\\Mozilla\\Firefox";
    const std::string ini = folder + "\\profiles.ini";
    const std::optional<std::string> bytes = files.ReadFileUpTo(ini, kMaxProfilesIniBytes);
    const auto profiles = bytes ? ReadFirefoxProfiles(*bytes, folder) : std::nullopt;
    const TFirefoxPolicy policy = ReadFirefoxPolicy(reg, files, programs);
    if (!profiles || !policy.Unreadable.empty()) {
        TBrowserState s = State("Firefox", TCoverage::Unreadable);
        s.Unreadable = profiles ? policy.Unreadable : ini;
        DebugTrace::Trace(kTag, "Firefox: cannot read " + s.Unreadable);
        states.push_back(s);
        return;
    }
    for (const TFirefoxProfile& profile : *profiles)
        states.push_back(ProfileState(files, profile, policy));
}

} // namespace

std::vector<TBrowserState> FindBrowsers(const TBrowserContext& c) {
    IRegistry& reg = *c.Facilities.Registry;
    IFileSystem& files = *c.Facilities.Files;
    const std::vector<TFound> found = InstalledBrowsers(c, reg);
    std::vector<std::string> firefoxPrograms;
    for (const TFound& f : found)
        if (f.Known != nullptr && f.Known->Family == TFamily::Firefox) firefoxPrograms.push_back(ProgramOf(f.Command));
    std::vector<TBrowserState> states;
    for (const TFound& f : found) {
        const TFamily family = f.Known != nullptr ? f.Known->Family : TFamily::Other;
        if (family == TFamily::Firefox) {
            AddFirefoxProfiles(reg, files, firefoxPrograms, states);
        } else if (family == TFamily::Chromium && f.Known->PolicyKey != nullptr) {
            states.push_back(ChromiumState(reg, f));
        } else {
            states.push_back(State(f.Name, family == TFamily::System ? TCoverage::Hidden : TCoverage::Unknown));
        }
    }
    return states;
}

} // namespace maskaddr
