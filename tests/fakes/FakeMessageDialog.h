// The engine's message dialog, recorded: what it showed, whether it offered the
// "do not show again" box, and an answer and a ticked box that a test decides.
#pragma once

#include "framework/engine/MessageDialog.h"

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

} // namespace maskaddr::test
