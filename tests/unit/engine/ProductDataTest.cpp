// The data files shipped beside the program: every text key the program asks for is
// in the English language file, every translation matches it, the skins are valid, and
// the constants are complete.
#include "base/Text.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/Skin.h"
#include "framework/engine/UrlTools.h"
#include "framework/language/CLMultiLang.h"
#include "framework/settings/IniText.h"
#include "platform/SystemText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ReadSourceFile(const std::string& relative) {
    return ReadWholeFile(std::string(MASKADDR_SOURCE_DIR) + "/" + relative);
}

TIniText LoadIni(const std::string& path) {
    TCp1252Codec ansi;
    TIniText ini;
    ini.LoadFromBytes(ReadWholeFile(path), ansi);
    return ini;
}

} // namespace

TEST(ProductDataTest, EnglishHoldsEveryTextKeyThatIsAskedFor) {
    TIniText lan = LoadIni(std::string(MASKADDR_SOURCE_DIR) + "/lang/English.lan");
    const std::vector<std::pair<const char*, std::vector<const char*>>> keys = {
        {"Info", {"Language", "Translator", "Version"}},
        {"AppRes",
         {"AppName", "MSGBox.CHKNET", "MSGBox_ACTIONFAST", "MSGBox.CloseNotify", "MSGBox.FFRestart",
          "MSGBox.FFUninstalled", "MSGBox.FFPath", "FLSMsg.Ready", "FLSMsg.Hiding", "FLSMsg.Verifing",
          "Access.FlagOf", "Access.MapOf", "Tray.Hiding", "Tray.NotHiding"}},
        {"LibRes",
         {"TfrmCLUpdateForm.Caption", "btnOk.Caption", "btnCancel.Caption", "cbAutoCheckUpdate.Caption",
          "Update.Connecting", "lblTimer.Caption", "Update.LastVersionAlready", "Update.NetError",
          "TfrmCLAboutForm.Caption", "TfrmCLAboutForm.CopyRightLine1", "TfrmCLAboutForm.CopyRightLine2",
          "TfrmCLAboutForm.CopyRightLine3", "TfrmCLAboutForm.KeyLine", "lblSupport.Caption", "chkShowAgain.Caption"}},
        {"TfrmMain",
         {"actMaskaddr.Caption", "actStopHide.Caption", "actChooseIPCountry.Caption",
          "actCheckIPInfo.Caption", "actSettings.Caption", "actHelpCenter.Caption", "actHomePage.Caption",
          "actUpdate.Caption", "actAbout.Caption", "actAlwaysOnTop.Caption", "actOpen.Caption",
          "actExit.Caption", "lblFake.Caption", "lblIPCountry.Caption", "cbAutorun.Caption",
          "cbChangeIP.Caption", "cbClearCookie.Caption", "imgFL.Hint", "Language1.Caption"}},
        {"TfrmSettings",
         {"frmSettings.Caption", "cbAutoRun.Caption", "cbAutoUpdate.Caption", "btnClearShowAgainFlag.Caption",
          "lblBrowser.Caption", "cbIE.Caption", "cbFF.Caption", "cbOpera.Caption", "btnReinstallFF.Caption",
          "btnOK.Caption", "btnCancel.Caption", "lblLanguage.Caption"}},
        {"TfrmChooseIPCountry", {"frmChooseIPCountry.Caption", "lblCountry.Caption", "btnOK.Caption"}},
        {"TfrmTesting", {"frmTesting.Caption", "lblInfo.Caption"}},
    };
    for (const auto& [section, names] : keys)
        for (const char* name : names) {
            auto v = lan.ReadValue(section, name);
            EXPECT_TRUE(v.has_value() && !v->empty()) << "[" << section << "] " << name;
        }
    EXPECT_EQ(lan.Encoding(), TTextEncoding::Utf8);
    // Placeholders the callers fill must be present.
    EXPECT_NE(lan.ReadString("LibRes", "lblTimer.Caption", "").find("{1}"), std::string::npos);
    EXPECT_NE(lan.ReadString("LibRes", "TfrmCLAboutForm.CopyRightLine2", "").find("{1}"), std::string::npos);
}

namespace {

// A language file's entries by section and name, and the lines that are no entry.
struct TLanguageFile {
    std::map<std::string, std::string> Entries; // "[Section] name" -> raw value
    std::vector<std::string> Stray;
    TTextEncoding Encoding = TTextEncoding::Ansi;
};

TLanguageFile ReadLanguageFile(const std::string& path) {
    TCp1252Codec ansi;
    TIniText ini;
    ini.LoadFromBytes(ReadWholeFile(path), ansi);
    TLanguageFile f;
    f.Encoding = ini.Encoding();
    for (const TIniText::TSection& s : ini.Sections())
        for (const std::string& line : s.Lines) {
            std::string_view name, value;
            if (line.empty() || line[0] == ';') continue;
            if (!TIniText::SplitEntry(line, name, value) || s.Name.empty())
                f.Stray.push_back(line);
            else
                f.Entries["[" + s.Name + "] " + std::string(name)] = std::string(value);
        }
    return f;
}

// The marks that must survive translation, each sorted: placeholders, line breaks, and
// access keys ("&" not doubled).
std::vector<std::string> Marks(const std::string& value, const std::regex& pattern) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(value.begin(), value.end(), pattern); it != std::sregex_iterator();
         ++it)
        found.push_back(LowerAscii(it->str()));
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

// Every shipped translation has exactly English's keys, keeps each text's placeholders,
// line breaks and access keys, is Unicode with a byte-order mark, describes itself, and
// loads and answers every key without a trace line.
TEST(ProductDataTest, EveryTranslationMatchesEnglish) {
    const std::string folder = std::string(MASKADDR_SOURCE_DIR) + "/lang/";
    const TLanguageFile english = ReadLanguageFile(folder + "English.lan");
    const std::regex placeholder(R"(\{[^{}]*\})"), lineBreak("<[Bb][Rr]>"), accessKey("&&|&");
    int translations = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().stem().string();
        if (entry.path().extension() != ".lan" || name == "English") continue;
        ++translations;
        SCOPED_TRACE(name);
        const TLanguageFile lan = ReadLanguageFile(entry.path().string());
        EXPECT_NE(lan.Encoding, TTextEncoding::Ansi) << "every script needs a byte-order mark";
        EXPECT_EQ(lan.Stray, std::vector<std::string>{}) << "lines that are no entry";
        for (const auto& [key, value] : english.Entries)
            if (!lan.Entries.count(key)) ADD_FAILURE() << "missing " << key;
        for (const auto& [key, value] : lan.Entries) {
            auto en = english.Entries.find(key);
            if (en == english.Entries.end()) {
                ADD_FAILURE() << "English lacks " << key;
                continue;
            }
            EXPECT_FALSE(value.empty()) << key;
            if (key.rfind("[Info] ", 0) == 0) continue;
            EXPECT_EQ(Marks(value, placeholder), Marks(en->second, placeholder)) << key << "=" << value;
            EXPECT_EQ(Marks(value, lineBreak), Marks(en->second, lineBreak)) << key << "=" << value;
            EXPECT_EQ(Marks(value, accessKey), Marks(en->second, accessKey)) << key << "=" << value;
        }
        EXPECT_EQ(lan.Entries.count("[Info] Translator") ? lan.Entries.at("[Info] Translator") : "",
                  "Maskaddr team");
        EXPECT_NE(lan.Entries.count("[Info] Language") ? lan.Entries.at("[Info] Language") : "English",
                  "English");

        TFakePlatform p;
        TMemoryTraceSink trace;
        DebugTrace::SetSink(&trace);
        DebugTrace::SetEnabled(true);
        p.Files.Put("C:\\lang.lan", ReadWholeFile(entry.path().string()));
        TCLMultiLangData data(nullptr, "CLMultiLangData");
        EXPECT_TRUE(data.LoadCurrentFromFile(p.Files, p.Ansi, "C:\\lang.lan"));
        for (const auto& [key, value] : english.Entries) {
            const size_t split = key.find("] ");
            std::string text;
            EXPECT_TRUE(data.GetProp(key.substr(1, split - 1), "", key.substr(split + 2), text)) << key;
        }
        DebugTrace::SetEnabled(false);
        DebugTrace::SetSink(nullptr);
        EXPECT_EQ(trace.Lines, std::vector<std::string>{});
    }
    EXPECT_EQ(translations, 10);
}

TEST(ProductDataTest, ShippedSkinsAreTheirSourcesCompressed) {
    for (const char* name : {"Graphite", "Classic.nsf"}) {
        auto text = InflateSkin(ReadSourceFile(std::string("skins/") + name + ".skn"));
        ASSERT_TRUE(text.has_value()) << name;
        EXPECT_EQ(*text, ReadSourceFile(std::string("skins/src/") + name + ".ini"))
            << name << ": run skinpack again";
        EXPECT_TRUE(TSkin::Parse(*text)->Ini().SectionExists("Colors"));
    }
    EXPECT_FALSE(InflateSkin("not a zlib stream").has_value());
    std::string bomb = DeflateSkin(std::string(64u << 20, 'x'));
    EXPECT_FALSE(InflateSkin(bomb).has_value()) << "expansion is bounded";
}

// The constants as the build writes them beside the program.
TEST(ProductDataTest, ConstantsNameTheProductAndReachItsService) {
    TIniText c = LoadIni(MASKADDR_CONST_DAT);
    EXPECT_EQ(c.ReadString("setting", "App.Name", ""), "Maskaddr");
    for (const char* key : {"App.Ver", "App.ID", "App.GUID", "App.MagicWord", "App.RegPath"})
        EXPECT_FALSE(c.ReadString("setting", key, "").empty()) << key;
    EXPECT_NE(c.ReadString("setting", "App.ID", "0"), "0");
    EXPECT_NE(VersionToInt(c.ReadString("setting", "App.Ver", "")), 0u) << "four numbers, as VER sends them";
    EXPECT_EQ(c.ReadString("setting", "Update.BeginAuto", ""), "1") << "the lists arrive at start-up";
    // Every service address the program reads points at the service the build names.
    for (const char* key : {"URL.Update", "URL.GetInfo", "URL.CheckIP", "URL.VerifyIP", "URL.FlagPath",
                            "URL.home", "URL.help", "URL.support", "SUPER_TOUCH"})
        EXPECT_EQ(c.ReadString("setting", key, "").rfind(MASKADDR_SERVICE_URL "/", 0), 0u)
            << key << "=" << c.ReadString("setting", key, "");
    EXPECT_NE(c.ReadString("setting", "SUPER_TOUCH", "").find("{1}"), std::string::npos)
        << "the proxy's place";
    EXPECT_FALSE(c.ReadString("setting", "URL.LocalFlagPath", "").empty());
}

TEST(ProductDataTest, FlagsAreShippedForEveryCodeAndAnyCountry) {
    for (const char* code : {"UN", "US", "DE", "FR", "GB", "JP", "CN", "NL", "CA"}) {
        std::string png = ReadSourceFile(std::string("res/flag_short/") + code + ".PNG");
        ASSERT_GE(png.size(), 24u) << code;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n") << code;
        // The IHDR chunk: width and height, big-endian, at bytes 16 and 20.
        auto be32 = [&](size_t at) {
            return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
                   (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
        };
        EXPECT_GE(be32(16), 48u) << code;
        EXPECT_GE(be32(20), 48u) << code;
    }
    EXPECT_NE(ReadSourceFile("res/flag_short/LICENSE.flag-icons").find("MIT License"), std::string::npos);
}
