// IEngineHost: what the engine needs from the window system: the hook on the owner
// window and its messages, the title, the message dialog, the about and update windows,
// and opening pages and programs. The system's own facts come from the platform.
#pragma once

#include "framework/engine/AboutContent.h"
#include "framework/engine/EngineMessage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace maskaddr {

class IMessageDialog;
class IUpdateView;
class TCLEngine;
class TUpdateController;

class IEngineHost {
public:
    virtual ~IEngineHost() = default;
    // Registers the message of one of the engine's events under the name that other
    // instances send it by.
    virtual void RegisterMessage(TEngineEvent event, const std::string& name) = 0;
    // Puts the engine's procedure in front of the owner window's own.
    virtual void HookOwner(TCLEngine& engine) = 0;
    virtual void UnhookOwner() = 0;
    // Posts the registered message of an event to the owner window.
    virtual void PostToOwner(TEngineEvent event) = 0;
    // Ends the application's message loop in order.
    virtual void TerminateApplication() = 0;
    // The application's (task bar) title and the owner window's caption.
    virtual void ApplyTitle(const std::string& title) = 0;
    virtual std::unique_ptr<IMessageDialog> CreateMessageDialog() = 0;
    virtual void ShowAbout(const TAboutContent& content, uintptr_t parentWindow) = 0;
    virtual void CloseSplash() = 0;
    // Opens a web address with the shell's "open" verb.
    virtual void OpenURL(const std::string& url) = 0;
    // Starts a program by its command line; failures are ignored.
    virtual void StartProcess(const std::string& commandLine) = 0;
    // A new update window driven by the controller.
    virtual std::unique_ptr<IUpdateView> CreateUpdateView(TUpdateController& controller) = 0;
};

} // namespace maskaddr
