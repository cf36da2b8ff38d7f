// While it lives, every reseed of the pool's generator takes the next of a fixed sequence
// of seeds, so a test that draws proxies draws the same ones on every run.
#pragma once

#include "proxy/ProxyRandom.h"

#include <cstdint>

namespace maskaddr::test {

class TFixedSeeds {
public:
    explicit TFixedSeeds(uint64_t first) : FNext(first) {
        FPrevious = ProxyRandom().SetSeedSource([this] { return FNext++; });
    }
    ~TFixedSeeds() { ProxyRandom().SetSeedSource(std::move(FPrevious)); }
    TFixedSeeds(const TFixedSeeds&) = delete;
    TFixedSeeds& operator=(const TFixedSeeds&) = delete;
    void Restart(uint64_t first) { FNext = first; }

private:
    uint64_t FNext;
    TProxyRandom::TSeedSource FPrevious;
};

} // namespace maskaddr::test
