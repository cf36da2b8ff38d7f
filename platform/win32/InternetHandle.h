// The owner of a WinINet handle (sessions, connections, requests). Kept apart from
// Handles.h because <wininet.h> and <winhttp.h> cannot be included together.
#pragma once

#include "platform/win32/Handles.h"

#include <wininet.h>

namespace maskaddr {

struct TInternetTraits {
    static HINTERNET Invalid() { return nullptr; }
    static bool Valid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
using TInternetHandle = TUniqueHandle<HINTERNET, TInternetTraits>;

} // namespace maskaddr
