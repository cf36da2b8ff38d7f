// TTestingController: the logic of the verification window (TfrmTesting). It asks the
// service's check once directly, for the address the world sees without a proxy, then
// through each proxy to verify (on worker threads, a few at once), and judges every
// proxy: it hides the user's address, leaks it, or does not answer.
#pragma once

#include "framework/engine/EngineParts.h"
#include "framework/threads/Lifeline.h"
#include "platform/Platform.h"
#include "proxy/ProxyRec.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr {

class TProxyManager;

// The check's NAME=VALUE reply: the address the service saw, its country, and every
// other line as a forwarding header that reached the service.
struct TCheckReply {
    std::string IP, CountryShort, CountryLong;
    std::vector<std::pair<std::string, std::string>> Headers;
};
// nullopt for a reply without an "IP" line (not the check, or an error page).
std::optional<TCheckReply> ParseCheckReply(const std::string& body);

enum class TVerdict { Hides, Leaks, NoAnswer };
struct TJudgement {
    TVerdict Verdict = TVerdict::NoAnswer;
    std::string Header; // a leak through a header: its name; empty when the address itself leaked
};
// Leaks when the service saw the real address, or a header names it; hides otherwise;
// no reply (or not the check's) is no answer.
TJudgement JudgeProxy(const std::optional<TCheckReply>& reply, const std::string& realAddress);

// The proxies of the pool to verify for a country code: each of that country once ("UN":
// at most kSampleSize, spread evenly over the whole pool).
constexpr size_t kSampleSize = 24;
std::vector<TProxyRec> ProxiesToVerify(const TProxyManager& pool, const std::string& aCountry);

class ITestingView {
public:
    virtual ~ITestingView() = default;
    virtual void SetInfo(const std::string& text) = 0;       // lblInfo
    virtual void AppendLog(const std::string& line) = 0;     // mmoLog
    virtual void SetProgress(size_t done, size_t total) = 0; // ggTesting
    // Closes the window after a pause in which the user can read the result.
    virtual void CloseAfter(int ms) = 0;
};

class TTestingController {
public:
    static constexpr size_t kParallel = 8;
    static constexpr int kTimeoutMs = 10000, kCloseDelayMs = 3000;

    // checkURL: the service's machine-readable check ("URL.VerifyIP").
    TTestingController(ITestingView& view, std::vector<TProxyRec> proxies, std::string checkURL,
                       IAppTexts& texts, const TPlatform& platform);
    TTestingController(const TTestingController&) = delete;
    TTestingController& operator=(const TTestingController&) = delete;

    // Starts the run; the results arrive on the user-interface thread. Destroying the
    // controller cancels what has not started; replies still on their way are dropped.
    void FormCreate();
    const std::vector<std::optional<TJudgement>>& Results() const { return FResults; }

private:
    void RealAddressGot(const std::optional<std::string>& body);
    void StartNext();
    void ProxyChecked(size_t index, const std::optional<std::string>& body, long ms);
    void Finish();

    std::string Text(const std::string& key, const std::vector<std::string>& args = {});
    ITestingView& FView;
    IAppTexts& FTexts;
    TPlatform FPlatform;
    std::vector<TProxyRec> FProxies;
    std::string FCheckURL;
    std::string FRealAddress;
    std::vector<std::optional<TJudgement>> FResults; // by proxy; empty until judged
    size_t FNext = 0, FDone = 0;
    TLifeline<TTestingController> FAlive{this};
};

} // namespace maskaddr
