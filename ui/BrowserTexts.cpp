// Names and states of the browsers in the language's words (see BrowserTexts.h).
#include "ui/BrowserTexts.h"

#include "framework/engine/CLEngine.h"

namespace maskaddr {

namespace {

std::string Text(const std::string& key, const std::vector<std::string>& args = {}) {
    TCLEngine* engine = Engine();
    return engine != nullptr ? engine->GetAppStringEx(key, args) : std::string();
}

std::string ModeText(TProxyMode mode) {
    switch (mode) {
    case TProxyMode::None:
        return Text("Browsers.Mode.None");
    case TProxyMode::Manual:
        return Text("Browsers.Mode.Manual");
    case TProxyMode::Script:
        return Text("Browsers.Mode.Script");
    case TProxyMode::AutoDetect:
        return Text("Browsers.Mode.AutoDetect");
    default:
        return Text("Browsers.Mode.Other");
    }
}

} // namespace

std::string BrowserName(const TBrowserState& browser) {
    return browser.Profile.empty() ? browser.Browser : Text("Browsers.Profile", {browser.Browser, browser.Profile});
}

std::string BrowserStateText(const TBrowserState& browser) {
    switch (browser.Coverage) {
    case TCoverage::Hidden:
        return Text("Browsers.Hidden");
    case TCoverage::NotHidden:
        return Text(browser.ByPolicy ? "Browsers.Policy" : "Browsers.Own", {ModeText(browser.Mode)});
    case TCoverage::Unreadable:
        return Text("Browsers.Unreadable", {browser.Unreadable});
    default:
        return Text("Browsers.Unknown");
    }
}

// A browser is known by its name and profile folder: two profiles may share a name.
std::optional<std::pair<std::string, std::string>>
TNotHiddenNotice::Next(const std::vector<TBrowserState>& browsers) {
    std::vector<std::string> names;
    for (const TBrowserState& b : browsers)
        if (b.Coverage == TCoverage::NotHidden && FNamed.insert(b.Browser + "\n" + b.ProfileFolder).second)
            names.push_back(BrowserName(b));
    if (names.empty()) return std::nullopt;
    if (names.size() == 1) return std::pair<std::string, std::string>("Browsers.NotHidden", names[0]);
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return std::pair<std::string, std::string>("Browsers.NotHiddenSeveral", list);
}

} // namespace maskaddr
