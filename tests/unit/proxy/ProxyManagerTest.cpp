// The proxy pool's loading and country queries, including malformed entries.
#include "proxy/ProxyManager.h"
#include "PoolTestSupport.h"
#include "app/AppSettings.h"

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const std::string kDe1 = "203.0.113.7:8080|Germany|DE|10.45|51.16";
const std::string kDe2 = "203.0.113.8:8080|germany|de|10.5|51.2";
const std::string kFr = "198.51.100.2:3128|France|FR|2.35|48.85";
const std::string kUs = "192.0.2.1:80|United States|US|-98.5|39.8";
const std::string kSuperDe = "192.0.2.9:443|Germany (super)|DE|11|50";
const std::string kSuperFr = "192.0.2.10:443|France|FR|9|9";

class ProxyManagerTest : public PoolSettingsTest {
protected:
    TProxyManager Pool{P.Facilities, Settings()};

    bool Load(const std::string& normal, const std::string& super) {
        Set("NORMAL_IPS", normal);
        Set("SUPER_IPS", super);
        return Pool.LoadSettings();
    }
};

} // namespace

TEST_F(ProxyManagerTest, LoadingAppendsEntriesAndNeedsANormalOne) {
    EXPECT_FALSE(Load("", kSuperDe)) << "the super list alone does not count";
    EXPECT_EQ(Pool.SuperProxyList(), std::vector<std::string>{kSuperDe});
    EXPECT_TRUE(Load(kDe1 + ";;" + kFr + ";", ""));
    EXPECT_EQ(Pool.NormalProxyList(), (std::vector<std::string>{kDe1, kFr}));
    EXPECT_EQ(Pool.SuperProxyList(), std::vector<std::string>{kSuperDe}) << "kept from the first load";

    EXPECT_TRUE(Load(kDe1 + ";" + kFr, kSuperDe));
    EXPECT_EQ(Pool.NormalProxyList(), (std::vector<std::string>{kDe1, kFr, kDe1, kFr}));
    EXPECT_EQ(Pool.GetcountryListCount("DE", false), 2) << "each copy counts";
    EXPECT_EQ(Pool.GetcountryListCount("DE", true), 4);
}

TEST_F(ProxyManagerTest, TheStoredTargetCountryIsRestoredOnlyWhenThePoolKnowsIt) {
    struct TCase {
        const char* Stored;
        const char* Expected;
    };
    const TCase cases[] = {
        {"FR", "FR"}, {"fr", "FR"}, // the pool's own spelling
        {"UN", "UN"}, {"un", "US"}, // the wildcard is exact
        {"JP", "US"}, {"", "US"},   // unknown or never stored
        {"DE", "DE"},               // a super proxy's country counts too
    };
    Load(kFr, kSuperDe);
    for (const TCase& c : cases) {
        Set("TARGET_COUNTRY", c.Stored);
        Pool.LoadSettings();
        EXPECT_EQ(Pool.TargetCountry(), c.Expected) << c.Stored;
    }
}

TEST_F(ProxyManagerTest, CountryCountsUseTheWildcardOnlyWhenExact) {
    Load(kDe1 + ";" + kDe2 + ";" + kFr + ";" + "1.1.1.1:1|Nowhere|Un|0|0", kSuperDe + ";" + kSuperFr);
    struct TCase {
        const char* Country;
        bool IncludeSuper;
        int Expected;
    };
    const TCase cases[] = {
        {"UN", false, 4}, {"UN", true, 6}, {"un", false, 1}, {"uN", true, 1}, {"DE", false, 2},
        {"de", true, 3},  {"FR", true, 2}, {"JP", true, 0},  {"", true, 0},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Pool.GetcountryListCount(c.Country, c.IncludeSuper), c.Expected)
            << c.Country << (c.IncludeSuper ? " with super" : "");
}

TEST_F(ProxyManagerTest, LookupsByNameOrCodeFindTheFirstRecordNormalListFirst) {
    Load(kDe1 + ";" + kDe2 + ";" + kFr, kSuperDe + ";" + kSuperFr + ";" + "7.7.7.7:7|Japan|JP|139|35");
    EXPECT_EQ(Pool.GetCountryShort("FRANCE"), "FR");
    EXPECT_EQ(Pool.GetCountryShort("germany"), "DE") << "first record, whatever its letter case";
    EXPECT_EQ(Pool.GetCountryShort("Japan"), "JP") << "found in the super list";
    EXPECT_EQ(Pool.GetCountryShort("Atlantis"), "");
    EXPECT_EQ(Pool.GetCountryLong("de"), "Germany");
    EXPECT_EQ(Pool.GetCountryLong("UN"), "") << "no wildcard for lookups";

    std::string longi = "keep", lati = "keep";
    Pool.GetCountryPosition("Atlantis", longi, lati);
    EXPECT_EQ(longi + lati, "keepkeep");
    Pool.GetCountryPosition("FRANCE", longi, lati);
    EXPECT_EQ(longi, "2.35");
    EXPECT_EQ(lati, "48.85");
}

TEST_F(ProxyManagerTest, CountryListAppendsNamesByTheTargetListsOwnComparison) {
    TStringList names;
    Pool.GetCountryList(&names);
    EXPECT_EQ(names.Count(), 0) << "empty pool";
    Pool.GetCountryList(nullptr);

    Load(kDe1 + ";" + kFr + ";" + kDe2 + ";" + kDe1, kSuperFr + ";" + kSuperDe);
    names.Add("France");
    Pool.GetCountryList(&names);
    EXPECT_EQ(names.Items, (std::vector<std::string>{"France", "Germany", "Germany (super)"}));

    TStringList exact;
    exact.CaseSensitive = true;
    Pool.GetCountryList(&exact);
    EXPECT_EQ(exact.Items, (std::vector<std::string>{"Germany", "France", "germany", "Germany (super)"}));
}

TEST_F(ProxyManagerTest, GetProxyRecLeavesTheRecordAloneOutsideTheList) {
    const std::vector<std::string> list{kFr, "broken|entry"};
    TProxyRec rec{"keep", "1", "", "", "", "", false};
    const TProxyRec before = rec;
    EXPECT_FALSE(Pool.GetProxyRec(list, -1, false, rec));
    EXPECT_FALSE(Pool.GetProxyRec(list, 2, false, rec));
    EXPECT_FALSE(Pool.GetProxyRec(list, 1, false, rec));
    EXPECT_EQ(rec, before);
    ASSERT_TRUE(Pool.GetProxyRec(list, 0, true, rec));
    EXPECT_EQ(rec, (TProxyRec{"198.51.100.2", "3128", "FR", "France", "48.85", "2.35", true}));
}

TEST_F(ProxyManagerTest, MalformedEntriesStayListedButAreNeverCountedListedOrChosen) {
    const std::string broken = "203.0.113.50:80|Germany|DE|10";
    // A country code names a flag file: anything but two letters is refused like a broken entry.
    const std::string badCode = "203.0.113.51:80|Germany|..\\..\\x|10|51";
    Load(broken + ";" + kFr + ";" + broken + ";" + "x|y;" + badCode, broken);
    EXPECT_EQ(Pool.NormalProxyList().size(), 5u) << "the lists keep the entries as loaded";
    EXPECT_EQ(Pool.GetcountryListCount("UN", true), 1);
    EXPECT_EQ(Pool.GetcountryListCount("DE", true), 0);
    EXPECT_EQ(Pool.GetCountryShort("Germany"), "");
    TStringList names;
    Pool.GetCountryList(&names);
    EXPECT_EQ(names.Items, std::vector<std::string>{"France"});
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Pool.GetIdleProxy("UN", true, TProxyRange::KAll, true).IP, "198.51.100.2");
    EXPECT_TRUE(Pool.GetIdleProxy("DE", true, TProxyRange::KSuper, true).IP.empty());

    // One trace line per distinct malformed entry, however often it occurs or is loaded.
    Pool.LoadSettings();
    Pool.GetcountryListCount("UN", true);
    std::vector<std::string> traced;
    for (const std::string& line : P.Trace.Lines)
        if (line.starts_with("[ProxyManager]")) traced.push_back(line);
    EXPECT_EQ(traced,
              (std::vector<std::string>{
                  "[ProxyManager] Proxy entry with fewer than five fields ignored: " + broken,
                  "[ProxyManager] Proxy entry with fewer than five fields ignored: x|y",
                  "[ProxyManager] Proxy entry whose country code is not two letters ignored: " + badCode}));
}
