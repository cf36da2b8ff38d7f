// WinHTTP's own default proxy setting for the proxy-bypass test, kept apart because
// <winhttp.h> and <wininet.h> cannot share a translation unit.
#include "platform/win32/WinText.h"

#include <winhttp.h>

#include <string>

namespace maskaddr::test {

// Names the default proxy ("host:port"), or none with an empty text; true on success.
bool SetWinHttpDefaultProxy(const std::string& proxy) {
    std::wstring name = ToWide(proxy);
    WINHTTP_PROXY_INFO info{
        static_cast<DWORD>(proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY),
        proxy.empty() ? nullptr : name.data(), nullptr};
    return WinHttpSetDefaultProxyConfiguration(&info) != FALSE;
}

} // namespace maskaddr::test
