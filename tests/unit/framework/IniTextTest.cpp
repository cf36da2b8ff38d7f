// The INI text rules shared by the settings and language files.
#include "framework/settings/IniText.h"
#include "platform/SystemText.h"

#include <gtest/gtest.h>

using namespace maskaddr;

namespace {

TIniText Parse(const std::string& bytes) {
    TCp1252Codec ansi;
    TIniText ini;
    ini.LoadFromBytes(bytes, ansi);
    return ini;
}

std::string Save(const TIniText& ini) {
    TCp1252Codec ansi;
    return ini.SaveToBytes(ansi);
}

} // namespace

TEST(IniTextTest, LinesAreTrimmedAndCommentsAndLeadingLinesDropped) {
    TIniText ini =
        Parse("orphan=1\r\n  [ setting ]  \n; comment\n\t Name = some value \r\n\nnoequals\rB==x=\"q\"\n");
    EXPECT_FALSE(ini.ValueExists("setting", "orphan"));
    EXPECT_EQ(ini.ReadValue("SETTING", "name"), "some value");
    EXPECT_EQ(ini.ReadValue("setting", "B"), "=x=\"q\""); // split at the first "=", quotes kept
    EXPECT_FALSE(ini.ValueExists("setting", "noequals"));
    // The comment and the empty line are gone; the line without "=" survives a save.
    EXPECT_EQ(Save(ini), "[setting]\r\nName = some value\r\nnoequals\r\nB==x=\"q\"\r\n\r\n");
}

TEST(IniTextTest, DuplicatesAnswerWithTheLastAndKeepTheEarlierUnseen) {
    TIniText ini = Parse("[s]\nChangeIP=1\nChangeIP=0\n[other]\nk=v\n[S]\nk2=v2\n");
    EXPECT_EQ(ini.ReadValue("s", "ChangeIP"), std::nullopt) << "the later [S] block hides the first";
    EXPECT_EQ(ini.ReadValue("s", "k2"), "v2");

    TIniText entries = Parse("[setting]\nChangeIP=1\nChangeIP=0\n");
    EXPECT_EQ(entries.ReadValue("setting", "changeip"), "0");
    entries.WriteString("setting", "CHANGEIP", "5");
    EXPECT_EQ(Save(entries), "[setting]\r\nChangeIP=1\r\nCHANGEIP=5\r\n\r\n");

    ini.EraseSection("s");
    EXPECT_EQ(ini.ReadValue("s", "ChangeIP"), "0") << "erasing the last block uncovers the earlier one";
}

TEST(IniTextTest, WritesAppendToTheirSectionOrAddTheSectionAtTheEnd) {
    TIniText ini = Parse("[a]\nx=1\n[b]\ny=2\n");
    ini.WriteString("a", "z", "3");
    ini.WriteString("c", "w", "4");
    EXPECT_EQ(Save(ini), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n\r\n[c]\r\nw=4\r\n\r\n");
}

TEST(IniTextTest, EncodingIsDetectedAndKeptForSaving) {
    const std::string text = "[s]\r\nk=\xC3\xA9\xE4\xB8\xAD\r\n\r\n"; // UTF-8 text of the document
    struct Case {
        std::string bytes;
        TTextEncoding encoding;
    };
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : std::string("[s]\r\nk=")) {
        le += c, le += '\0';
        be += '\0', be += c;
    }
    le += std::string("\xE9\x00\x2D\x4E\r\0\n\0\r\0\n\0", 12);
    be += std::string("\x00\xE9\x4E\x2D\0\r\0\n\0\r\0\n", 12);
    const Case cases[] = {{"\xEF\xBB\xBF" + text, TTextEncoding::Utf8},
                          {le, TTextEncoding::Utf16LE},
                          {be, TTextEncoding::Utf16BE}};
    for (const Case& c : cases) {
        TIniText ini = Parse(c.bytes);
        EXPECT_EQ(ini.Encoding(), c.encoding);
        EXPECT_EQ(ini.ReadValue("s", "k"), "\xC3\xA9\xE4\xB8\xAD");
        EXPECT_EQ(Save(ini), c.bytes) << "saved in the encoding it was read in";
    }
    // Without a mark: the ANSI code page both ways; what it cannot hold is lost.
    TIniText ansi = Parse("[s]\r\nk=\xE9\r\n");
    EXPECT_EQ(ansi.Encoding(), TTextEncoding::Ansi);
    EXPECT_EQ(ansi.ReadValue("s", "k"), "\xC3\xA9");
    ansi.WriteString("s", "k", "\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(Save(ansi), "[s]\r\nk=\xE9?\r\n\r\n");
}

TEST(IniTextTest, EmptyAndBrokenInputGiveEmptyOrPartialDocuments) {
    EXPECT_TRUE(Parse("").Sections().empty());
    EXPECT_TRUE(Parse(" ").Sections().empty()); // the store's freshly created one-space file
    EXPECT_TRUE(Parse("\xFF\xFE").Sections().empty());
    TIniText odd = Parse(std::string("\xFF\xFE[\0s\0]\0\n", 9)); // odd byte count: last byte ignored
    EXPECT_TRUE(odd.SectionExists("s"));
    TIniText nul = Parse(std::string("[s]\nk=a\0b\n", 10));
    EXPECT_EQ(nul.ReadValue("s", "k"), std::string("a\0b", 3));
    EXPECT_FALSE(Parse("[]\n[\n]").SectionExists("x"));
}
