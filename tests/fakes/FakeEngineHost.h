// The window side of the engine, recorded: registered and posted messages, the
// title, the pages and programs it opened, and the dialogs and windows it made.
#pragma once

#include "fakes/FakeMessageDialog.h"
#include "fakes/FakeUpdateView.h"
#include "framework/engine/EngineHost.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeEngineHost final : public IEngineHost {
public:
    std::vector<std::string> Registered;
    std::vector<TEngineEvent> Posted;
    std::vector<std::string> Titles;
    bool Terminated = false, Hooked = false;
    TFakeMessageDialog* Dialog = nullptr; // owned by the engine once created
    TAboutContent About;

    void RegisterMessage(TEngineEvent, const std::string& name) override { Registered.push_back(name); }
    void HookOwner(TCLEngine&) override { Hooked = true; }
    void UnhookOwner() override { Hooked = false; }
    void PostToOwner(TEngineEvent event) override { Posted.push_back(event); }
    void TerminateApplication() override { Terminated = true; }
    void ApplyTitle(const std::string& title) override { Titles.push_back(title); }
    std::unique_ptr<IMessageDialog> CreateMessageDialog() override {
        auto d = std::make_unique<TFakeMessageDialog>();
        Dialog = d.get();
        return d;
    }
    void ShowAbout(const TAboutContent& content, uintptr_t) override { About = content; }
    void CloseSplash() override {}
    std::vector<std::string> Opened;
    void OpenURL(const std::string& url) override { Opened.push_back(url); }
    std::vector<std::string> Started;
    void StartProcess(const std::string& commandLine) override { Started.push_back(commandLine); }
    std::vector<TFakeUpdateView*> UpdateViews; // owned by the engine
    std::function<void(TFakeUpdateView&)> ModalLoop;
    std::unique_ptr<IUpdateView> CreateUpdateView(TUpdateController&) override {
        auto v = std::make_unique<TFakeUpdateView>();
        v->ModalLoop = ModalLoop;
        UpdateViews.push_back(v.get());
        return v;
    }
};

} // namespace maskaddr::test
