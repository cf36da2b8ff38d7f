// Started programs, recorded as "folder> command line"; window classes a test says exist.
#pragma once

#include "platform/Processes.h"

#include <set>
#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeProcesses final : public IProcesses {
public:
    std::vector<std::string> Started;
    std::set<std::string> WindowClasses;
    bool Starts = true;
    bool Start(const std::string& commandLine, const std::string& folder, bool, int) override {
        if (Starts) Started.push_back(folder + "> " + commandLine);
        return Starts;
    }
    bool WindowClassExists(const std::string& className) override { return WindowClasses.count(className) > 0; }
};

} // namespace maskaddr::test
