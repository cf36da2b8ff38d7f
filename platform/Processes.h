// Other programs as the browser switchers drive them: starting one with a command
// line, and telling whether a program has a window of a given class.
#pragma once

#include <string>

namespace maskaddr {

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // Starts the command line in workingFolder (empty: the current folder). With hideAndWait
    // the program's first window is hidden and the call waits up to timeoutMs (-1: without
    // limit) for it to end. False when the program could not be started.
    virtual bool Start(const std::string& commandLine, const std::string& workingFolder, bool hideAndWait,
                       int timeoutMs) = 0;
    // True when a top-level window of that class exists.
    virtual bool WindowClassExists(const std::string& className) = 0;
};

} // namespace maskaddr
