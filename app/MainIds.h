// Stable identifiers of the main window's commands and controls. Other programs
// (a screen reader, the test driver) find controls and send commands by them.
#pragma once

namespace maskaddr::ids {

// Actions: WM_COMMAND identifiers.
constexpr int actMaskaddr = 40001;
constexpr int actStopHide = 40002;
constexpr int actChooseIPCountry = 40003;
constexpr int actCheckIPInfo = 40004;
constexpr int actSettings = 40005;
constexpr int actHelpCenter = 40006;
constexpr int actHomePage = 40007;
constexpr int actUpdate = 40008;
constexpr int actAbout = 40009;
constexpr int actAlwaysOnTop = 40010;
constexpr int actOpen = 40011;
constexpr int actExit = 40012;
// The language menu's items, from this identifier on, in the order of the engine's list.
constexpr int Language1First = 41001;

// Controls: child window identifiers.
constexpr int pnlFlash = 1001;
constexpr int btnHide = 1002;
constexpr int btnChooseIP = 1003;
constexpr int btnSettings = 1004;
constexpr int imgFL = 1006;
constexpr int lblFake = 1007;
constexpr int lblIPCountry = 1008;
constexpr int cbAutorun = 1009;
constexpr int cbChangeIP = 1010;
constexpr int edtChangeIPTime = 1011;
constexpr int udChangeIPTime = 1012;
constexpr int cbClearCookie = 1013;

} // namespace maskaddr::ids
