// Win32 windows and controls in the component model. A TWin32Form is a top-level
// window on the window base (TWin32Window) whose messages go to OnMessage; controls are
// real child windows whose published properties read and change the window (text, list
// lines, tooltip hint).
#pragma once

#include "framework/components/Form.h"
#include "framework/language/CLForm.h"
#include "platform/win32/Handles.h"
#include "ui/win32/Win32Window.h"

#include <windows.h>

#include <string>

namespace maskaddr {

class TSkinData;

// The windows' own font: Tahoma at 8 points at that DPI (the system's when 0), bold when asked.
TGdiFont CreateUiFont(bool bold = false, UINT dpi = 0);
// The name a screen reader gives a control whose text is not drawn (a picture, a panel): the
// control answers it as its window text.
void SetAccessibleName(HWND control, const std::string& name);
// Whether the user asked for high contrast: windows then take the system's colours.
bool HighContrastOn();
// Design pixels (96 to the inch, as every layout of the program is written) at that DPI.
inline int ScaledPixels(int designPixels, UINT dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), 96);
}
// The space a caption takes in that font: on one line (check boxes, buttons), or wrapped
// into wrapWidth (labels); "&" marks the access key, as the controls draw it.
SIZE CaptionExtent(const std::wstring& caption, HFONT font, int wrapWidth = 0);
// Where a check box's caption begins at that DPI: after the box and its gap.
int CheckBoxTextOffset(UINT dpi);
// The width a push button needs around its caption: border and margins on both sides.
constexpr int kButtonTextMargin = 12;

class TWin32Form : public TForm, public TWin32Window {
public:
    // className is also the registered window class, so other instances can find the window.
    TWin32Form(TComponent* owner, std::string name, std::string className);

    // Creates the window with the given client size (design pixels, laid out at the DPI of
    // the system, then of the window's monitor); centred on the screen, or on the owner window
    // when Position asks for it.
    bool CreateHandle(const std::string& caption, DWORD style, DWORD exStyle, int clientWidth,
                      int clientHeight, HWND ownerWindow = nullptr);
    // Another frame (styles) and client size for the existing window, centred as at creation.
    void SetFrame(DWORD style, DWORD exStyle, int clientWidth, int clientHeight);
    HFONT Font() const { return FFont.Get(); }
    // The bold form of Font(), made on first use.
    HFONT BoldFont();
    // The DPI the window is laid out for, and design pixels at it.
    UINT Dpi() const { return FDpi; }
    int Px(int designPixels) const { return ScaledPixels(designPixels, FDpi); }
    // Pixels at the window's DPI in design pixels, rounded up.
    int DesignPx(int pixels) const { return (pixels * 96 + static_cast<int>(FDpi) - 1) / static_cast<int>(FDpi); }
    HWND Tooltip();

    // Paints background and control texts from the skin data's current skin, and
    // repaints whenever that skin changes.
    void UseSkin(TSkinData* skinData);
    TSkinData* SkinData() const { return FSkinListener.Data; }

    // For a window of its own components: adds the form base and a language component,
    // so the engine's current language reaches it, takes the engine's skin (the skin data
    // given, if any), and loads the components. Each language's captions then get the room
    // they need.
    void LoadWithEngine(const TFormData& data);
    // Widens each label, button and check box whose caption is wider than the control
    // as far as the client area allows, and gives a control back its designed width when
    // its caption needs no more.
    void FitControlsToCaptions();

    // Shows the window modally: the owner is disabled and a nested message loop runs until
    // the window closes; returns ModalResult.
    int ShowModal();
    bool IsShowingModal() const { return FModal; }
    void CloseModal(int result);
    int ModalResult = 0;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The control that gets the keyboard when the window is first activated: the first that
    // Tab reaches.
    virtual HWND FirstFocus() { return GetNextDlgTabItem(Handle(), nullptr, FALSE); }

private:
    // The form's listener on its skin data, removed when it listens elsewhere or goes.
    struct TSkinListener {
        TSkinData* Data = nullptr;
        int Id = 0;
        TSkinListener() = default;
        TSkinListener(const TSkinListener&) = delete;
        TSkinListener& operator=(const TSkinListener&) = delete;
        ~TSkinListener() { Reset(nullptr, nullptr); }
        void Reset(TSkinData* data, TWin32Form* form);
    };

    LRESULT PaintSkinned(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    // A move to a monitor of another scale: every child is placed and sized in proportion,
    // the fonts are made again at the new DPI, and the window takes the suggested rectangle.
    void ChangeDpi(UINT dpi, const RECT& suggested);
    void RefreshSkin();

    TGdiFont FFont, FBoldFont;
    UINT FDpi = 96;
    HWND FLastFocus = nullptr; // the control that had the keyboard when the window went inactive
    HWND FTooltip = nullptr; // an owned window: it goes with the form's window
    bool FModal = false;
    TGdiBrush FSkinBrush;
    TSkinListener FSkinListener;
};

// A child control: the window class of the system (L"BUTTON", L"STATIC", ...), its own
// component class name, and a stable control identifier.
class TWin32Control : public TComponent {
public:
    TWin32Control(TWin32Form* owner, std::string name, std::string className, const wchar_t* windowClass,
                  const std::string& text, DWORD style, int x, int y, int width, int height, int id,
                  HWND parent = nullptr);
    HWND Handle() const { return FHandle; }
    int Id() const { return FId; }
    std::string GetText() const;
    void SetText(const std::string& text);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint);
    // Makes the control as wide as its caption needs, at least its designed width and at
    // most up to maxRight (in its parent's coordinates); controls without a caption to fit
    // keep their size.
    void FitToCaption(int maxRight);

protected:
    // Publishes the window text as a "Caption" or "Text" style property.
    void PublishWindowText(const std::string& propName, const std::string& typeName);

    TWin32Form* FForm;
    HWND FHandle = nullptr;
    int FId;
    std::string FHint;
    int FDesignWidth;
    // The room beside the caption's text in design pixels (a button's margins), and whether a
    // check box's box comes before it; -1 for controls whose size does not follow their caption.
    int FCaptionPadding = -1;
    bool FCheckBox = false;
};

class TLabelControl : public TWin32Control {
public:
    TLabelControl(TWin32Form* owner, std::string name, const std::string& caption, int x, int y, int w, int h,
                  HWND parent = nullptr);
};

class TButtonControl : public TWin32Control {
public:
    TButtonControl(TWin32Form* owner, std::string name, const std::string& caption, int x, int y, int w,
                   int h, int id, bool isDefault = false, HWND parent = nullptr);
};

class TCheckBoxControl : public TWin32Control {
public:
    TCheckBoxControl(TWin32Form* owner, std::string name, const std::string& caption, int x, int y, int w,
                     int h, int id, HWND parent = nullptr);
    bool Checked() const;
    void SetChecked(bool checked);
};

// A drop-down list of fixed items.
class TComboBoxControl : public TWin32Control {
public:
    TComboBoxControl(TWin32Form* owner, std::string name, int x, int y, int w, int h, int id,
                     HWND parent = nullptr);
    void AddItem(const std::string& text);
    void ClearItems();
    int ItemCount() const;
    std::string ItemText(int index) const;
    int ItemIndex() const; // -1: nothing selected
    void SetItemIndex(int index);
};

// A multi-line text whose "Lines" property is a string list.
class TMemoControl : public TWin32Control {
public:
    TMemoControl(TWin32Form* owner, std::string name, int x, int y, int w, int h, HWND parent = nullptr);
};

} // namespace maskaddr
