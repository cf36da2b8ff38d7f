// The engine's update part (see UpdateChecks.h).
#include "framework/engine/UpdateChecks.h"

#include "framework/engine/EngineHost.h"
#include "framework/settings/CLSettings.h"

namespace maskaddr {

TUpdateChecks::TUpdateChecks(IUpdateEngine& engine, IEngineHost& host, const TPlatform& platform,
                             TCLSettings& settings)
    : FEngine(engine), FHost(host), FPlatform(platform), FSettings(settings) {}

TUpdateChecks::~TUpdateChecks() = default;

TUpdateChecks::TUpdateWindow::~TUpdateWindow() {
    View.reset(); // the window goes first; the controller's transfer is then aborted
    Controller.reset();
}

// Finished modeless windows go before a new one comes: a program left running for weeks
// checks every day, and every hour while the service cannot be reached.
std::unique_ptr<TUpdateChecks::TUpdateWindow> TUpdateChecks::NewUpdateWindow() {
    std::erase_if(FWindows, [](const std::unique_ptr<TUpdateWindow>& w) {
        return !w->Controller->FUpdating && !w->View->IsVisible();
    });
    auto w = std::make_unique<TUpdateWindow>();
    w->Controller = std::make_unique<TUpdateController>(FEngine, FPlatform, FSettings);
    w->View = FHost.CreateUpdateView(*w->Controller);
    w->Controller->SetView(w->View.get());
    return w;
}

void TUpdateChecks::AppUpdate(bool wait) {
    auto w = NewUpdateWindow();
    w->Controller->StartUpdate(wait, true, true, false, false);
    if (!wait) FWindows.push_back(std::move(w));
}

void TUpdateChecks::AppUpdateAuto() {
    if (!AutoUpdateDue(FSettings, FPlatform.Clock->Now())) return;
    auto w = NewUpdateWindow();
    w->Controller->StartUpdate(false, false, AutoUpdateShows(FSettings), false,
                               FSettings.GetSettingBool("Update.AutoClose"));
    FWindows.push_back(std::move(w));
}

bool TUpdateChecks::AppWaitFirstUpdate() {
    if (FSettings.GetSettingInteger("Update.Times") > 0) return true;
    auto w = NewUpdateWindow();
    w->Controller->StartUpdate(true, true, false, true, false);
    return FSettings.GetSettingInteger("Update.Times") > 0;
}

} // namespace maskaddr
