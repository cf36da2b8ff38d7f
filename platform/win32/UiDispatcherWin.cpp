// The hand-over to the user-interface thread on Win32: a message-only window of that
// thread receives each task as a posted message and runs it from the thread's message
// loop (also from the nested loops of modal dialogs).
#include "base/DebugTrace.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"
#include "platform/win32/WindowClass.h"

#include <exception>
#include <memory>

namespace maskaddr {

namespace {

constexpr UINT kRunTask = WM_APP + 0x51;
constexpr wchar_t kClassName[] = L"MaskaddrUiDispatcher";

using TTask = std::function<void()>;

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunTask) return DefWindowProcW(window, message, wParam, lParam);
    std::unique_ptr<TTask> task(reinterpret_cast<TTask*>(lParam));
    try {
        (*task)();
    } catch (const std::exception& e) {
        DebugTrace::Trace("UiDispatcher", std::string("Task failed: ") + e.what());
    } catch (...) {
        DebugTrace::Trace("UiDispatcher", "Task failed with an unknown exception");
    }
    return 0;
}

} // namespace

TUiDispatcherWin::TUiDispatcherWin() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DispatcherProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterWindowClass(windowClass);
    FWindow.Attach(CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr));
    if (!FWindow) TraceLastError("CreateWindowExW", ToUtf8(kClassName));
}

// Tasks still queued are freed without running; the window then goes.
TUiDispatcherWin::~TUiDispatcherWin() {
    MSG message;
    while (FWindow && PeekMessageW(&message, FWindow.Get(), kRunTask, kRunTask, PM_REMOVE))
        delete reinterpret_cast<TTask*>(message.lParam);
}

bool TUiDispatcherWin::Post(std::function<void()> task) {
    auto boxed = std::make_unique<TTask>(std::move(task));
    // Fails once the window is gone (its thread ended): the task is dropped here.
    if (!FWindow || !PostMessageW(FWindow.Get(), kRunTask, 0, reinterpret_cast<LPARAM>(boxed.get())))
        return false;
    boxed.release();
    return true;
}

} // namespace maskaddr
