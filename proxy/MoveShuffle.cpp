// A pass computed offline in O(n log n).
//
// Before step i the list is a prefix P (positions 0 .. i-1) and a rest R. Step i takes
// the head x of R. With target r < i, x goes into P at r; with r == i, x is appended to
// P; with r > i, the next head y of R is appended to P and x goes back into R at offset
// r - i - 1. So P only ever grows by insertions, and R only loses its head and gains
// insertions. Keeping every item that ever left R as a marked prefix turns R into an
// insertion-only list as well, whose final order is the order in which R hands out its
// heads. Which branch a step takes depends on the targets alone, so both lists' shapes
// are known in advance; the final order of an insertion-only list follows from its
// insertions replayed backwards, each claiming the k-th still free slot (a count tree).
#include "proxy/MoveShuffle.h"

#include <bit>

namespace maskaddr {

namespace {

constexpr uint32_t kPasses = 4;
constexpr uint32_t kUnset = UINT32_MAX;

// Free slots 0 .. size-1 in a complete binary tree of counts.
class TFreeSlots {
public:
    explicit TFreeSlots(std::vector<uint32_t>& tree) : FTree(tree) {}

    void Reset(uint32_t size) {
        FLeaves = std::bit_ceil(size);
        FTree.assign(2 * static_cast<size_t>(FLeaves), 0);
        for (uint32_t i = 0; i < size; ++i)
            FTree[FLeaves + i] = 1;
        for (uint32_t node = FLeaves - 1; node >= 1; --node)
            FTree[node] = FTree[2 * node] + FTree[2 * node + 1];
    }

    // Claims the free slot that has exactly k free slots before it.
    uint32_t TakeKth(uint32_t k) {
        uint32_t node = 1;
        while (node < FLeaves) {
            --FTree[node];
            node *= 2;
            if (k >= FTree[node]) {
                k -= FTree[node];
                ++node;
            }
        }
        --FTree[node];
        return node - FLeaves;
    }

private:
    std::vector<uint32_t>& FTree;
    uint32_t FLeaves = 1;
};

} // namespace

void ApplyMovePass(std::vector<uint32_t>& order, const std::vector<uint32_t>& targets,
                   TMoveShuffleWork& work) {
    const uint32_t n = static_cast<uint32_t>(order.size());
    if (n < 2) return; // a single item can only be put back where it was

    // The rest R: where each item sent back into it lands, counted in the list that
    // also holds every item R has already handed out.
    work.QueueInsertAt.clear();
    uint32_t handedOut = 0;
    for (uint32_t i = 0; i < n; ++i) {
        ++handedOut;
        if (targets[i] > i) {
            ++handedOut;
            work.QueueInsertAt.push_back(handedOut + (targets[i] - i - 1));
        }
    }
    const uint32_t inserts = static_cast<uint32_t>(work.QueueInsertAt.size());
    const uint32_t occurrences = n + inserts;

    // Occurrences 0 .. n-1 are the items as they stand; n + k is the k-th one sent back.
    TFreeSlots slots(work.Tree);
    slots.Reset(occurrences);
    work.OccurrenceAt.assign(occurrences, kUnset);
    for (uint32_t k = inserts; k-- > 0;)
        work.OccurrenceAt[slots.TakeKth(work.QueueInsertAt[k])] = n + k;
    uint32_t original = 0;
    for (uint32_t& occurrence : work.OccurrenceAt)
        if (occurrence == kUnset) occurrence = original++;

    // Replay forwards to learn which item each step puts into P.
    work.OccurrenceItem.resize(occurrences);
    std::copy(order.begin(), order.end(), work.OccurrenceItem.begin());
    work.Placed.resize(n);
    uint32_t head = 0, sentBack = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t x = work.OccurrenceItem[work.OccurrenceAt[head++]];
        if (targets[i] > i) {
            work.Placed[i] = work.OccurrenceItem[work.OccurrenceAt[head++]];
            work.OccurrenceItem[n + sentBack++] = x;
        } else {
            work.Placed[i] = x;
        }
    }

    // P: step i inserted at min(target, i) into a list of i items.
    slots.Reset(n);
    for (uint32_t i = n; i-- > 0;)
        order[slots.TakeKth(std::min(targets[i], i))] = work.Placed[i];
}

void DrawMoveTargets(uint32_t n, TProxyRandom& random, std::vector<uint32_t>& targets) {
    targets.resize(n);
    const uint32_t range = n == 0 ? 0 : n - 1;
    for (uint32_t& target : targets)
        target = random.Random(range);
}

void ShuffleOrders(std::vector<uint32_t>& aNormal, std::vector<uint32_t>& aSuper, bool aIncludeSuper,
                   TProxyRandom& random, TMoveShuffleWork& work) {
    for (uint32_t pass = 0; pass < kPasses; ++pass) {
        DrawMoveTargets(static_cast<uint32_t>(aNormal.size()), random, work.Targets);
        ApplyMovePass(aNormal, work.Targets, work);
        if (!aIncludeSuper) continue;
        DrawMoveTargets(static_cast<uint32_t>(aSuper.size()), random, work.Targets);
        ApplyMovePass(aSuper, work.Targets, work);
    }
}

} // namespace maskaddr
