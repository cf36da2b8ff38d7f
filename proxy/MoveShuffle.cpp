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
// insertions replayed backwards, each claiming the k-th still free slot (a bit per slot
// under a tree of counts).
#include "proxy/MoveShuffle.h"

#include <algorithm>
#include <array>
#include <bit>

namespace maskaddr {

namespace {

constexpr uint32_t kPasses = 4;
constexpr uint32_t kUnset = UINT32_MAX;

inline uint32_t CountBits(uint64_t w) {
    w = w - ((w >> 1) & 0x5555555555555555ull);
    w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((w * 0x0101010101010101ull) >> 56);
}

constexpr uint64_t kOnesPerByte = 0x0101010101010101ull;
constexpr uint64_t kHighPerByte = 0x8080808080808080ull;

// kSelectInByte[b][k]: position of the set bit of b that has k set bits below it.
constexpr std::array<std::array<uint8_t, 8>, 256> kSelectInByte = [] {
    std::array<std::array<uint8_t, 8>, 256> table{};
    for (uint32_t b = 0; b < 256; ++b)
        for (uint32_t bit = 0, rank = 0; bit < 8; ++bit)
            if (b >> bit & 1) table[b][rank++] = static_cast<uint8_t>(bit);
    return table;
}();

// Position of the set bit of w that has k set bits below it (w has more than k), without
// branches: the byte is found from running byte counts compared all at once.
inline uint32_t SelectBit(uint64_t w, uint32_t k) {
    uint64_t perByte = w - ((w >> 1) & 0x5555555555555555ull);
    perByte = (perByte & 0x3333333333333333ull) + ((perByte >> 2) & 0x3333333333333333ull);
    perByte = (perByte + (perByte >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    const uint64_t running = perByte * kOnesPerByte; // byte i: set bits in bytes 0 .. i
    const uint64_t notAbove = ((k * kOnesPerByte | kHighPerByte) - running) & kHighPerByte;
    const uint32_t place = static_cast<uint32_t>(((notAbove >> 7) * kOnesPerByte) >> 56) * 8;
    const uint32_t before = static_cast<uint32_t>(((running << 8) >> place) & 0xFF);
    return place + kSelectInByte[(w >> place) & 0xFF][k - before];
}

// Free slots 0 .. size-1: one bit per slot, and a complete binary tree counting the
// free slots of every 64-bit word, small enough to stay in the first-level cache.
class TFreeSlots {
public:
    TFreeSlots(std::vector<uint64_t>& bits, std::vector<uint32_t>& tree) : FBits(bits), FTree(tree) {}

    void Reset(uint32_t size) {
        const uint32_t words = (size + 63) / 64;
        FBits.assign(words, ~uint64_t{0});
        if (size % 64 != 0) FBits.back() = (uint64_t{1} << (size % 64)) - 1;
        FLeaves = std::bit_ceil(std::max(words, 1u));
        FTree.assign(2 * static_cast<size_t>(FLeaves), 0);
        for (uint32_t w = 0; w < words; ++w)
            FTree[FLeaves + w] = CountBits(FBits[w]);
        for (uint32_t node = FLeaves - 1; node >= 1; --node)
            FTree[node] = FTree[2 * node] + FTree[2 * node + 1];
    }

    // Claims the free slot that has exactly k free slots before it.
    uint32_t TakeKth(uint32_t k) {
        uint32_t node = 1;
        while (node < FLeaves) {
            --FTree[node];
            node *= 2;
            // Branch-free: the direction is a coin toss that a predictor cannot learn.
            const uint32_t left = FTree[node];
            const uint32_t right = k >= left;
            k -= left & (0u - right);
            node += right;
        }
        --FTree[node];
        const uint32_t word = node - FLeaves;
        const uint32_t bit = SelectBit(FBits[word], k);
        FBits[word] &= ~(uint64_t{1} << bit);
        return word * 64 + bit;
    }

private:
    std::vector<uint64_t>& FBits;
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
    TFreeSlots slots(work.Bits, work.Tree);
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
