// TMessageBoxes: the engine's message-box part. A message is named by its language key; one
// with a number can be silenced by the user ("do not show again"), and is then answered with
// the result it had, which the settings store keeps.
#pragma once

#include "framework/engine/EngineParts.h"
#include "framework/engine/MessageDialog.h"

#include <memory>

namespace maskaddr {

class IEngineHost;
class TCLSettings;

// The words a message box shows: the message itself, the title and the check box's caption.
class IMessageTexts : public ILibTexts {
public:
    // The language's text of the key ("[AppRes]" or "[LibRes]" and the key when missing).
    virtual std::string GetMessageText(const std::string& strKey, bool bLib) = 0;
    virtual std::string GetAppName() = 0;
};

class TMessageBoxes final : public IMessageBoxes {
public:
    TMessageBoxes(IEngineHost& host, IMessageTexts& texts, TCLSettings& settings);
    ~TMessageBoxes() override;
    TMessageBoxes(const TMessageBoxes&) = delete;
    TMessageBoxes& operator=(const TMessageBoxes&) = delete;

    int ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                      int DlgType, uint32_t Buttons, int iDefault, bool bLib) override;

private:
    IMessageDialog& Dialog();

    IEngineHost& FHost;
    IMessageTexts& FTexts;
    TCLSettings& FSettings;
    std::unique_ptr<IMessageDialog> FDialog; // made at the first message
};

} // namespace maskaddr
