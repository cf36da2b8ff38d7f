// The engine's parts as their users see them: the texts of the current language, message
// boxes that can be silenced per message number, the choice of language, and pages opened
// with the user's browser. TCLEngine is each of them; whoever needs one part is handed that
// part alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace maskaddr {

// The component library's own texts ("LibRes" section) of the current language: every part
// that speaks asks for them.
class ILibTexts {
public:
    virtual ~ILibTexts() = default;
    virtual std::string GetLibString(const std::string& strName) = 0;
};

class IAppTexts : public ILibTexts {
public:
    // The text of the "AppRes" section with "{1}", "{2}", ... filled in; empty when missing.
    virtual std::string GetAppStringEx(const std::string& strName, const std::vector<std::string>& Args) = 0;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual int ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                              int DlgType, uint32_t Buttons, int iDefault, bool bLib) = 0;
};

class ILanguageChoice {
public:
    virtual ~ILanguageChoice() = default;
    virtual const std::string& Language() const = 0;
    virtual const std::vector<std::string>& LanguageList() = 0;
    // Stores the choice and translates every open window at once.
    virtual void SetLanguage(const std::string& name) = 0;
};

class IPages {
public:
    virtual ~IPages() = default;
    // A named page of the settings ("URL." + name), with the parameter string.
    virtual void ShowPage(const std::string& strPage) = 0;
    virtual void ShowPageByURL(const std::string& strURL) = 0;
};

} // namespace maskaddr
