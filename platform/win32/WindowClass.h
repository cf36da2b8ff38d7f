// Window classes of the program: each registered once per process, the registration
// checked and a failure traced.
#pragma once

#include <windows.h>

namespace maskaddr {

// Registers the class; true as well when the process has registered it before.
bool RegisterWindowClass(const WNDCLASSEXW& windowClass);

} // namespace maskaddr
