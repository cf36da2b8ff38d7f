// The proxy list format: cutting a setting into entries and an entry into a record.
#include "proxy/ProxyRec.h"

#include <gtest/gtest.h>

using namespace maskaddr;

namespace {

struct TSplitCase {
    const char* Name;
    std::string Value;
    std::vector<std::string> Entries;
};

struct TParseCase {
    const char* Name;
    std::string Entry;
    TProxyRec Expected;
};

} // namespace

TEST(ProxyListFormatTest, SettingsAreCutIntoNonEmptyEntries) {
    const std::string a = "203.0.113.7:8080|Germany|DE|10.45|51.16";
    const std::string b = "198.51.100.2:3128|France|FR|2.35|48.85";
    const TSplitCase cases[] = {
        {"empty value", "", {}},
        {"only separators", ";;;", {}},
        {"double and trailing separators", a + ";;" + b + ";", {a, b}},
        {"leading separator", ";" + a, {a}},
        {"escaped quote", "1.2.3.4:80|C\\'te d\\'Ivoire|CI|1|2", {"1.2.3.4:80|C'te d'Ivoire|CI|1|2"}},
        {"lone backslash kept", "1.2.3.4:80|A\\B|XX|1|2", {"1.2.3.4:80|A\\B|XX|1|2"}},
        {"blanks are not trimmed", " " + a + " ; ", {" " + a + " ", " "}},
        {"duplicates kept", a + ";" + a, {a, a}},
    };
    for (const TSplitCase& c : cases)
        EXPECT_EQ(SplitProxyList(c.Value), c.Entries) << c.Name;
}

TEST(ProxyListFormatTest, EntriesGiveTheirFieldsInTheListOrder) {
    const TParseCase cases[] = {
        {"plain",
         "203.0.113.7:8080|Germany|DE|10.45|51.16",
         {"203.0.113.7", "8080", "DE", "Germany", "51.16", "10.45", false}},
        {"no colon: all of it is the port",
         "198.51.100.2|X|XX|1|2",
         {"", "198.51.100.2", "XX", "X", "2", "1"}},
        {"cut at the first colon", "::1:80|V6|V6|0|0", {"", ":1:80", "V6", "V6", "0", "0"}},
        {"empty fields", "||||", {"", "", "", "", "", ""}},
        {"extra fields ignored", "1.1.1.1:1|N|C|3|4|extra|more", {"1.1.1.1", "1", "C", "N", "4", "3"}},
        {"blanks kept", " 1.1.1.1 : 1 | N | C |3 | 4", {" 1.1.1.1 ", " 1 ", " C ", " N ", " 4", "3 "}},
    };
    for (const TParseCase& c : cases) {
        TProxyRec rec;
        ASSERT_TRUE(ParseProxyEntry(c.Entry, false, rec)) << c.Name;
        EXPECT_EQ(rec, c.Expected) << c.Name;
    }
    TProxyRec super;
    ASSERT_TRUE(ParseProxyEntry("1.1.1.1:1|N|C|3|4", true, super));
    EXPECT_TRUE(super.IsSuper);
}

TEST(ProxyListFormatTest, EntriesWithFewerThanFiveFieldsLeaveTheRecordAlone) {
    const TProxyRec before{"9.9.9.9", "99", "ZZ", "Before", "1", "2", true};
    for (const char* entry : {"", "1.1.1.1:1", "1.1.1.1:1|N|C|3", "a|b|c|d"}) {
        TProxyRec rec = before;
        EXPECT_FALSE(ParseProxyEntry(entry, false, rec)) << entry;
        EXPECT_EQ(rec, before) << entry;
    }
}
