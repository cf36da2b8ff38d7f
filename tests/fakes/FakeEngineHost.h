// The window side of the engine, recorded: registered and posted messages, the
// title, and a message dialog whose answer and check box a test decides.
#pragma once

#include "framework/engine/CLEngine.h"
#include "framework/engine/UpdateCheck.h"

#include <functional>
#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeMessageDialog final : public IMessageDialog {
public:
    int Answer = mr::OK;
    bool TickBox = false; // the user ticks "do not show again"
    std::vector<std::string> Shown;
    std::vector<bool> Offered;
    int MessageDlg2(const std::string& text, const std::string& caption, int, uint32_t, int) override {
        Shown.push_back(caption + ": " + text);
        Offered.push_back(ShowAgainFlag);
        if (ShowAgainFlag && TickBox) ShowAgainFlagValue = false;
        return Answer;
    }
};

// The update window, recorded.
class TFakeUpdateView final : public IUpdateView {
public:
    bool Visible = false, AutoCheck = true, Process = false, Modal = false, Closed = false, TimerOn = false;
    int PostedResults = 0;
    std::string Info, TimerLabel;
    bool WithCancel = false;
    bool IsVisible() override { return Visible; }
    bool AutoCheckChecked() override { return AutoCheck; }
    void ShowProcessView() override { Process = true; }
    std::function<void(TFakeUpdateView&)> ModalLoop; // runs while "modal"
    void RunModal() override {
        Modal = Visible = true;
        if (ModalLoop) ModalLoop(*this);
    }
    void ShowModeless() override { Visible = true; }
    void PostShowResult() override { ++PostedResults; }
    void ShowResultView(const std::string& info, bool withCancel) override {
        Info = info;
        WithCancel = withCancel;
        Visible = true;
    }
    void SetTimerEnabled(bool e) override { TimerOn = e; }
    void SetTimerLabel(const std::string& t) override { TimerLabel = t; }
    void CloseWindow() override {
        Closed = true;
        Visible = false;
    }
};

class TFakeEngineHost final : public IEngineHost {
public:
    std::vector<std::string> Registered;
    std::vector<uint32_t> Posted;
    std::vector<std::string> Titles;
    std::vector<std::string> Args;
    uint32_t Tick = 1000;
    bool Terminated = false, Hooked = false;
    TFakeMessageDialog* Dialog = nullptr; // owned by the engine once created
    TAboutContent About;

    uint32_t RegisterMessage(const std::string& name) override {
        Registered.push_back(name);
        return 0xC000 + static_cast<uint32_t>(Registered.size());
    }
    void HookOwner(TCLEngine&) override { Hooked = true; }
    void UnhookOwner() override { Hooked = false; }
    void PostToOwner(uint32_t message) override { Posted.push_back(message); }
    void TerminateApplication() override { Terminated = true; }
    void ApplyTitle(const std::string& title) override { Titles.push_back(title); }
    uint32_t TickCount() override { return Tick; }
    std::vector<std::string> ProgramArguments() override { return Args; }
    std::unique_ptr<IMessageDialog> CreateMessageDialog() override {
        auto d = std::make_unique<TFakeMessageDialog>();
        Dialog = d.get();
        return d;
    }
    void ShowAbout(const TAboutContent& content, uintptr_t) override { About = content; }
    bool IsWindowsVista64() override { return false; }
    void CloseSplash() override {}
    std::vector<std::string> Opened;
    void OpenURL(const std::string& url) override { Opened.push_back(url); }
    std::vector<std::string> Started;
    void StartProcess(const std::string& commandLine) override { Started.push_back(commandLine); }
    void OsVersion(uint32_t& major, uint32_t& minor, std::string& sp) override {
        major = 5;
        minor = 1;
        sp = "Service Pack 3";
    }
    uint16_t SystemDefaultLangID() override { return 1033; }
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
