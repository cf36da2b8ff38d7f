// The start-up picture's choice (see Splash.h).
#include "framework/engine/Splash.h"

#include "platform/Platform.h"

namespace maskaddr {

std::string ChooseSplashPicture(const std::string& folder) {
    IFileSystem& files = *Platform().Files;
    for (const char* name : {"oem.splash.png", "res\\images\\splash.png"})
        if (files.FileExists(folder + name)) return folder + name;
    return {};
}

} // namespace maskaddr
