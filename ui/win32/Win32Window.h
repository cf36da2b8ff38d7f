// TWin32Window: the window base of the program's windows, forms and player alike. One
// registered class per kind of window, the object found from its window (saved at
// WM_NCCREATE), an exception barrier in the window procedure, and the window destroyed
// with its object.
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <string>

namespace maskaddr {

// What a kind of window registers besides its procedure: name, class styles, background
// brush (null: the window paints it) and icon.
struct TWindowClassInfo {
    std::wstring Name;
    UINT Style = 0;
    HBRUSH Background = nullptr;
    HICON Icon = nullptr;
};

class TWin32Window {
public:
    TWin32Window() = default;
    virtual ~TWin32Window() = default;
    TWin32Window(const TWin32Window&) = delete;
    TWin32Window& operator=(const TWin32Window&) = delete;

    HWND Handle() const { return FHandle.Get(); }
    // Destroys the window now, while the whole object still handles the messages of its
    // end (WM_DESTROY). A window still there when the object goes is destroyed without them.
    void DestroyHandle();

protected:
    // Registers the class (once per process) and creates this object's window in the frame
    // (outer rectangle); a window it had before is destroyed first. False, traced, on failure.
    bool CreateWindowHandle(const TWindowClassInfo& windowClass, const std::string& caption, DWORD style,
                            DWORD exStyle, const RECT& frame, HWND parent);
    // Every message of the window; the default is DefaultMessage.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // For a window that draws its whole client area itself (PaintClient): answers
    // WM_ERASEBKGND (nothing to erase), WM_PAINT and WM_PRINTCLIENT; true, with the answer in
    // result, when the message was one of them.
    bool HandlePaintMessage(UINT msg, WPARAM wParam, LRESULT& result);
    virtual void PaintClient(HDC) {}
    // Starts (or restarts) the window's timer ID at MS milliseconds; false, traced with the
    // system's reason and WHAT the timer drives, when the system has no timer to give.
    bool StartTimer(UINT_PTR id, UINT ms, const std::string& what);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // The window is let go of its object before it is destroyed with it.
    struct TOwnWindowTraits {
        static HWND Invalid() { return nullptr; }
        static bool Valid(HWND h) { return h != nullptr; }
        static void Close(HWND h);
    };
    TUniqueHandle<HWND, TOwnWindowTraits> FHandle;
};

// The deleter of an owner whose window has work to do at its end (the main window runs
// FormDestroy at WM_DESTROY): the window goes first, while the object is whole.
struct TDestroyWindowFirst {
    template <typename TWindow> void operator()(TWindow* window) const {
        window->DestroyHandle();
        delete window;
    }
};

} // namespace maskaddr
