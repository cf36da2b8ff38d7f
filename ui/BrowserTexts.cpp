// Names and states of the browsers in the language's words (see BrowserTexts.h).
#include "ui/BrowserTexts.h"

#include "framework/engine/EngineParts.h"

namespace maskaddr {

namespace {

std::string Text(IAppTexts& texts, const std::string& key, const std::vector<std::string>& args = {}) {
    return texts.GetAppStringEx(key, args);
}

std::string ModeText(IAppTexts& texts, TProxyMode mode) {
    switch (mode) {
    case TProxyMode::None:
        return Text(texts, "Browsers.Mode.None");
    case TProxyMode::Manual:
        return Text(texts, "Browsers.Mode.Manual");
    case TProxyMode::Script:
        return Text(texts, "Browsers.Mode.Script");
    case TProxyMode::AutoDetect:
        return Text(texts, "Browsers.Mode.AutoDetect");
    default:
        return Text(texts, "Browsers.Mode.Other");
    }
}

} // namespace

std::string BrowserName(IAppTexts& texts, const TBrowserState& browser) {
    return browser.Profile.empty() ? browser.Browser
                                   : Text(texts, "Browsers.Profile", {browser.Browser, browser.Profile});
}

std::string BrowserStateText(IAppTexts& texts, const TBrowserState& browser) {
    switch (browser.Coverage) {
    case TCoverage::Hidden:
        return Text(texts, "Browsers.Hidden");
    case TCoverage::NotHidden:
        return Text(texts, browser.ByPolicy ? "Browsers.Policy" : "Browsers.Own",
                    {ModeText(texts, browser.Mode)});
    case TCoverage::Unreadable:
        return Text(texts, "Browsers.Unreadable", {browser.Unreadable});
    default:
        return Text(texts, "Browsers.Unknown");
    }
}

// A browser is known by its name and profile folder: two profiles may share a name.
std::optional<std::pair<std::string, std::string>>
TNotHiddenNotice::Next(IAppTexts& texts, const std::vector<TBrowserState>& browsers) {
    std::vector<std::string> names;
    for (const TBrowserState& b : browsers)
        if (b.Coverage == TCoverage::NotHidden && FNamed.insert(b.Browser + "\n" + b.ProfileFolder).second)
            names.push_back(BrowserName(texts, b));
    if (names.empty()) return std::nullopt;
    if (names.size() == 1) return std::pair<std::string, std::string>("Browsers.NotHidden", names[0]);
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return std::pair<std::string, std::string>("Browsers.NotHiddenSeveral", list);
}

} // namespace maskaddr
