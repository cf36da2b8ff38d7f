// The language a first start chooses: the shipped language file that matches the
// user's interface language, given as a Windows language identifier.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace maskaddr {

// The name in `available` (the engine's language list) for the interface language
// `langId`: matched on its primary language, every Portuguese as "Portuguese (Brazil)",
// and "English" when none matches.
std::string LanguageForUiLanguage(uint16_t langId, const std::vector<std::string>& available);

} // namespace maskaddr
