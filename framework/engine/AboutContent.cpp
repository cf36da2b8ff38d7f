// What the about window shows (see AboutContent.h): the product line, the version, the
// copyright, the fingerprint of the update key this build trusts (so that a distributor can
// check a build), and the translation.
#include "framework/engine/AboutContent.h"

#include "base/Text.h"
#include "framework/engine/CLEngine.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

#include "UpdatePublicKey.h"

#include <vector>

namespace maskaddr {

TAboutContent TCLEngine::AboutContent() {
    TCLSettings& settings = FSettings;
    TAboutContent c;
    c.Caption = GetLibString("TfrmCLAboutForm.Caption");
    c.OkCaption = GetLibString("btnOk.Caption");
    std::vector<std::string> lines{
        GetLibString("TfrmCLAboutForm.CopyRightLine1"),
        GetLibStringEx("TfrmCLAboutForm.CopyRightLine2", {settings.GetSettingString("App.Ver")}),
        settings.GetSettingString("App.Copyright"),
        GetLibStringEx("TfrmCLAboutForm.KeyLine", {kUpdateKeyFingerprint})};
    if (!Language().empty() && Language() != "English")
        lines.push_back(GetLibStringEx("TfrmCLAboutForm.CopyRightLine3", {Language(), LanguageTranslator()}));
    c.Info = JoinLines(lines);
    c.SupportCaption = GetLibString("lblSupport.Caption");
    c.SupportURL = GetURL("support", true);
    const std::string logo = AppFolder(*FPlatform.Files) + "res\\images\\about.png";
    if (FPlatform.Files->FileExists(logo)) c.LogoPath = logo;
    return c;
}

} // namespace maskaddr
