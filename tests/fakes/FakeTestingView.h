// The verification window as its controller sees it: the info text, the log lines,
// the gauge and the delay after which it was asked to close (0: it stays open).
#pragma once

#include "ui/ProxyVerification.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeTestingView final : public ITestingView {
public:
    std::string Info;
    std::vector<std::string> Log;
    size_t Done = 0, Total = 0;
    int CloseDelay = 0;
    void SetInfo(const std::string& text) override { Info = text; }
    void AppendLog(const std::string& line) override { Log.push_back(line); }
    void SetProgress(size_t done, size_t total) override {
        Done = done;
        Total = total;
    }
    void CloseAfter(int ms) override { CloseDelay = ms; }
};

} // namespace maskaddr::test
