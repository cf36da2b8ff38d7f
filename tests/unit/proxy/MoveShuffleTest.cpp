// The fast shuffle pass against the literal take-out-and-insert pass: the same
// permutation for the same targets, on many random lists, lengths and seeds.
#include "proxy/MoveShuffle.h"
#include "reference/LiteralProxyPool.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::vector<uint32_t> Identity(size_t n) {
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    return order;
}

} // namespace

TEST(MoveShuffleTest, HandPickedPassesMatchTheLiteralMoves) {
    struct TCase {
        const char* Name;
        std::vector<uint32_t> Targets;
    };
    const TCase cases[] = {
        {"one item", {0}},
        {"two items", {0, 0}},
        {"all to the front", {0, 0, 0, 0, 0}},
        {"all to the last allowed place", {3, 3, 3, 3, 3}},
        {"each stays", {0, 1, 2, 3, 4}},
        {"mixed", {2, 0, 3, 1, 0, 5, 2}},
    };
    TMoveShuffleWork work;
    for (const TCase& c : cases) {
        std::vector<uint32_t> fast = Identity(c.Targets.size()), literal = fast;
        ApplyMovePass(fast, c.Targets, work);
        LiteralMovePass(literal, c.Targets);
        EXPECT_EQ(fast, literal) << c.Name;
    }
    std::vector<uint32_t> empty;
    ApplyMovePass(empty, {}, work);
    EXPECT_TRUE(empty.empty());
}

TEST(MoveShuffleTest, RandomPassesMatchTheLiteralMoves) {
    std::mt19937_64 gen(1234);
    TMoveShuffleWork work;
    for (int round = 0; round < 3000; ++round) {
        const size_t n = round < 2900 ? gen() % 70 : 500 + gen() % 3000;
        std::vector<uint32_t> targets(n);
        // Skewed target ranges reach the rarer shapes (all small, all large).
        const uint64_t limit = n < 2 ? 1 : 1 + gen() % (n - 1);
        for (uint32_t& t : targets)
            t = static_cast<uint32_t>(round % 3 == 0 ? n - 2 - gen() % limit : gen() % limit) * (n > 1);
        std::vector<uint32_t> start = Identity(n);
        std::shuffle(start.begin(), start.end(), gen);
        std::vector<uint32_t> fast = start, literal = start;
        ApplyMovePass(fast, targets, work);
        LiteralMovePass(literal, targets);
        ASSERT_EQ(fast, literal) << "round " << round << ", " << n << " items";
    }
}

TEST(MoveShuffleTest, FourPassShufflesMatchTheLiteralShuffleForTheSameSeeds) {
    TMoveShuffleWork work;
    std::mt19937_64 gen(42);
    for (int round = 0; round < 300; ++round) {
        const size_t n = gen() % 200, s = gen() % 50;
        const uint64_t seed = gen();
        const bool includeSuper = round % 4 != 0;

        std::vector<uint32_t> fastN = Identity(n), fastS = Identity(s);
        TProxyRandom random;
        random.Seed(seed);
        ShuffleOrders(fastN, fastS, includeSuper, random, work);

        std::vector<uint32_t> litN = Identity(n), litS = Identity(s), targets;
        random.Seed(seed);
        for (int pass = 0; pass < 4; ++pass) {
            DrawMoveTargets(static_cast<uint32_t>(n), random, targets);
            LiteralMovePass(litN, targets);
            if (!includeSuper) continue;
            DrawMoveTargets(static_cast<uint32_t>(s), random, targets);
            LiteralMovePass(litS, targets);
        }
        ASSERT_EQ(fastN, litN) << "round " << round;
        ASSERT_EQ(fastS, litS) << "round " << round;
        if (!includeSuper) {
            EXPECT_EQ(fastS, Identity(s));
        }
    }
}

TEST(MoveShuffleTest, TargetsAreDrawnBelowTheLastPosition) {
    TProxyRandom random;
    random.Seed(5);
    std::vector<uint32_t> targets;
    for (uint32_t n : {0u, 1u, 2u, 3u, 10u}) {
        std::vector<int> hits(n, 0);
        for (int i = 0; i < 200; ++i) {
            DrawMoveTargets(n, random, targets);
            ASSERT_EQ(targets.size(), n);
            for (uint32_t t : targets)
                ++hits[t];
        }
        if (n >= 2) {
            EXPECT_EQ(hits[n - 1], 0) << n << " items: the last position is never drawn";
            EXPECT_GT(hits[n - 2], 0) << n << " items";
            EXPECT_GT(hits[0], 0) << n << " items";
        }
    }
}
