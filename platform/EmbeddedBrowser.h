// An embedded web browser as the framework sees it: it navigates to an address and,
// before every navigation, asks whether to go on (the before-navigation event with
// its cancel flag). The system's browser control is one; the tests have a fake.
#pragma once

#include <functional>
#include <string>

namespace maskaddr {

class IEmbeddedBrowser {
public:
    virtual ~IEmbeddedBrowser() = default;
    // Starts loading the address (a web address or a local file path); an empty address
    // is handed on as it is.
    virtual void Navigate(const std::string& url) = 0;
    // Called on the user-interface thread before each navigation, with the address;
    // setting cancel to true keeps the browser from going there.
    std::function<void(const std::string& url, bool& cancel)> OnBeforeNavigate2;
};

} // namespace maskaddr
