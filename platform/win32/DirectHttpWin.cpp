// Requests through one named proxy on WinHTTP: a session per request, opened with the one
// proxy the caller names, so neither the system's web settings nor WinHTTP's own proxy
// settings are consulted. Each call is self-contained and may run on any thread. (The direct
// GET is in InetWin.cpp.)
#include "base/DebugTrace.h"
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <winhttp.h>

namespace maskaddr {

namespace {

struct TWinHttpTraits {
    static HINTERNET Invalid() { return nullptr; }
    static bool Valid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { WinHttpCloseHandle(h); }
};
using TWinHttpHandle = TUniqueHandle<HINTERNET, TWinHttpTraits>;

std::nullopt_t Failed(const char* call, const std::string& url) {
    TraceLastError(call, url);
    return std::nullopt;
}

// One GET in a session of its own, through that proxy.
std::optional<std::string> Request(const std::string& url, const std::string& proxy, int timeoutMs) {
    std::wstring wideUrl = ToWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (wideUrl.empty() || !WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts))
        return Failed("WinHttpCrackUrl", url);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    const std::wstring proxyName = ToWide(proxy);
    TWinHttpHandle session(WinHttpOpen(L"Maskaddr", WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxyName.c_str(),
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return Failed("WinHttpOpen", url + " via " + proxy);
    WinHttpSetTimeouts(session.Get(), timeoutMs, timeoutMs, timeoutMs, timeoutMs);
    TWinHttpHandle connection(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
    if (!connection) return Failed("WinHttpConnect", url);
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    TWinHttpHandle request(WinHttpOpenRequest(connection.Get(), L"GET", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request) return Failed("WinHttpOpenRequest", url);
    if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0))
        return Failed("WinHttpSendRequest", url);
    if (!WinHttpReceiveResponse(request.Get(), nullptr)) return Failed("WinHttpReceiveResponse", url);

    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Failed("WinHttpQueryHeaders", url);
    if (status < 200 || status > 299) {
        DebugTrace::Trace("DirectHttp", "HTTP status " + std::to_string(status) + " for " + url);
        return std::nullopt;
    }

    std::string body;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.Get(), &available))
            return Failed("WinHttpQueryDataAvailable", url);
        if (available == 0) break;
        const size_t at = body.size();
        body.resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(request.Get(), body.data() + at, available, &read))
            return Failed("WinHttpReadData", url);
        body.resize(at + read);
    }
    return body;
}

} // namespace

// A proxy text that could name more than one proxy (";" or a blank) is refused.
std::optional<std::string> TDirectHttpWin::GetThroughProxy(const std::string& url, const std::string& proxy,
                                                           int timeoutMs) {
    if (proxy.empty() || proxy.find_first_of("; \t\r\n") != std::string::npos) {
        DebugTrace::Trace("DirectHttp", "Unusable proxy text \"" + proxy + "\" for " + url);
        return std::nullopt;
    }
    return Request(url, proxy, timeoutMs);
}

} // namespace maskaddr
