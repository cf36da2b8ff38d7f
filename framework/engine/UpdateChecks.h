// TUpdateChecks: the engine's update part. It runs the update check the user asks for, the
// automatic one at the end of start-up and the first one a fresh installation waits for,
// each with its own window, and keeps the modeless windows until they are done.
#pragma once

#include "framework/engine/UpdateCheck.h"
#include "platform/Platform.h"

#include <memory>
#include <vector>

namespace maskaddr {

class IEngineHost;
class TCLSettings;

class TUpdateChecks {
public:
    TUpdateChecks(IUpdateEngine& engine, IEngineHost& host, const TPlatform& platform, TCLSettings& settings);
    ~TUpdateChecks();
    TUpdateChecks(const TUpdateChecks&) = delete;
    TUpdateChecks& operator=(const TUpdateChecks&) = delete;

    // The check the user asks for; wait runs its window modally and frees it.
    void AppUpdate(bool wait);
    // The automatic check, when "Update.Days" have passed since the last reply.
    void AppUpdateAuto();
    // True once a reply has been accepted; without one, runs a modal check first.
    bool AppWaitFirstUpdate();

private:
    struct TUpdateWindow {
        std::unique_ptr<TUpdateController> Controller;
        std::unique_ptr<IUpdateView> View;
        ~TUpdateWindow();
    };
    std::unique_ptr<TUpdateWindow> NewUpdateWindow();

    IUpdateEngine& FEngine;
    IEngineHost& FHost;
    TPlatform FPlatform;
    TCLSettings& FSettings;
    std::vector<std::unique_ptr<TUpdateWindow>> FWindows; // the modeless ones
};

} // namespace maskaddr
