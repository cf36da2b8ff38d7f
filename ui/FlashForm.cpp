// The status overlay's command texts and the decisions on the player's requests
// (see FlashForm.h).
#include "ui/FlashForm.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/EngineParts.h"
#include "framework/settings/CLSettings.h"

namespace maskaddr {

namespace FlashCommand {

std::string IPInfo(const std::string& aPosition, const std::string& aDisplay, const std::string& aFlagURL,
                   const std::string& aIP, const std::string& aCountryName, const std::string& aCity,
                   const std::string& aAlpha, const std::string& aScale) {
    // The fields come from the lookup reply and the proxy list, both from the network: a
    // comma in any of them (as in "Korea, Republic of") would shift the fields after it.
    auto field = [](const std::string& text) { return ReplaceAll(text, ",", " "); };
    return aPosition + "," + aDisplay + "," + ReplaceAll(aFlagURL, ",", "%2C") + "," + field(aIP) + "," +
           field(aCountryName) + "," + field(aCity) + "," + aAlpha + "," + aScale;
}

std::string IPInfoA(const std::string& aPosition, const std::string& aAlpha, const std::string& aScale) {
    return aPosition + "A," + aAlpha + "," + aScale;
}

std::string Fade(const std::string& Obj, bool FadeIn, int FadeMax) {
    return "Fade," + Obj + "," + (FadeIn ? "in" : "out") + "," + std::to_string(FadeMax);
}

std::string Turn(bool toTarget) {
    return toTarget ? "Turn,Target" : "Turn,Local";
}

std::string TextInfo(int line, const std::string& aInfoText, int aColor) {
    return std::string(line == 2 ? "Info_Text2," : "Info_Text,") + aInfoText + "," + std::to_string(aColor);
}

std::string Background(const std::string& aBGFileName) {
    return "Background," + aBGFileName;
}

std::string Logo(const std::string& aLogoFileName) {
    return "Logo," + aLogoFileName;
}

} // namespace FlashCommand

void TFlashFormLogic::SetIPInfo(const std::string& aPosition, const std::string& aDisplay,
                                const std::string& aFlagURL, const std::string& aIP,
                                const std::string& aCountryName, const std::string& aCity,
                                const std::string& aAlpha, const std::string& aScale) {
    SendCommand(
        FlashCommand::IPInfo(aPosition, aDisplay, aFlagURL, aIP, aCountryName, aCity, aAlpha, aScale));
}

void TFlashFormLogic::SetIPInfoA(const std::string& aPosition, const std::string& aAlpha,
                                 const std::string& aScale) {
    SendCommand(FlashCommand::IPInfoA(aPosition, aAlpha, aScale));
}

void TFlashFormLogic::Fade(const std::string& Obj, bool FadeIn, int FadeMax) {
    SendCommand(FlashCommand::Fade(Obj, FadeIn, FadeMax));
}

void TFlashFormLogic::TurnLocal() {
    SendCommand(FlashCommand::Turn(false));
}

void TFlashFormLogic::TurnTarget() {
    SendCommand(FlashCommand::Turn(true));
}

void TFlashFormLogic::SetTextInfo(const std::string& aInfoText, int aColor) {
    SendCommand(FlashCommand::TextInfo(1, aInfoText, aColor));
}

void TFlashFormLogic::SetTextInfo2(const std::string& aInfoText, int aColor) {
    SendCommand(FlashCommand::TextInfo(2, aInfoText, aColor));
}

void TFlashFormLogic::SetBackground(const std::string& aBGFileName) {
    SendCommand(FlashCommand::Background(aBGFileName));
}

void TFlashFormLogic::SetLogo(const std::string& aLogoFileName) {
    SendCommand(FlashCommand::Logo(aLogoFileName));
}

void TFlashFormLogic::ResetDisplay() {
    SetIPInfo("Local", "", "", "", "", "", "0", "100");
    SetIPInfo("Target", "", "", "", "", "", "0", "100");
    SetTextInfo("Verifing from " + FSettings.GetSettingString("APP.Name") + " server ...", kVerifyingColor);
    SetTextInfo2("", 0);
}

void TFlashFormLogic::HandleFSCommand(const std::string& command, const std::string& args) {
    if (!SameText(command, "CMD")) return;
    IPages* engine = FPages;
    if (engine == nullptr) {
        DebugTrace::Trace("FlashForm", "Request without an engine: " + args);
        return;
    }
    if (SameText(args, "CHECKIPINFO"))
        engine->ShowPageByURL(FSettings.GetSettingString("URL.CheckIP"));
    else if (SameText(args, "HOMEPAGE"))
        engine->ShowPage("home");
}

} // namespace maskaddr
