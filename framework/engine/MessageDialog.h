// The engine's message dialog: the kinds of message, the button bits and result values
// of a message box, and the dialog with its optional "do not show again" check box,
// which the window side implements.
#pragma once

#include <cstdint>
#include <string>

namespace maskaddr {

// Message kinds, button bits and results of message boxes.
enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };
namespace mb {
constexpr uint32_t Yes = 1u << 0, No = 1u << 1, OK = 1u << 2, Cancel = 1u << 3, Abort = 1u << 4,
                   Retry = 1u << 5, Ignore = 1u << 6, All = 1u << 7, NoToAll = 1u << 8, YesToAll = 1u << 9,
                   Help = 1u << 10, Close = 1u << 11;
}
namespace mr {
constexpr int None = 0, OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, All = 8,
              NoToAll = 9, YesToAll = 10, Close = 11;
}

// The message dialog with its optional "do not show again" check box.
class IMessageDialog {
public:
    virtual ~IMessageDialog() = default;
    bool ShowAgainFlag = false;     // offer the check box
    bool ShowAgainFlagValue = true; // false once the user ticked it
    std::string ShowAgainCaption;   // the check box's words in the current language; empty: the default
    virtual int MessageDlg2(const std::string& text, const std::string& caption, int kind, uint32_t buttons,
                            int helpContext) = 0;
};

} // namespace maskaddr
