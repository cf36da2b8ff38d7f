// What the browser switchers reach the system and the settings through: the platform's
// facilities and the settings store that the program made, handed to each switcher by
// whoever calls it.
#pragma once

#include "platform/Platform.h"

namespace maskaddr {

class TCLSettings;

struct TBrowserContext {
    TPlatform Facilities;
    TCLSettings& Settings;
};

} // namespace maskaddr
