// The process's installed platform (see AppPlatform.h).
#include "app/AppPlatform.h"

namespace maskaddr {

namespace {
TPlatform g_platform;
}

const TPlatform& Platform() {
    return g_platform;
}
void SetPlatform(const TPlatform& platform) {
    g_platform = platform;
}

} // namespace maskaddr
