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

// The kind of a failed WinHTTP call, from its error.
THttpFailure FailureOf(DWORD error) {
    if (error == ERROR_WINHTTP_TIMEOUT) return THttpFailure::TimedOut;
    if (error == ERROR_WINHTTP_CANNOT_CONNECT) return THttpFailure::Refused;
    return THttpFailure::Other;
}

// One GET in a session of its own, through that proxy, within timeoutMs in all: each wait
// after the connection is given only the time that is left.
class TProxyRequest {
public:
    TProxyRequest(const std::string& url, const std::string& proxy, int timeoutMs)
        : FUrl(url), FProxy(proxy), FTimeoutMs(timeoutMs), FStart(GetTickCount64()) {}

    std::optional<std::string> Run() {
        if (!Open()) return std::nullopt;
        if (!WinHttpSendRequest(FRequest.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                                0, 0))
            return Failed("WinHttpSendRequest");
        if (!LimitWait() || !WinHttpReceiveResponse(FRequest.Get(), nullptr))
            return Failed("WinHttpReceiveResponse");
        DWORD status = 0, size = sizeof status;
        if (!WinHttpQueryHeaders(FRequest.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            return Failed("WinHttpQueryHeaders");
        if (status < 200 || status > 299) {
            DebugTrace::Trace("DirectHttp", "HTTP status " + std::to_string(status) + " for " + FUrl);
            return std::nullopt;
        }
        return ReadBody();
    }

    THttpFailure Failure = THttpFailure::Other;

private:
    bool Open() {
        std::wstring wideUrl = ToWide(FUrl);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (wideUrl.empty() || !WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts))
            return Refuse("WinHttpCrackUrl");
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (path.empty()) path = L"/";
        const std::wstring proxyName = ToWide(FProxy);
        FSession.Attach(WinHttpOpen(L"Maskaddr", WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxyName.c_str(),
                                    WINHTTP_NO_PROXY_BYPASS, 0));
        if (!FSession) return Refuse("WinHttpOpen");
        WinHttpSetTimeouts(FSession.Get(), FTimeoutMs, FTimeoutMs, FTimeoutMs, FTimeoutMs);
        FConnection.Attach(WinHttpConnect(FSession.Get(), host.c_str(), parts.nPort, 0));
        if (!FConnection) return Refuse("WinHttpConnect");
        const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
        FRequest.Attach(WinHttpOpenRequest(FConnection.Get(), L"GET", path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        if (!FRequest) return Refuse("WinHttpOpenRequest");
        return true;
    }

    // Gives the next wait the time that is left; false (timed out) when none is.
    bool LimitWait() {
        const ULONGLONG elapsed = GetTickCount64() - FStart;
        if (elapsed >= static_cast<ULONGLONG>(FTimeoutMs)) {
            SetLastError(ERROR_WINHTTP_TIMEOUT);
            return false;
        }
        DWORD left = static_cast<DWORD>(static_cast<ULONGLONG>(FTimeoutMs) - elapsed);
        WinHttpSetOption(FRequest.Get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
        WinHttpSetOption(FRequest.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
        return true;
    }

    std::optional<std::string> ReadBody() {
        std::string body;
        for (;;) {
            DWORD available = 0;
            if (!LimitWait() || !WinHttpQueryDataAvailable(FRequest.Get(), &available))
                return Failed("WinHttpQueryDataAvailable");
            if (available == 0) return body;
            if (body.size() + available > IDirectHttp::kReplyLimit) {
                DebugTrace::Trace("DirectHttp", "Reply over " + std::to_string(IDirectHttp::kReplyLimit) +
                                                    " bytes refused: " + FUrl + " via " + FProxy);
                return std::nullopt;
            }
            const size_t at = body.size();
            body.resize(at + available);
            DWORD read = 0;
            if (!WinHttpReadData(FRequest.Get(), body.data() + at, available, &read))
                return Failed("WinHttpReadData");
            body.resize(at + read);
        }
    }

    // Records why the call failed and traces it.
    bool Refuse(const char* call) {
        Failure = FailureOf(GetLastError());
        TraceLastError(call, FUrl + " via " + FProxy);
        return false;
    }
    std::nullopt_t Failed(const char* call) {
        Refuse(call);
        return std::nullopt;
    }

    std::string FUrl, FProxy;
    int FTimeoutMs;
    ULONGLONG FStart;
    // Closed in the reverse order: request, connection, session.
    TWinHttpHandle FSession, FConnection, FRequest;
};

} // namespace

// A proxy text that could name more than one proxy (";" or a blank) is refused.
std::optional<std::string> TDirectHttpWin::GetThroughProxy(const std::string& url, const std::string& proxy,
                                                           int timeoutMs, THttpFailure* failure) {
    if (failure != nullptr) *failure = THttpFailure::None;
    if (proxy.empty() || proxy.find_first_of("; \t\r\n") != std::string::npos) {
        DebugTrace::Trace("DirectHttp", "Unusable proxy text \"" + proxy + "\" for " + url);
        if (failure != nullptr) *failure = THttpFailure::Other;
        return std::nullopt;
    }
    TProxyRequest request(url, proxy, timeoutMs);
    std::optional<std::string> body = request.Run();
    if (!body && failure != nullptr) *failure = request.Failure;
    return body;
}

} // namespace maskaddr
