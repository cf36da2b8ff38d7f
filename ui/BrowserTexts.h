// The user's words for a browser found by the coverage check: its name ("Firefox (profile
// default-release)") and its state ("hidden: follows Maskaddr", ...), from the language's
// texts; and the notice of a hide that names the browsers not hidden, each once per run.
#pragma once

#include "browsers/BrowserCoverage.h"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr {

class IAppTexts;

std::string BrowserName(IAppTexts& texts, const TBrowserState& browser);
std::string BrowserStateText(IAppTexts& texts, const TBrowserState& browser);

class TNotHiddenNotice {
public:
    // The notice (a language key and its argument) for the browsers not hidden that no
    // earlier call named; nullopt when there is none.
    std::optional<std::pair<std::string, std::string>> Next(IAppTexts& texts,
                                                            const std::vector<TBrowserState>& browsers);

private:
    std::set<std::string> FNamed;
};

} // namespace maskaddr
