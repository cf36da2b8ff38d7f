// The update window, recorded: which views it showed, its timer, and whether it ran
// modally (a test may run a loop of its own while "modal").
#pragma once

#include "framework/engine/UpdateCheck.h"

#include <functional>
#include <string>

namespace maskaddr::test {

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

} // namespace maskaddr::test
