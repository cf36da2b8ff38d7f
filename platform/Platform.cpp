// Holds the process's platform facilities (see Platform.h).
#include "platform/Platform.h"

namespace maskaddr {

namespace {
TPlatform g_platform;
}

TPlatform& Platform() {
    return g_platform;
}
void SetPlatform(const TPlatform& platform) {
    g_platform = platform;
}

} // namespace maskaddr
