// The worker of TInfoGotThread: a listed worker thread (see WorkerThreads.h) that owns
// its object through a shared pointer, which the hand-over passes on to the
// user-interface thread, so the object is freed by whichever side finishes last.
#include "proxy/InfoGotThread.h"

#include "framework/threads/WorkerThreads.h"

#include <memory>

namespace maskaddr {

TInfoGotThread::TInfoGotThread(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui)
    : FURL(std::move(aURL)), FOnInfoGot(std::move(aOnInfoGot)), FHttp(http), FUi(ui) {}

void TInfoGotThread::Start(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui) {
    auto thread = std::make_shared<TInfoGotThread>(std::move(aURL), std::move(aOnInfoGot), http, ui);
    // A request that fails, or whose thread cannot start, is silent by design.
    WorkerThreads::Start([thread] { thread->Execute(); });
}

void TInfoGotThread::Execute() {
    std::optional<std::string> reply = FHttp.Get(FURL);
    if (!reply) return;
    FRet = std::move(*reply);
    // The posted task keeps this object alive until it has run on the other side.
    FUi.Post([self = shared_from_this()] { self->SyncInfoGot(); });
}

void TInfoGotThread::SyncInfoGot() {
    if (!FRet.empty() && FOnInfoGot) FOnInfoGot(FRet);
}

} // namespace maskaddr
