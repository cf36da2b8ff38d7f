// The window base of the program's windows (see Win32Window.h).
#include "ui/win32/Win32Window.h"

#include "base/DebugTrace.h"
#include "platform/win32/WinText.h"
#include "platform/win32/WindowClass.h"

#include <exception>

namespace maskaddr {

namespace {

void TraceException(HWND hwnd, UINT msg, const char* what) {
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    DebugTrace::Trace("Window", "Exception in the window procedure of " + ToUtf8(className) + " at message " +
                                    std::to_string(msg) + ": " + what);
}

} // namespace

void TWin32Window::TOwnWindowTraits::Close(HWND h) {
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
}

void TWin32Window::DestroyHandle() {
    if (Handle() != nullptr) DestroyWindow(Handle()); // WM_NCDESTROY lets go of the handle
}

bool TWin32Window::CreateWindowHandle(const TWindowClassInfo& windowClass, const std::string& caption,
                                      DWORD style, DWORD exStyle, const RECT& frame, HWND parent) {
    FHandle.Close();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = windowClass.Style;
    wc.lpfnWndProc = &TWin32Window::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = windowClass.Background;
    wc.hIcon = windowClass.Icon;
    wc.lpszClassName = windowClass.Name.c_str();
    if (!RegisterWindowClass(wc)) return false;
    // The window procedure takes the handle at WM_NCCREATE, before this call returns.
    if (CreateWindowExW(exStyle, wc.lpszClassName, ToWide(caption).c_str(), style, frame.left, frame.top,
                        frame.right - frame.left, frame.bottom - frame.top, parent, nullptr, wc.hInstance,
                        this) == nullptr) {
        TraceLastError("CreateWindowExW", ToUtf8(windowClass.Name));
        return false;
    }
    return true;
}

LRESULT CALLBACK TWin32Window::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<TWin32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->FHandle.Attach(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<TWin32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->OnMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        TraceException(hwnd, msg, e.what());
        result = DefWindowProcW(hwnd, msg, wParam, lParam);
    } catch (...) {
        TraceException(hwnd, msg, "unknown exception");
        result = DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) { // the window is gone: the object lives on without one
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->FHandle.Detach();
    }
    return result;
}

LRESULT TWin32Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultMessage(msg, wParam, lParam);
}

LRESULT TWin32Window::DefaultMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(Handle(), msg, wParam, lParam);
}

bool TWin32Window::HandlePaintMessage(UINT msg, WPARAM wParam, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        PaintClient(dc);
        EndPaint(Handle(), &ps);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        PaintClient(reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    default:
        return false;
    }
}

bool TWin32Window::StartTimer(UINT_PTR id, UINT ms, const std::string& what) {
    if (SetTimer(Handle(), id, ms, nullptr) != 0) return true;
    TraceLastError("SetTimer", what + ", " + std::to_string(ms) + " ms");
    return false;
}

} // namespace maskaddr
