// The live per-connection settings as plain fields: what was applied last, and whether
// the system answers a query or accepts a list, and how often it was asked.
#pragma once

#include "platform/InternetSettings.h"

namespace maskaddr::test {

class TFakeInternetSettings final : public IInternetSettings {
public:
    TConnectionOptions Options;
    bool Answers = true, Accepts = true;
    int Queries = 0;
    bool ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                 const std::string& aServer) override {
        Options = {aEnable ? 2u : 1u, aServer, aBypass, "", 0};
        return Accepts;
    }
    std::optional<TConnectionOptions> QueryConnectionOptions() override {
        ++Queries;
        return Answers ? std::optional<TConnectionOptions>(Options) : std::nullopt;
    }
    bool ApplyConnectionOptions(const TConnectionOptions& options) override {
        if (Accepts) Options = options;
        return Accepts;
    }
    void NotifySettingsChanged() override {}
};

} // namespace maskaddr::test
