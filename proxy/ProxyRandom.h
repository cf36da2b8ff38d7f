// The process-wide pseudo-random generator of proxy choices and shuffles. It is
// reseeded from the clock at the start of every choice and every shuffle; tests may
// replace the seed source to make the draws repeatable.
#pragma once

#include <cstdint>
#include <functional>

namespace maskaddr {

class TProxyRandom {
public:
    using TSeedSource = std::function<uint64_t()>;

    void Seed(uint64_t seed) { FState = seed; }
    // Seeds from the seed source (the clock unless a test replaced it).
    void Reseed();
    // A uniformly drawn integer from 0 to n - 1; 0 when n is 0.
    uint32_t Random(uint32_t n);

    // Installs a seed source and returns the previous one; an empty one restores the clock.
    TSeedSource SetSeedSource(TSeedSource source);

private:
    uint64_t Next();

    uint64_t FState = 0;
    TSeedSource FSeedSource;
};

TProxyRandom& ProxyRandom();

} // namespace maskaddr
