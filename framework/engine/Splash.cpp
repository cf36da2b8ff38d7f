// The start-up picture's choice (see Splash.h).
#include "framework/engine/Splash.h"

#include "platform/FileSystem.h"

namespace maskaddr {

std::string ChooseSplashPicture(IFileSystem& files, const std::string& folder) {
    for (const char* name : {"oem.splash.png", "res\\images\\splash.png"})
        if (files.FileExists(folder + name)) return folder + name;
    return {};
}

} // namespace maskaddr
