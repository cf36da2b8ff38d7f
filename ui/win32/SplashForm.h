// The splash window shown while the program starts: a borderless layered window that
// shows a PNG picture with per-pixel alpha (TspPngForm), centred on the screen, and
// hides itself as soon as it loses activation, that is when the main window comes up.
#pragma once

#include "framework/paths/AppPaths.h"
#include "platform/win32/Picture.h"
#include "ui/win32/Win32Form.h"

#include <cstdint>
#include <string>

namespace maskaddr {

// Makes its form a layered window that shows a picture with per-pixel alpha: it takes
// over the form's painting through a subclass of the form's window, and draws with
// UpdateLayeredWindow from a premultiplied 32-bit bitmap.
class TspPngForm : public TComponent {
public:
    // The form's window must exist; it loses its border.
    explicit TspPngForm(TWin32Form& owner);
    ~TspPngForm() override;

    // False, and the picture kept, when the file cannot be read as a picture.
    bool LoadPng(const std::string& strFileName);
    void SetPicture(TPicture picture);
    const TPicture& Picture() const { return FBitmap; }
    uint8_t AlphaDegeri() const { return FAlphaDegeri; }
    void SetAlphaDegeri(uint8_t alpha);

private:
    static LRESULT CALLBACK NewWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
    void UpdateLayered();

    TWin32Form& FOwner;
    uint8_t FAlphaDegeri = 255;
    TPicture FBitmap; // the picture, premultiplied, as the layered window takes it
    bool FHooked = false;
};

class TfrmCLSplashForm : public TWin32Form {
public:
    // The picture comes from the folder ("oem.splash.png", else "res\images\splash.png");
    // without either the window closes once its messages are served, and shows the
    // picture built into the program until then.
    TfrmCLSplashForm(IFileSystem& files, const std::string& folder);
    // Shows the window and paints it now, before any message loop runs.
    void ShowAndPaint();
    // The main window exists: unless it has taken activation (which closes the splash),
    // the splash closes now rather than stay on the screen.
    void MainWindowCreated(HWND mainWindow);
    TspPngForm& PngForm() { return *spngfrm1; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate(IFileSystem& files, const std::string& folder);
    void FormDeactivate();

    TspPngForm* spngfrm1 = nullptr; // a component of this form
};

} // namespace maskaddr
