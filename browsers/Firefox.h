// Firefox: finding its executable, installing the extension that applies our
// requests, and starting it with the extension's command lines (set proxy, clear
// proxy, clear cookies and cache). Firefox runs on its own; nothing is awaited.
#pragma once

#include "browsers/BrowserContext.h"

#include <string>

namespace maskaddr {

// Starts exe (resolved against the program's folder; its folder is the working folder)
// with the parameters; with aHideAndWait hidden, waiting up to aTimeout ms (-1: no limit).
// An empty exe runs the parameters alone as the command line. False when it did not start.
bool LaunchProgram(const TBrowserContext& c, const std::string& exe, const std::string& parameters,
                   bool aHideAndWait, int aTimeout);

// The remembered "FireFoxPath" when that file exists, else what the registry names (the
// "Software\Brisklane" key over the Mozilla key); possibly empty or naming a missing file.
std::string FindFirefoxPath(const TBrowserContext& c);
bool IsFirefoxInstalled(const TBrowserContext& c);
bool IsFirefoxRunning(const TBrowserContext& c);
// Starts Firefox with the extension package beside the program; false when the package
// or Firefox is missing or the start failed.
bool InstallFirefoxExtension(const TBrowserContext& c);

// The command line that points Firefox at "address:port", or clears with the empty text.
// An address or port that could add arguments (a double quote, a blank or a control
// character) is refused: the clear line instead.
std::string FirefoxProxyCommandLine(const std::string& aProxy);
// Honours "SWITCH.FF": switched off, Firefox is started only once, with the clear line, when
// a hide of ours set a proxy there ("FF.ProxySet" in the user file: 1 once a set line was
// started, 0 once a clear line was).
void SetFirefoxProxy(const TBrowserContext& c, const std::string& aProxy);
// Switched off, Firefox is never started to clear its cookies.
void ClearFirefoxCookies(const TBrowserContext& c);

} // namespace maskaddr
