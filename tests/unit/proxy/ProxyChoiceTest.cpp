// The choice of an idle proxy: cycling through a country's proxies, the fallback to
// the proxy in use, the wildcard, super proxies first, and agreement with the
// direct-way pool on random pools and seeds.
#include "PoolTestSupport.h"
#include "app/AppSettings.h"
#include "proxy/ProxyManager.h"
#include "reference/LiteralProxyPool.h"

#include <random>
#include <set>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::string Entry(const std::string& ip, const std::string& code, const std::string& port = "80") {
    return ip + ":" + port + "|Country " + code + "|" + code + "|1|2";
}

class ProxyChoiceTest : public PoolSettingsTest {
protected:
    TProxyManager Pool{P.Facilities, Settings()};

    void Load(const std::vector<std::string>& normal, const std::vector<std::string>& super = {}) {
        Set("NORMAL_IPS", Join(normal));
        Set("SUPER_IPS", Join(super));
        Pool.LoadSettings();
    }
    // As the main window asks: a fresh proxy of the country, which becomes the one in use.
    TProxyRec Next(const std::string& country, TProxyRange range = TProxyRange::KAll) {
        TProxyRec rec = Pool.GetIdleProxy(country, false, range, true);
        Pool.SetTargetProxy(rec);
        return rec;
    }
};

} // namespace

TEST_F(ProxyChoiceTest, ASingleProxyIsHandedOutAgainOnceUsedUp) {
    Load({Entry("10.0.0.1", "DE"), Entry("10.0.0.2", "FR")});
    EXPECT_EQ(Next("DE").IP, "10.0.0.1");
    EXPECT_EQ(Pool.UsedProxyList(), std::vector<std::string>{"10.0.0.1"});
    EXPECT_EQ(Next("de").IP, "10.0.0.1") << "the used list was reset";
    EXPECT_EQ(Pool.UsedProxyList(), std::vector<std::string>{"10.0.0.1"});
}

TEST_F(ProxyChoiceTest, ThreeProxiesGiveThreeDistinctAddressesThenANewCycle) {
    Load(
        {Entry("10.0.0.1", "DE"), Entry("10.0.0.2", "DE"), Entry("10.0.0.3", "DE"), Entry("10.0.0.9", "FR")});
    for (int cycle = 0; cycle < 3; ++cycle) {
        std::set<std::string> seen;
        for (int i = 0; i < 3; ++i)
            seen.insert(Next("DE").IP);
        EXPECT_EQ(seen, (std::set<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"})) << "cycle " << cycle;
        EXPECT_EQ(Pool.UsedProxyList().size(), 3u);
    }
}

TEST_F(ProxyChoiceTest, WithoutChangeTheProxyInUseStays) {
    Load({Entry("10.0.0.1", "DE"), Entry("10.0.0.2", "DE")});
    EXPECT_FALSE(Pool.GetIdleProxy("DE", false, TProxyRange::KAll, false).IP.empty())
        << "nothing in use yet: a choice is made";
    const TProxyRec inUse = Next("DE");
    const std::vector<std::string> used = Pool.UsedProxyList();
    EXPECT_EQ(Pool.GetIdleProxy("FR", true, TProxyRange::KAll, false), inUse);
    EXPECT_EQ(Pool.UsedProxyList(), used) << "the used list is not touched";
}

TEST_F(ProxyChoiceTest, NothingToChooseGivesTheProxyInUseOrAnEmptyRecord) {
    EXPECT_EQ(Pool.GetIdleProxy("DE", false, TProxyRange::KAll, true), TProxyRec{}) << "empty pool";
    Load({Entry("10.0.0.1", "DE")});
    EXPECT_EQ(Pool.GetIdleProxy("JP", false, TProxyRange::KAll, true), TProxyRec{});
    const TProxyRec inUse = Next("DE");
    EXPECT_EQ(Pool.GetIdleProxy("JP", false, TProxyRange::KAll, true), inUse);
    EXPECT_TRUE(Pool.UsedProxyList().empty()) << "an absent country clears the used list";
}

TEST_F(ProxyChoiceTest, AnAddressIsUsedWhicheverPortItWasHandedOutWith) {
    Load({Entry("10.0.0.1", "DE", "80"), Entry("10.0.0.1", "DE", "8080"), Entry("10.0.0.2", "DE")});
    for (int cycle = 0; cycle < 5; ++cycle) {
        const TProxyRec first = Next("DE");
        const TProxyRec second = Next("DE");
        EXPECT_EQ(std::set<std::string>({first.IP, second.IP}),
                  (std::set<std::string>{"10.0.0.1", "10.0.0.2"}));
        EXPECT_EQ(Pool.UsedProxyList().size(), 2u);
    }
}

TEST_F(ProxyChoiceTest, TheWildcardTakesAnyCountryAndResetsAfterEveryNormalProxy) {
    Load({Entry("10.0.0.1", "DE"), Entry("10.0.0.2", "FR"), Entry("10.0.0.3", "US")});
    std::set<std::string> seen;
    for (int i = 0; i < 3; ++i)
        seen.insert(Pool.GetIdleProxy("UN", false, TProxyRange::KNormal, true).IP);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(Pool.GetIdleProxy("UN", false, TProxyRange::KAll, true).IP.empty(), false);
    EXPECT_EQ(Pool.UsedProxyList().size(), 1u) << "all three were used: a new cycle began";
    EXPECT_TRUE(Pool.GetIdleProxy("un", false, TProxyRange::KAll, true).IP.empty())
        << "lower-case un is a country code like any other";
}

TEST_F(ProxyChoiceTest, SuperProxiesComeFirstOnTwoDrawsInTenUnderAll) {
    Load({Entry("10.0.0.1", "DE")}, {Entry("10.0.9.1", "DE")});
    TFixedSeeds seeds(1);
    int super = 0;
    const int choices = 2000;
    for (int i = 0; i < choices; ++i)
        super += Pool.GetIdleProxy("DE", true, TProxyRange::KAll, true).IsSuper;
    EXPECT_GT(super, choices * 15 / 100);
    EXPECT_LT(super, choices * 25 / 100);

    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(Pool.GetIdleProxy("DE", true, TProxyRange::KSuper, true).IsSuper);
        EXPECT_FALSE(Pool.GetIdleProxy("DE", true, TProxyRange::KNormal, true).IsSuper);
    }
    // No super proxy of the country: the normal list answers even under KSuper.
    Set("SUPER_IPS", Entry("10.0.9.1", "FR"));
    TProxyManager noGermanSuper{P.Facilities, Settings()};
    noGermanSuper.LoadSettings();
    EXPECT_EQ(noGermanSuper.GetIdleProxy("DE", true, TProxyRange::KSuper, true).IP, "10.0.0.1");
}

TEST_F(ProxyChoiceTest, RandomSortShufflesCopiesInPlaceAndTheSuperListOnlyWhenAsked) {
    std::vector<std::string> normal, super;
    for (int i = 0; i < 50; ++i) {
        normal.push_back("n" + std::to_string(i));
        super.push_back("s" + std::to_string(i));
    }
    TFixedSeeds seeds(7);
    std::vector<std::string> n1 = normal, s1 = super;
    Pool.RandomSort(n1, s1, false);
    EXPECT_NE(n1, normal);
    EXPECT_EQ(s1, super);
    EXPECT_TRUE(std::is_permutation(n1.begin(), n1.end(), normal.begin()));

    TLiteralProxyPool literal;
    for (bool includeSuper : {false, true}) {
        std::vector<std::string> ours_n = normal, ours_s = super, lit_n = normal, lit_s = super;
        seeds.Restart(99);
        Pool.RandomSort(ours_n, ours_s, includeSuper);
        seeds.Restart(99);
        literal.RandomSort(lit_n, lit_s, includeSuper);
        EXPECT_EQ(ours_n, lit_n);
        EXPECT_EQ(ours_s, lit_s);
    }
}

// Random pools with repeated addresses, ports and letter cases, malformed entries and
// entries without a port; random calls; the same seeds on both sides.
TEST_F(ProxyChoiceTest, ChoicesAgreeWithTheDirectWayOnRandomPoolsAndSeeds) {
    std::mt19937 gen(20240607);
    auto pick = [&](auto const& options) { return options[gen() % std::size(options)]; };
    const std::vector<std::string> codes{"DE", "de", "FR", "US", "UN", "Un", "JP"};
    const std::vector<std::string> asked{"DE", "de", "FR", "UN", "un", "JP", "XX", ""};
    const TProxyRange ranges[] = {TProxyRange::KNormal, TProxyRange::KSuper, TProxyRange::KAll};
    auto randomList = [&](size_t count) {
        std::vector<std::string> list;
        for (size_t i = 0; i < count; ++i) {
            const int kind = static_cast<int>(gen() % 20);
            const std::string ip =
                kind == 0   ? "10.0.0.A"
                : kind == 1 ? "10.0.0.a"
                            : "10.0." + std::to_string(gen() % 4) + "." + std::to_string(gen() % 12);
            if (kind == 2)
                list.push_back(ip + "|Short|" + pick(codes));
            else if (kind == 3)
                list.push_back(ip + "|NoPort|" + pick(codes) + "|1|2");
            else
                list.push_back(Entry(ip, pick(codes), std::to_string(gen() % 3)));
        }
        return list;
    };

    TFixedSeeds seeds(0);
    for (int round = 0; round < 60; ++round) {
        const auto normal = randomList(gen() % 40), super = randomList(gen() % 12);
        TProxyManager pool{P.Facilities, Settings()};
        Set("NORMAL_IPS", Join(normal));
        Set("SUPER_IPS", Join(super));
        pool.LoadSettings();
        TLiteralProxyPool literal;
        literal.Normal = pool.NormalProxyList();
        literal.Super = pool.SuperProxyList();
        ASSERT_EQ(literal.Normal.size(), normal.size());

        for (int call = 0; call < 40; ++call) {
            const std::string country = pick(asked);
            const bool clear = gen() % 8 == 0, change = gen() % 6 != 0;
            const TProxyRange range = pick(ranges);
            const uint64_t seed = gen();
            seeds.Restart(seed);
            const TProxyRec ours = pool.GetIdleProxy(country, clear, range, change);
            seeds.Restart(seed);
            const TProxyRec theirs = literal.GetIdleProxy(country, clear, range, change);
            ASSERT_EQ(ours, theirs) << "round " << round << " call " << call << " country " << country;
            ASSERT_EQ(pool.UsedProxyList(), literal.Used) << "round " << round << " call " << call;
            ASSERT_EQ(pool.GetcountryListCount(country, call % 2 == 0),
                      literal.GetcountryListCount(country, call % 2 == 0));
            pool.SetTargetProxy(ours);
            literal.TargetProxy = ours;
        }
        TStringList ourNames, theirNames;
        pool.GetCountryList(&ourNames);
        literal.GetCountryList(theirNames);
        EXPECT_EQ(ourNames.Items, theirNames.Items);
    }
}
