// What the program-level probes share (besides the test kit's clock and medians): a user settings
// file that gives maskaddr.exe a pool of four countries and a lookup answered by a small
// server of the probe on 127.0.0.1.
#pragma once

#include "TestHttpServer.h"

#include <string>
#include <vector>

namespace maskaddr::bench {

// The lookup server and the user file of the program at exe (removed again at the end).
// No automatic update is due at start; an update reply counts as accepted once.
class TProbeSettings {
public:
    explicit TProbeSettings(const std::string& exe);
    ~TProbeSettings();
    TProbeSettings(const TProbeSettings&) = delete;
    TProbeSettings& operator=(const TProbeSettings&) = delete;
    // The address the program asks for the user's own information.
    std::string LookupUrl() const { return FLookup.Url("/info"); }

private:
    test::TTestHttpServer FLookup;
    std::string FUserFile;
};

} // namespace maskaddr::bench
