// The status overlay's command side: the texts sent to the player one at a time,
// the operations of TfrmFlashForm that build them, and the decisions on the two
// requests the player sends back (check IP, home page). No window code here.
#pragma once

#include "ui/StatusOverlay.h"

#include <functional>
#include <string>

namespace maskaddr {

class IPages;
class TCLSettings;

// The player variable that takes one command text per assignment.
inline constexpr const char* kCallbackVar = "callbackvar";

namespace FlashCommand {
// A panel: position, display, flag, IP, country (each "," made a blank), city, alpha, scale.
std::string IPInfo(const std::string& aPosition, const std::string& aDisplay, const std::string& aFlagURL,
                   const std::string& aIP, const std::string& aCountryName, const std::string& aCity,
                   const std::string& aAlpha, const std::string& aScale);
// Only the alpha and scale of a panel: "A," follows the position directly.
std::string IPInfoA(const std::string& aPosition, const std::string& aAlpha, const std::string& aScale);
std::string Fade(const std::string& Obj, bool FadeIn, int FadeMax);
std::string Turn(bool toTarget);
// line 1 is "Info_Text", line 2 "Info_Text2"; the colour in decimal.
std::string TextInfo(int line, const std::string& aInfoText, int aColor);
std::string Background(const std::string& aBGFileName);
std::string Logo(const std::string& aLogoFileName);
} // namespace FlashCommand

// The window-independent half of TfrmFlashForm: every operation builds its command
// and hands it at once to the player through SendCommand.
class TFlashFormLogic : public IStatusOverlay {
public:
    void SetIPInfo(const std::string& aPosition, const std::string& aDisplay, const std::string& aFlagURL,
                   const std::string& aIP, const std::string& aCountryName, const std::string& aCity,
                   const std::string& aAlpha, const std::string& aScale) override;
    void SetIPInfoA(const std::string& aPosition, const std::string& aAlpha,
                    const std::string& aScale) override;
    void Fade(const std::string& Obj, bool FadeIn, int FadeMax) override;
    void TurnLocal() override;
    void TurnTarget() override;
    void SetTextInfo(const std::string& aInfoText, int aColor) override;
    void SetTextInfo2(const std::string& aInfoText, int aColor) override;
    void SetBackground(const std::string& aBGFileName) override;
    void SetLogo(const std::string& aLogoFileName) override;
    // The first picture: both panels empty, the verifying text in grey blue.
    void ResetDisplay() override;

    // A request of the player (command, arguments): the pages open through the engine's
    // part that opens them (none: the request is traced and dropped).
    void HandleFSCommand(const std::string& command, const std::string& args);

    // The colour of the first verifying text.
    static constexpr int kVerifyingColor = 4474009;

protected:
    TFlashFormLogic(TCLSettings& settings, IPages* pages) : FSettings(settings), FPages(pages) {}
    // Assigns one command text to the player's callback variable.
    virtual void SendCommand(const std::string& text) = 0;

private:
    TCLSettings& FSettings;
    IPages* FPages;
};

} // namespace maskaddr
