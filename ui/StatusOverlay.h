// The status overlay as the main window drives it: one command at a time for the
// "Local" (real) and "Target" (apparent) panels and the two status lines.
#pragma once

#include <string>

namespace maskaddr {

class IStatusOverlay {
public:
    virtual ~IStatusOverlay() = default;
    virtual void SetIPInfo(const std::string& aPosition, const std::string& aDisplay,
                           const std::string& aFlagURL, const std::string& aIP,
                           const std::string& aCountryName, const std::string& aCity,
                           const std::string& aAlpha, const std::string& aScale) = 0;
    virtual void SetIPInfoA(const std::string& aPosition, const std::string& aAlpha,
                            const std::string& aScale) = 0;
    virtual void Fade(const std::string& Obj, bool FadeIn, int FadeMax) = 0;
    virtual void TurnLocal() = 0;
    virtual void TurnTarget() = 0;
    virtual void SetTextInfo(const std::string& aInfoText, int aColor) = 0;
    virtual void SetTextInfo2(const std::string& aInfoText, int aColor) = 0;
    virtual void SetBackground(const std::string& aBGFileName) = 0;
    virtual void SetLogo(const std::string& aLogoFileName) = 0;
    virtual void ResetDisplay() = 0;
};

} // namespace maskaddr
