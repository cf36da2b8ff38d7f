// The program's one settings store: made on first use from the installed platform, and
// ended by the start routine after the message loop. Only the composition root (the start
// routine and the main window) and the tests reach it here; everything else is handed the
// store it uses.
#pragma once

#include "framework/settings/CLSettings.h"

namespace maskaddr {

TCLSettings& Settings();
void FreeSettings();

} // namespace maskaddr
