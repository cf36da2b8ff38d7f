// An overlay that records every command in the debug trace (tag "CLOverlay") before
// passing it on, so the overlay's side of every sequence can be observed.
#pragma once

#include "ui/StatusOverlay.h"

namespace maskaddr {

class TTracingOverlay final : public IStatusOverlay {
public:
    explicit TTracingOverlay(IStatusOverlay* inner = nullptr) : FInner(inner) {}
    void SetInner(IStatusOverlay* inner) { FInner = inner; }

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
    void ResetDisplay() override;

private:
    IStatusOverlay* FInner;
};

} // namespace maskaddr
