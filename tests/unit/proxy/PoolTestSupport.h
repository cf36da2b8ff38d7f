// Shared set-up of the proxy pool tests: a fake platform whose settings answer from
// an overwrite list, and repeatable seeds for the pool's generator.
#pragma once

#include "fakes/FakePlatform.h"
#include "base/Text.h"
#include "proxy/ProxyRandom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace maskaddr::test {

class PoolSettingsTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineLists Lists;

    void SetUp() override { SetSettingsEngine(&Lists); }
    void Set(const std::string& name, const std::string& value) {
        std::erase_if(Lists.Overwrite, [&](const std::string& line) {
            return SameText(line.substr(0, line.find('=')), name);
        });
        Lists.Overwrite.push_back(name + "=" + value);
    }
};

// While it lives, every reseed of the pool's generator takes the next of a fixed
// sequence of seeds.
class TFixedSeeds {
public:
    explicit TFixedSeeds(uint64_t first) : FNext(first) {
        FPrevious = ProxyRandom().SetSeedSource([this] { return FNext++; });
    }
    ~TFixedSeeds() { ProxyRandom().SetSeedSource(std::move(FPrevious)); }
    void Restart(uint64_t first) { FNext = first; }

private:
    uint64_t FNext;
    TProxyRandom::TSeedSource FPrevious;
};

inline std::string Join(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& entry : entries)
        out += entry + ";";
    return out;
}

} // namespace maskaddr::test
