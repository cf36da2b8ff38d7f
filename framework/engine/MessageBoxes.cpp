// The engine's message-box part (see MessageBoxes.h).
#include "framework/engine/MessageBoxes.h"

#include "base/Text.h"
#include "framework/engine/EngineHost.h"
#include "framework/settings/CLSettings.h"

namespace maskaddr {

TMessageBoxes::TMessageBoxes(IEngineHost& host, IMessageTexts& texts, TCLSettings& settings)
    : FHost(host), FTexts(texts), FSettings(settings) {}

TMessageBoxes::~TMessageBoxes() = default;

IMessageDialog& TMessageBoxes::Dialog() {
    if (!FDialog) FDialog = FHost.CreateMessageDialog();
    return *FDialog;
}

int TMessageBoxes::ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                                 int DlgType, uint32_t Buttons, int iDefault, bool bLib) {
    const std::string text = FormatBraces(FTexts.GetMessageText(strKey, bLib), Args);
    IMessageDialog& dlg = Dialog();
    if (iNumber != 0) {
        if (!FSettings.GetMessageShowAgainFlag(iNumber))
            return iDefault != 0 ? iDefault : FSettings.GetMessageShowAgainResult(iNumber);
        dlg.ShowAgainFlag = true;
        dlg.ShowAgainFlagValue = true;
        dlg.ShowAgainCaption = FTexts.GetLibString("chkShowAgain.Caption");
    } else {
        dlg.ShowAgainFlag = false;
    }
    int result = dlg.MessageDlg2(text, FTexts.GetAppName(), DlgType, Buttons, 0);
    if (iNumber != 0 && !dlg.ShowAgainFlagValue) {
        FSettings.SetMessageShowAgainFlag(iNumber, false);
        FSettings.SetMessageShowAgainResult(iNumber, result);
    }
    return result;
}

} // namespace maskaddr
