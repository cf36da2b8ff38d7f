// The pool's shuffle: in each pass every position i, in ascending order, gives up its
// item, which is taken out and inserted at a drawn position. Done literally that costs
// O(n) per move; here a pass is computed in O(n log n) with the very same result.
#pragma once

#include "proxy/ProxyRandom.h"

#include <cstdint>
#include <vector>

namespace maskaddr {

// Scratch buffers of the passes, kept between calls to spare the allocations.
struct TMoveShuffleWork {
    std::vector<uint32_t> Targets;
    std::vector<uint64_t> Bits;
    std::vector<uint32_t> Tree;
    std::vector<uint32_t> QueueInsertAt;
    std::vector<uint32_t> OccurrenceAt;
    std::vector<uint32_t> OccurrenceItem;
    std::vector<uint32_t> Placed;
};

// One pass: for i = 0 .. n-1, the item at position i is taken out and inserted so that
// it stands at position targets[i] (every target below n - 1, or 0 when n is 1).
void ApplyMovePass(std::vector<uint32_t>& order, const std::vector<uint32_t>& targets,
                   TMoveShuffleWork& work);

// Four passes with targets drawn from the generator: each pass shuffles aNormal and
// then, when aIncludeSuper, aSuper. Every target is Random(Count - 1).
void ShuffleOrders(std::vector<uint32_t>& aNormal, std::vector<uint32_t>& aSuper, bool aIncludeSuper,
                   TProxyRandom& random, TMoveShuffleWork& work);

// The targets of one pass over n items, drawn as ShuffleOrders draws them.
void DrawMoveTargets(uint32_t n, TProxyRandom& random, std::vector<uint32_t>& targets);

} // namespace maskaddr
