// HTTP through WinINet with the system's preconfigured settings or straight to the host, and
// the message pump of waits on the user-interface thread.
#include "base/DebugTrace.h"
#include "platform/win32/InternetHandle.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <wininet.h>

#include <algorithm>
#include <chrono>

namespace maskaddr {

namespace {

// The time left before a deadline as a WinINet timeout: INFINITE for none, 0 once it is gone,
// else at least 1 ms (rounded up, so that a wait never ends before the deadline).
DWORD MsLeft(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    if (deadline == steady_clock::time_point::max()) return INFINITE;
    const auto left = deadline - steady_clock::now();
    if (left <= steady_clock::duration::zero()) return 0;
    return static_cast<DWORD>(std::min<long long>(ceil<milliseconds>(left).count(), INFINITE - 1));
}

class TInetTransferWin final : public IInetTransfer {
public:
    bool Send(const TInetRequest& r) override {
        FDeadline = r.Deadline;
        const std::wstring agent = ToWide(r.Agent);
        FSession.Attach(InternetOpenW(r.Agent.empty() ? nullptr : agent.c_str(),
                                      r.Direct ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PRECONFIG,
                                      nullptr, nullptr, 0));
        if (!FSession) return false;
        FConnection.Attach(InternetConnectW(FSession.Get(), ToWide(r.Host).c_str(), r.Port,
                                            ToWide(r.UserName).c_str(), ToWide(r.Password).c_str(),
                                            INTERNET_SERVICE_HTTP, 0, 0));
        if (!FConnection) return false;
        // On the connection: Wine takes the send and receive timeouts of a request from its
        // connection only (those of the session are ignored); Windows inherits them either way.
        DWORD limit =
            std::min(r.TimeoutMs > 0 ? static_cast<DWORD>(r.TimeoutMs) : INFINITE, MsLeft(r.Deadline));
        if (limit == 0) return TimedOut();
        if (limit != INFINITE)
            for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                                 INTERNET_OPTION_RECEIVE_TIMEOUT})
                InternetSetOptionW(FConnection.Get(), option, &limit, sizeof limit);
        DWORD flags = r.Secure ? INTERNET_FLAG_SECURE : (r.Reload ? INTERNET_FLAG_RELOAD : 0);
        if (r.Direct) flags |= INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
        const std::wstring accept = ToWide(r.AcceptType), referer = ToWide(r.Referer);
        const wchar_t* acceptList[] = {accept.c_str(), nullptr};
        FRequest.Attach(HttpOpenRequestW(FConnection.Get(), ToWide(r.Verb).c_str(), ToWide(r.Path).c_str(),
                                         L"HTTP/1.0", r.Referer.empty() ? nullptr : referer.c_str(),
                                         acceptList, flags, 0));
        if (!FRequest) return false;
        const std::wstring headers = ToWide(r.Headers);
        return HttpSendRequestW(FRequest.Get(), headers.empty() ? nullptr : headers.c_str(),
                                static_cast<DWORD>(headers.size()),
                                r.Body.empty() ? nullptr : const_cast<char*>(r.Body.data()),
                                static_cast<DWORD>(r.Body.size())) != FALSE;
    }

    int StatusCode() override {
        DWORD status = 0, size = sizeof status;
        if (!HttpQueryInfoW(FRequest.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                            nullptr))
            return 0;
        return static_cast<int>(status);
    }

    std::optional<int64_t> ContentLength() override {
        wchar_t buffer[512] = {};
        DWORD size = sizeof buffer;
        if (!HttpQueryInfoW(FRequest.Get(), HTTP_QUERY_CONTENT_LENGTH, buffer, &size, nullptr))
            return std::nullopt;
        wchar_t* end = nullptr;
        long long v = wcstoll(buffer, &end, 10);
        if (end == buffer || v < 0) return std::nullopt;
        return v;
    }

    // InternetReadFile alone waits until the whole buffer is filled (a reply that trickles in
    // would never come back before its end); asking what has arrived first waits only for the
    // next bytes, each wait no longer than the time left.
    bool Read(char* buffer, uint32_t size, uint32_t& got) override {
        got = 0;
        DWORD left = MsLeft(FDeadline);
        if (left == 0) return TimedOut();
        if (left != INFINITE)
            InternetSetOptionW(FRequest.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
        DWORD available = 0;
        if (!InternetQueryDataAvailable(FRequest.Get(), &available, 0, 0)) return false;
        if (available == 0) return true; // the end of the reply
        DWORD read = 0;
        BOOL ok = InternetReadFile(FRequest.Get(), buffer, std::min<DWORD>(available, size), &read);
        got = read;
        return ok != FALSE;
    }

private:
    static bool TimedOut() {
        SetLastError(ERROR_INTERNET_TIMEOUT);
        return false;
    }
    std::chrono::steady_clock::time_point FDeadline = std::chrono::steady_clock::time_point::max();
    // Closed in the reverse order: request, connection, session.
    TInternetHandle FSession, FConnection, FRequest;
};

} // namespace

std::unique_ptr<IInetTransfer> TInetClientWin::NewTransfer() {
    return std::make_unique<TInetTransferWin>();
}

// The direct GET of the lookups goes through WinINet, which every start loads anyway for the
// system's proxy settings; WinHTTP stays for requests through one named proxy (DirectHttpWin.cpp).
std::optional<std::string> TDirectHttpWin::Get(const std::string& url) {
    const std::wstring wideUrl = ToWide(url);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (wideUrl.empty() || !InternetCrackUrlW(wideUrl.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        TraceLastError("InternetCrackUrlW", url);
        return std::nullopt;
    }
    TInetRequest r;
    r.Agent = "Maskaddr";
    r.Host = ToUtf8(std::wstring(parts.lpszHostName, parts.dwHostNameLength));
    r.Port = parts.nPort;
    r.Secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    r.Path = ToUtf8(std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                    std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength));
    if (r.Path.empty()) r.Path = "/";
    r.Direct = true;
    r.TimeoutMs = TDirectHttpWin::kDirectTimeoutMs;
    TInetTransferWin transfer;
    if (!transfer.Send(r)) {
        TraceLastError("HttpSendRequestW", url);
        return std::nullopt;
    }
    const int status = transfer.StatusCode();
    if (status < 200 || status > 299) {
        DebugTrace::Trace("DirectHttp", "HTTP status " + std::to_string(status) + " for " + url);
        return std::nullopt;
    }
    std::string body;
    char buffer[16384];
    for (uint32_t got = 0;;) {
        if (!transfer.Read(buffer, sizeof buffer, got)) {
            TraceLastError("InternetReadFile", url);
            return std::nullopt;
        }
        if (got == 0) return body;
        if (body.size() + got > kReplyLimit) {
            DebugTrace::Trace("DirectHttp",
                              "Reply over " + std::to_string(kReplyLimit) + " bytes refused: " + url);
            return std::nullopt;
        }
        body.append(buffer, got);
    }
}

// One option list: the flags (proxy or direct alone, so automatic detection and scripts
// are off), the bypass list (an empty text, never a null pointer) and the server.
bool TInternetSettingsWin::ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                                   const std::string& aServer) {
    std::wstring bypass = ToWide(aBypass), server = ToWide(aServer);
    INTERNET_PER_CONN_OPTIONW options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = aEnable ? PROXY_TYPE_PROXY : PROXY_TYPE_DIRECT;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[1].Value.pszValue = bypass.data();
    options[2].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].Value.pszValue = server.data();
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.pszConnection = nullptr;
    list.dwOptionCount = 3;
    list.dwOptionError = 0;
    list.pOptions = options;
    return InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list) != FALSE;
}

namespace {

// Takes over a string that WinINet allocated for a query.
std::string TakeOptionText(wchar_t* text) {
    if (text == nullptr) return {};
    std::string utf8 = ToUtf8(text);
    GlobalFree(text);
    return utf8;
}

} // namespace

std::optional<TConnectionOptions> TInternetSettingsWin::QueryConnectionOptions() {
    INTERNET_PER_CONN_OPTIONW options[5] = {};
    const DWORD ids[5] = {INTERNET_PER_CONN_FLAGS, INTERNET_PER_CONN_PROXY_SERVER,
                          INTERNET_PER_CONN_PROXY_BYPASS, INTERNET_PER_CONN_AUTOCONFIG_URL,
                          INTERNET_PER_CONN_AUTODISCOVERY_FLAGS};
    for (int i = 0; i < 5; ++i)
        options[i].dwOption = ids[i];
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 5;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
        DebugTrace::Trace("CLProxy", "Reading the connection options failed: " + LastErrorText());
        return std::nullopt;
    }
    TConnectionOptions result;
    result.Flags = options[0].Value.dwValue;
    result.ProxyServer = TakeOptionText(options[1].Value.pszValue);
    result.ProxyBypass = TakeOptionText(options[2].Value.pszValue);
    result.AutoConfigUrl = TakeOptionText(options[3].Value.pszValue);
    result.AutoDiscoveryFlags = options[4].Value.dwValue;
    return result;
}

bool TInternetSettingsWin::ApplyConnectionOptions(const TConnectionOptions& o) {
    std::wstring server = ToWide(o.ProxyServer), bypass = ToWide(o.ProxyBypass),
                 script = ToWide(o.AutoConfigUrl);
    INTERNET_PER_CONN_OPTIONW options[5] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = o.Flags;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[1].Value.pszValue = server.data();
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[2].Value.pszValue = bypass.data();
    options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    options[3].Value.pszValue = script.data();
    options[4].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
    options[4].Value.dwValue = o.AutoDiscoveryFlags;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 5;
    list.pOptions = options;
    if (InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list)) return true;
    DebugTrace::Trace("CLProxy", "Restoring the connection options failed at option " +
                                     std::to_string(list.dwOptionError) + ": " + LastErrorText());
    return false;
}

void TInternetSettingsWin::NotifySettingsChanged() {
    BOOL changed = InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    DWORD changedError = changed ? 0 : GetLastError();
    BOOL refreshed = InternetSetOptionW(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
    DWORD refreshError = refreshed ? 0 : GetLastError();
    DebugTrace::Trace("CLProxy",
                      "Settings changed: " + std::string(changed ? "ok" : ErrorText(changedError)) +
                          ", refresh: " + std::string(refreshed ? "ok" : ErrorText(refreshError)));
}

void TMessagePumpWin::ProcessMessages() {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE))
        MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam)); // leave it for the outer loop
            return;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

} // namespace maskaddr
