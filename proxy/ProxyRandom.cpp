// SplitMix64 as the generator (fast, well mixed even for neighbouring seeds such as
// successive clock readings) and Lemire's unbiased multiply-and-reject for ranges.
#include "proxy/ProxyRandom.h"

#include <chrono>

namespace maskaddr {

namespace {
uint64_t ClockSeed() {
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    return static_cast<uint64_t>(steady) ^ (static_cast<uint64_t>(wall) << 17);
}
} // namespace

void TProxyRandom::Reseed() {
    Seed(FSeedSource ? FSeedSource() : ClockSeed());
}

TProxyRandom::TSeedSource TProxyRandom::SetSeedSource(TSeedSource source) {
    std::swap(source, FSeedSource);
    return source;
}

uint64_t TProxyRandom::Next() {
    uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t TProxyRandom::Random(uint32_t n) {
    if (n == 0) return 0;
    uint64_t m = (Next() >> 32) * n;
    if (static_cast<uint32_t>(m) < n) {
        const uint32_t threshold = static_cast<uint32_t>(-n) % n;
        while (static_cast<uint32_t>(m) < threshold)
            m = (Next() >> 32) * n;
    }
    return static_cast<uint32_t>(m >> 32);
}

TProxyRandom& ProxyRandom() {
    static TProxyRandom generator;
    return generator;
}

} // namespace maskaddr
