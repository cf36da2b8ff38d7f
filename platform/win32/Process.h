// Starting another program: CreateProcessW checked and traced, the new process's handles
// in owners that close them.
#pragma once

#include "platform/win32/Handles.h"

#include <string>

namespace maskaddr {

// Starts the command line in workingFolder (empty: this process's current folder). With
// startup the child gets that start-up information; with inheritHandles it inherits the
// inheritable handles. When it cannot start, the call is traced and the handles are
// empty; GetLastError still says why.
TProcessHandles StartProcess(const std::string& commandLine, const std::string& workingFolder = {},
                             const STARTUPINFOW* startup = nullptr, bool inheritHandles = false);

} // namespace maskaddr
