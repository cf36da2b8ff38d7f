// TInfoGotThread: one direct HTTP GET on a short-lived worker thread, whose reply is
// handed to the user-interface thread. It carries the IP-information lookup and the
// keep-alive requests of super proxies.
#pragma once

#include "platform/DirectHttp.h"
#include "platform/UiDispatcher.h"

#include <functional>
#include <memory>
#include <string>

namespace maskaddr {

// Receives the reply text on the user-interface thread.
using TOnInfoGot = std::function<void(const std::string& aRet)>;
// Told on the user-interface thread that a request brought no reply.
using TOnInfoFailed = std::function<void()>;

class TInfoGotThread : public std::enable_shared_from_this<TInfoGotThread> {
public:
    // Starts one request for aURL and returns at once. A non-empty reply reaches
    // aOnInfoGot on the user-interface thread; a failure or an empty reply reaches
    // aOnFailed (when set) only. The thread copies what it needs, frees itself and touches
    // nothing else.
    static void Start(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui,
                      TOnInfoFailed aOnFailed = {});

    TInfoGotThread(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui,
                   TOnInfoFailed aOnFailed = {});
    // The worker thread's part: the request, then the hand-over.
    void Execute();
    // The user-interface thread's part.
    void SyncInfoGot();

private:
    std::string FRet;
    std::string FURL;
    TOnInfoGot FOnInfoGot;
    TOnInfoFailed FOnFailed;
    IDirectHttp& FHttp;
    IUiDispatcher& FUi;
};

} // namespace maskaddr
