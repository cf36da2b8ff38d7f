// The program's settings store (see AppSettings.h).
#include "app/AppSettings.h"

#include "app/AppPlatform.h"

#include <memory>

namespace maskaddr {

namespace {
std::unique_ptr<TCLSettings> g_settings;
}

TCLSettings& Settings() {
    if (!g_settings) g_settings = std::make_unique<TCLSettings>(Platform());
    return *g_settings;
}

void FreeSettings() {
    g_settings.reset();
}

} // namespace maskaddr
