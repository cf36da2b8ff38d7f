// The engine's language part (see EngineLanguage.h).
#include "framework/language/EngineLanguage.h"

#include "framework/language/CLMultiLang.h"
#include "framework/language/LanguageChoice.h"
#include "framework/settings/CLSettings.h"

#include <utility>

namespace maskaddr {

TEngineLanguage::TEngineLanguage(const TPlatform& platform, TCLSettings& settings,
                                 std::function<void()> changed)
    : FPlatform(platform), FSettings(settings), FChanged(std::move(changed)),
      FChoice(platform, settings, "Path.Languages", ".lan", "English", 1) {}

// Before the user has chosen a language (a first start), the user's interface language
// chooses among the files found; selecting it stores the choice.
void TEngineLanguage::Init() {
    if (FData == nullptr) return;
    std::string name = FSettings.GetSettingString("Language");
    if (name.empty()) name = LanguageForUiLanguage(FPlatform.System->UserDefaultUILanguage(), List());
    Set(name);
    FChoice.BuildMenu(FName, [this](const std::string& caption) { Set(caption); });
}

void TEngineLanguage::Set(const std::string& value) {
    if (FData == nullptr) return;
    const std::string name = value.empty() ? "Default" : value;
    if (name == FName) return;
    const std::string path = FChoice.FileOf(name, ".lan");
    if (!path.empty() && FPlatform.Files->FileExists(path) &&
        FData->LoadCurrentFromFile(*FPlatform.Files, *FPlatform.Ansi, path)) {
        FName = name;
    } else {
        if (!FName.empty()) FData->ClearCurrentAll();
        FName = "English";
    }
    // The about window names the translator; the file describes itself.
    FTranslator = FData->CurrentLanguageTranslator();
    FSettings.SetSettingstring("Language", FName);
    FChoice.CheckMenu(FName);
    if (FChanged) FChanged();
}

std::string TEngineLanguage::SectionText(const std::string& section, const std::string& name) {
    std::string value;
    if (FData != nullptr) FData->GetProp(section, "", name, value);
    return value;
}

std::string TEngineLanguage::MessageText(const std::string& strKey, bool bLib) {
    std::string text = bLib ? LibString(strKey) : AppString(strKey);
    if (text.empty()) text = (bLib ? "[LibRes]" : "[AppRes]") + strKey;
    return text;
}

std::string TEngineLanguage::AppName() {
    if (FData != nullptr && !FData->AppName().empty()) return FData->AppName();
    return FSettings.GetSettingString("App.Name");
}

void TEngineLanguage::GetSection(const std::string& section, TNameValueList& list) {
    if (FData != nullptr) FData->GetSectionStrings(section, list);
}

} // namespace maskaddr
