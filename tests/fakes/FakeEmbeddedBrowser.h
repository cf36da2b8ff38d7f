// A web browser that records the addresses it was sent to and lets a test raise its
// before-navigation event as a page's link would.
#pragma once

#include "platform/EmbeddedBrowser.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeEmbeddedBrowser final : public IEmbeddedBrowser {
public:
    std::vector<std::string> Navigated;
    void Navigate(const std::string& url) override { Navigated.push_back(url); }
    // The event as the control raises it; returns the cancel flag it came back with.
    bool Click(const std::string& url) {
        bool cancel = false;
        if (OnBeforeNavigate2) OnBeforeNavigate2(url, cancel);
        return cancel;
    }
};

} // namespace maskaddr::test
