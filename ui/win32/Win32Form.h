// Win32 windows and controls in the component model. A TWin32Form is a top-level
// window whose static window procedure finds the object and forwards to OnMessage;
// controls are real child windows whose published properties read and change the
// window (text, list lines, tooltip hint).
#pragma once

#include "framework/components/Form.h"
#include "framework/engine/Skin.h"

#include <windows.h>

#include <string>

namespace maskaddr {

class TWin32Form : public TForm {
public:
    // className is also the registered window class, so other instances can find the window.
    TWin32Form(TComponent* owner, std::string name, std::string className);
    ~TWin32Form() override;

    // Creates the window with the given client size; centred on the screen, or on the
    // owner window when Position asks for it.
    bool CreateHandle(const std::string& caption, DWORD style, DWORD exStyle, int clientWidth,
                      int clientHeight, HWND ownerWindow = nullptr);
    // Another frame (styles) and client size for the existing window, centred as at creation.
    void SetFrame(DWORD style, DWORD exStyle, int clientWidth, int clientHeight);
    HWND Handle() const { return FHandle; }
    HFONT Font() const { return FFont; }
    HWND Tooltip();

    // Shows the window modally: the owner is disabled and a nested message loop runs until
    // the window closes; returns ModalResult.
    // Paints background and control texts from the skin data's current skin, and
    // repaints whenever that skin changes.
    void UseSkin(TSkinData* skinData);
    TSkinData* SkinData() const { return FSkinData; }

    int ShowModal();
    bool IsShowingModal() const { return FModal; }
    void CloseModal(int result);
    int ModalResult = 0;

protected:
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    LRESULT PaintSkinned(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    void RefreshSkin();

    HWND FHandle = nullptr;
    HFONT FFont = nullptr;
    HWND FTooltip = nullptr;
    bool FModal = false;
    TSkinData* FSkinData = nullptr;
    int FSkinListener = 0;
    HBRUSH FSkinBrush = nullptr;
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

protected:
    // Publishes the window text as a "Caption" or "Text" style property.
    void PublishWindowText(const std::string& propName, const std::string& typeName);

    TWin32Form* FForm;
    HWND FHandle = nullptr;
    int FId;
    std::string FHint;
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

// A multi-line text whose "Lines" property is a string list.
class TMemoControl : public TWin32Control {
public:
    TMemoControl(TWin32Form* owner, std::string name, int x, int y, int w, int h, HWND parent = nullptr);
};

} // namespace maskaddr
