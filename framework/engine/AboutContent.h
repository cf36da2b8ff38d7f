// TAboutContent: what the about window shows, composed by the engine from the language
// texts and the settings, and drawn by the window side.
#pragma once

#include <string>

namespace maskaddr {

struct TAboutContent {
    std::string Caption, OkCaption, Info, SupportCaption, SupportURL, LogoPath;
    std::string OwnerCaption; // empty unless the window is shown inside ParentHWND
};

} // namespace maskaddr
