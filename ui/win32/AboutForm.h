// TfrmCLAboutForm: the about window. A logo picture on top (when the product ships
// one), the product and version lines, a link to the support page and an OK button.
#pragma once

#include "framework/engine/CLEngine.h"
#include "platform/win32/Picture.h"
#include "ui/win32/Win32Form.h"

namespace maskaddr {

class TfrmCLAboutForm : public TWin32Form {
public:
    explicit TfrmCLAboutForm(HWND owner);
    // Fills the window from the content and shows it modally (inside parent when given).
    int Present(const TAboutContent& content, HWND parent);
    const TAboutContent& Content() const { return FContent; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    HWND FOwner;
    TAboutContent FContent;
    TPicture FLogo;
    HWND FInfo = nullptr, FLink = nullptr, FOk = nullptr;
};

} // namespace maskaddr
