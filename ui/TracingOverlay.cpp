// The tracing overlay (see TracingOverlay.h).
#include "ui/TracingOverlay.h"

#include "base/DebugTrace.h"

namespace maskaddr {

namespace {
void Trace(const std::string& call) {
    DebugTrace::Trace("CLOverlay", call);
}
} // namespace

void TTracingOverlay::SetIPInfo(const std::string& aPosition, const std::string& aDisplay,
                                const std::string& aFlagURL, const std::string& aIP,
                                const std::string& aCountryName, const std::string& aCity,
                                const std::string& aAlpha, const std::string& aScale) {
    Trace("SetIPInfo(" + aPosition + "|" + aDisplay + "|" + aFlagURL + "|" + aIP + "|" + aCountryName + "|" +
          aCity + "|" + aAlpha + "|" + aScale + ")");
    if (FInner) FInner->SetIPInfo(aPosition, aDisplay, aFlagURL, aIP, aCountryName, aCity, aAlpha, aScale);
}

void TTracingOverlay::SetIPInfoA(const std::string& aPosition, const std::string& aAlpha,
                                 const std::string& aScale) {
    Trace("SetIPInfoA(" + aPosition + "|" + aAlpha + "|" + aScale + ")");
    if (FInner) FInner->SetIPInfoA(aPosition, aAlpha, aScale);
}

void TTracingOverlay::Fade(const std::string& Obj, bool FadeIn, int FadeMax) {
    Trace("Fade(" + Obj + "|" + (FadeIn ? "in" : "out") + "|" + std::to_string(FadeMax) + ")");
    if (FInner) FInner->Fade(Obj, FadeIn, FadeMax);
}

void TTracingOverlay::TurnLocal() {
    Trace("TurnLocal()");
    if (FInner) FInner->TurnLocal();
}

void TTracingOverlay::TurnTarget() {
    Trace("TurnTarget()");
    if (FInner) FInner->TurnTarget();
}

void TTracingOverlay::SetTextInfo(const std::string& aInfoText, int aColor) {
    Trace("SetTextInfo(" + aInfoText + "|" + std::to_string(aColor) + ")");
    if (FInner) FInner->SetTextInfo(aInfoText, aColor);
}

void TTracingOverlay::SetTextInfo2(const std::string& aInfoText, int aColor) {
    Trace("SetTextInfo2(" + aInfoText + "|" + std::to_string(aColor) + ")");
    if (FInner) FInner->SetTextInfo2(aInfoText, aColor);
}

void TTracingOverlay::SetBackground(const std::string& aBGFileName) {
    Trace("SetBackground(" + aBGFileName + ")");
    if (FInner) FInner->SetBackground(aBGFileName);
}

void TTracingOverlay::SetLogo(const std::string& aLogoFileName) {
    Trace("SetLogo(" + aLogoFileName + ")");
    if (FInner) FInner->SetLogo(aLogoFileName);
}

void TTracingOverlay::ResetDisplay() {
    Trace("ResetDisplay()");
    if (FInner) FInner->ResetDisplay();
}

} // namespace maskaddr
