// The IP lookup bypasses a system proxy: with the system's web settings (and WinHTTP's
// own default) pointing at a tinyproxy on 127.0.0.1, the lookup reaches the server
// directly and the proxy's log shows no connection, while a request made the way the
// system settings say does pass through it. The ctest wrapper starts the proxy and
// names its port and log file in MASKADDR_TEST_PROXY_PORT and MASKADDR_TEST_PROXY_LOG.
#include "PoolWinSupport.h"
#include "TestHttpServer.h"
#include "platform/win32/InternetHandle.h"
#include "platform/win32/WinText.h"

#include <wininet.h>

#include <fstream>
#include <sstream>

using namespace maskaddr;
using namespace maskaddr::test;

namespace maskaddr::test {
bool SetWinHttpDefaultProxy(const std::string& proxy);
}

namespace {

const wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A Unix path of the host, as Wine shows it on drive Z:.
std::string ReadUnixFile(const std::string& unixPath) {
    std::ifstream file("Z:" + ReplaceAll(unixPath, "/", "\\"), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool LogShowsConnections(const std::string& log) {
    return log.find("Connect (file descriptor") != std::string::npos ||
           log.find("Request (file descriptor") != std::string::npos;
}

// A GET the way programs that follow the system's web settings make it.
std::string GetThroughSystemSettings(const std::string& url) {
    TInternetHandle session(InternetOpenW(L"Control", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return "InternetOpenW failed";
    TInternetHandle request(InternetOpenUrlW(session.Get(), ToWide(url).c_str(), nullptr, 0,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return "InternetOpenUrlW failed: " + LastErrorText();
    std::string body;
    char buffer[1024];
    DWORD read = 0;
    while (InternetReadFile(request.Get(), buffer, sizeof buffer, &read) && read > 0)
        body.append(buffer, read);
    return body;
}

class ProxyBypassWinTest : public PoolWinTest {
protected:
    TTestHttpServer Server;
    std::string ProxyPort = Environment("MASKADDR_TEST_PROXY_PORT");
    std::string ProxyLog = Environment("MASKADDR_TEST_PROXY_LOG");

    void SetUp() override {
        PoolWinTest::SetUp();
        ASSERT_FALSE(ProxyPort.empty() || ProxyLog.empty()) << "run through tests/win/with-tinyproxy";
        const std::wstring proxy = ToWide("127.0.0.1:" + ProxyPort);
        TRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.Receive(), nullptr),
                  ERROR_SUCCESS);
        const DWORD enable = 1;
        RegSetValueExW(key.Get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof enable);
        RegSetValueExW(key.Get(), L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(proxy.c_str()),
                       static_cast<DWORD>((proxy.size() + 1) * sizeof(wchar_t)));
        InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
        // WinHTTP's own default proxy too, so that neither HTTP stack of the system leads there.
        SetWinHttpDefaultProxy("127.0.0.1:" + ProxyPort);
    }
    void TearDown() override {
        TRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_SET_VALUE, key.Receive()) ==
            ERROR_SUCCESS) {
            const DWORD disable = 0;
            RegSetValueExW(key.Get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&disable),
                           sizeof disable);
        }
        SetWinHttpDefaultProxy("");
        PoolWinTest::TearDown();
    }
};

} // namespace

TEST_F(ProxyBypassWinTest, TheLookupGoesAroundTheSystemProxy) {
    Server.SetReply("/info", {200, "IP=127.0.0.1\r\nCITY=Loopback\r\n"});
    Set("URL.GetInfo", Server.Url("/info"));
    Set("App.MagicWord", "m");
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(Pool->LocalInfo(), (std::vector<std::string>{"IP=127.0.0.1", "CITY=Loopback"}));
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_EQ(Server.Requests()[0].find("Via:"), std::string::npos) << Server.Requests()[0];
    const std::string log = ReadUnixFile(ProxyLog);
    EXPECT_FALSE(LogShowsConnections(log)) << log;

    // The proxy is live and the system settings lead to it: the same request made the
    // way the settings say passes through it.
    EXPECT_EQ(GetThroughSystemSettings(Server.Url("/info?control")), "IP=127.0.0.1\r\nCITY=Loopback\r\n");
    ASSERT_TRUE(Server.WaitForRequests(2, 20000));
    EXPECT_NE(Server.Requests()[1].find("Via:"), std::string::npos) << Server.Requests()[1];
    EXPECT_TRUE(PumpUntil([&] { return LogShowsConnections(ReadUnixFile(ProxyLog)); }, 5000))
        << ReadUnixFile(ProxyLog);
}
