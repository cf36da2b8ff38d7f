// The process's installed platform: the program's entry installs the Win32 facilities here
// before anything else runs, and a test installs its own (the Win32 ones or fakes). The
// settings store is made from it, and the start routine reads it; everything else is handed
// the platform it uses.
#pragma once

#include "platform/Platform.h"

namespace maskaddr {

// Every member is set once SetPlatform has run; all are null before.
const TPlatform& Platform();
void SetPlatform(const TPlatform& platform);

} // namespace maskaddr
