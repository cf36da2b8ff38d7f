// Integer parse, trimming, UTF conversion and the Windows-1252 codec.
#include "base/Text.h"
#include "platform/SystemText.h"

#include <gtest/gtest.h>

using namespace maskaddr;

TEST(TextTest, IntegerParseFollowsThePlatformRules) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-17", -17},
        {"+5", 5},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X10", 16},
        {"-$10", -16},
        {"  7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"true", std::nullopt},
        {"12a", std::nullopt},
        {"7 ", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TryParseInt32(c.text), c.value) << "text: \"" << c.text << "\"";
}

TEST(TextTest, TrimRemovesBlanksAndControlCharactersOnly) {
    EXPECT_EQ(Trim(" \t\x01 a b \r\n"), "a b");
    EXPECT_EQ(Trim("\xC3\xA9 "), "\xC3\xA9"); // a non-ASCII letter at the edge is kept
    EXPECT_EQ(Trim("   "), "");
}

TEST(TextTest, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(SameText("App.Name", "APP.NAME"));
    EXPECT_FALSE(SameText("App.Name", "App.Nam"));
    EXPECT_EQ(ReplaceAllNoCase("a<br>b<BR>c", "<Br>", "\n"), "a\nb\nc");
}

TEST(TextTest, Utf16RoundTripKeepsSupplementaryCharactersAndReplacesInvalidBytes) {
    const std::string text = "Stra\xC3\x9F"
                             "e \xE4\xB8\xAD \xF0\x9F\x98\x80";
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 11u); // the emoji is a surrogate pair
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    // Each byte of a sequence that is not the shortest form of a code point becomes U+FFFD.
    const std::pair<const char*, std::u16string> invalid[]{
        {"\xC3", u"\xFFFD"},                                    // truncated
        {"\xC0\xAF/", u"\xFFFD\xFFFD/"},                        // "/" in two bytes
        {"\xC1\xBF", u"\xFFFD\xFFFD"},                          // DEL in two bytes
        {"\xE0\x80\xAF", u"\xFFFD\xFFFD\xFFFD"},                // "/" in three bytes
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},                // a surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},      // beyond U+10FFFF
        {"\xF5\x80", u"\xFFFD\xFFFD"},                          // no such lead byte
    };
    for (const auto& [bytes, decoded] : invalid) EXPECT_EQ(Utf8ToUtf16(bytes), decoded) << bytes;
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx"); // lone surrogate
}

TEST(TextTest, Cp1252CodecMapsTheHighRangeAndLosesTheRest) {
    TCp1252Codec codec;
    EXPECT_EQ(codec.FromAnsi("\x80\xE9\x9F"), "\xE2\x82\xAC\xC3\xA9\xC5\xB8");
    EXPECT_EQ(codec.ToAnsi("\xE2\x82\xAC\xC3\xA9\xC5\xB8"), "\x80\xE9\x9F");
    EXPECT_EQ(codec.ToAnsi("a\xE4\xB8\xAD"
                           "b\xF0\x9F\x98\x80"),
              "a?b?");
}

// Signatures travel in base64: one text per byte string, anything else refused.
TEST(TextTest, Base64RoundTripsAndRefusesEveryOtherText) {
    for (const std::string& bytes :
         {std::string(), std::string("\0", 1), std::string("\xFF\xFE"), std::string("abc")})
        EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes) << Base64Encode(bytes);
    EXPECT_EQ(Base64Encode("\xFB\xFF"), "+/8=");
    for (const char* bad : {"A", "AAA", "A===", "AB=C", "AB==", "AAB=", "AA==AAAA", "AA A", "AA\r\n"})
        EXPECT_FALSE(Base64Decode(bad)) << bad;
}
