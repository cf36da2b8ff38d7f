// The language of a first start (see LanguageChoice.h).
#include "framework/language/LanguageChoice.h"

#include "base/Text.h"

namespace maskaddr {

namespace {

// Primary language identifiers (the low ten bits of a language identifier) and the
// language files shipped for them. Portugal's users get the Brazilian text, the only
// Portuguese one there is.
struct TShippedLanguage {
    uint16_t Primary;
    const char* Name;
};
constexpr TShippedLanguage kShipped[] = {
    {0x07, "German"},  {0x09, "English"}, {0x0A, "Spanish"},
    {0x0C, "French"},  {0x10, "Italian"}, {0x11, "Japanese"},
    {0x12, "Korean"},  {0x15, "Polish"},  {0x16, "Portuguese (Brazil)"},
    {0x19, "Russian"}, {0x1F, "Turkish"},
};
constexpr uint16_t kPrimaryMask = 0x3FF;

} // namespace

std::string LanguageForUiLanguage(uint16_t langId, const std::vector<std::string>& available) {
    for (const TShippedLanguage& l : kShipped) {
        if (l.Primary != (langId & kPrimaryMask)) continue;
        for (const std::string& name : available)
            if (SameText(name, l.Name)) return name;
    }
    return "English";
}

} // namespace maskaddr
