// The engine registration seen by the settings store (see SettingLists.h).
#include "framework/settings/SettingLists.h"

namespace maskaddr {

namespace {
ISettingLists* g_engine = nullptr;
}

void SetSettingsEngine(ISettingLists* engine) {
    g_engine = engine;
}
ISettingLists* SettingsEngine() {
    return g_engine;
}

} // namespace maskaddr
