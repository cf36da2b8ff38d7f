// TEngineLanguage: the engine's language part. It chooses the language file (the stored
// choice, or on a first start the user's interface language), offers the files found in its
// menu item, keeps the choice in the settings, and looks up the texts of the language in use.
// It needs nothing of the engine, which it tells of every change through one call.
#pragma once

#include "base/NameValueList.h"
#include "framework/components/ChoiceMenu.h"
#include "platform/Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace maskaddr {

class TCLMultiLangData;
class TCLSettings;

class TEngineLanguage {
public:
    // changed runs after every change of language, those of the start included.
    TEngineLanguage(const TPlatform& platform, TCLSettings& settings, std::function<void()> changed);
    TEngineLanguage(const TEngineLanguage&) = delete;
    TEngineLanguage& operator=(const TEngineLanguage&) = delete;

    // The language data the windows translate from; without it there is nothing to choose.
    void SetData(TCLMultiLangData* data) { FData = data; }
    TCLMultiLangData* Data() const { return FData; }
    void SetMenuItem(IChoiceMenu* item) { FChoice.SetMenuItem(item); }

    // The stored language, else the interface language's; then the menu.
    void Init();
    const std::string& Name() const { return FName; }
    // Loads the language file of that name ("Default" when empty); one that is missing or
    // cannot be read leaves the built-in English.
    void Set(const std::string& name);
    const std::vector<std::string>& List() { return FChoice.List(); }
    // The current language file's "Info" entry "Translator".
    const std::string& Translator() const { return FTranslator; }

    // An entry of a section of the language in use; empty when missing.
    std::string SectionText(const std::string& section, const std::string& name);
    std::string AppString(const std::string& strName) { return SectionText("AppRes", strName); }
    std::string LibString(const std::string& strName) { return SectionText("LibRes", strName); }
    // The text of the key ("[AppRes]" or "[LibRes]" and the key when missing).
    std::string MessageText(const std::string& strKey, bool bLib);
    // The language's name of the program, else the setting "App.Name".
    std::string AppName();
    void GetSection(const std::string& section, TNameValueList& list);

private:
    TPlatform FPlatform;
    TCLSettings& FSettings;
    std::function<void()> FChanged;
    TCLMultiLangData* FData = nullptr;
    TFileChoice FChoice;
    std::string FName;
    std::string FTranslator;
};

} // namespace maskaddr
