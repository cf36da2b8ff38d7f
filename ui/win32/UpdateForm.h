// TfrmCLUpdateForm: the update window. Hidden, a "Connecting..." dialog, a borderless
// strip with a Cancel button, or the result with OK/Cancel or a single Ok and an
// optional countdown; its logic is TUpdateController's.
#pragma once

#include "framework/engine/UpdateCheck.h"
#include "platform/win32/Picture.h"
#include "ui/win32/Win32Form.h"

namespace maskaddr {

class TfrmCLUpdateForm final : public TWin32Form, public IUpdateView {
public:
    TfrmCLUpdateForm(HWND owner, TUpdateController& controller);

    bool IsVisible() override;
    bool AutoCheckChecked() override;
    void ShowProcessView() override;
    void RunModal() override;
    void ShowModeless() override;
    void PostShowResult() override;
    void ShowResultView(const std::string& info, bool withCancel) override;
    void SetTimerEnabled(bool enabled) override;
    void SetTimerLabel(const std::string& text) override;
    void CloseWindow() override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void ShowDialogView();
    void Show(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOW : SW_HIDE); }
    TUpdateController& FController;
    HWND FOwner;
    TPicture FLogo;
    int FClientWidth = 0, FClientHeight = 0; // of the dialog view
    bool FProcessView = false;
};

} // namespace maskaddr
