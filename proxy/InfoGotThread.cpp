// The worker of TInfoGotThread: a listed worker thread (see WorkerThreads.h) that owns
// its object through a shared pointer, which the hand-over passes on to the
// user-interface thread, so the object is freed by whichever side finishes last.
#include "proxy/InfoGotThread.h"

#include "framework/threads/WorkerThreads.h"

#include <memory>

namespace maskaddr {

TInfoGotThread::TInfoGotThread(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui,
                               TOnInfoFailed aOnFailed)
    : FURL(std::move(aURL)), FOnInfoGot(std::move(aOnInfoGot)), FOnFailed(std::move(aOnFailed)), FHttp(http),
      FUi(ui) {}

void TInfoGotThread::Start(std::string aURL, TOnInfoGot aOnInfoGot, IDirectHttp& http, IUiDispatcher& ui,
                           TOnInfoFailed aOnFailed) {
    auto thread = std::make_shared<TInfoGotThread>(std::move(aURL), std::move(aOnInfoGot), http, ui,
                                                   std::move(aOnFailed));
    // A thread that cannot start is a failed request.
    if (!WorkerThreads::Start([thread] { thread->Execute(); }) && thread->FOnFailed) thread->FOnFailed();
}

void TInfoGotThread::Execute() {
    std::optional<std::string> reply = FHttp.Get(FURL);
    if (reply) FRet = std::move(*reply);
    if (FRet.empty() && !FOnFailed) return; // silent by design
    // The posted task keeps this object alive until it has run on the other side.
    FUi.Post([self = shared_from_this()] { self->SyncInfoGot(); });
}

void TInfoGotThread::SyncInfoGot() {
    if (!FRet.empty()) {
        if (FOnInfoGot) FOnInfoGot(FRet);
    } else if (FOnFailed) {
        FOnFailed();
    }
}

} // namespace maskaddr
