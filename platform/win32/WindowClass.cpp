// Window-class registration (see WindowClass.h).
#include "platform/win32/WindowClass.h"

#include "platform/win32/WinText.h"

namespace maskaddr {

bool RegisterWindowClass(const WNDCLASSEXW& windowClass) {
    if (RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    TraceLastError("RegisterClassExW", ToUtf8(windowClass.lpszClassName));
    return false;
}

} // namespace maskaddr
