// The data files shipped beside the program: every text key the program asks for is
// in the English language file, the skins are valid, and the constants are complete.
#include "framework/engine/Skin.h"
#include "framework/engine/UrlTools.h"
#include "framework/settings/IniText.h"
#include "platform/SystemText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace maskaddr;

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
          "MSGBox.FFUninstalled", "MSGBox.FFPath", "FLSMsg.Ready", "FLSMsg.Hiding", "FLSMsg.Verifing"}},
        {"LibRes",
         {"TfrmCLUpdateForm.Caption", "btnOk.Caption", "btnCancel.Caption", "cbAutoCheckUpdate.Caption",
          "Update.Connecting", "lblTimer.Caption", "Update.LastVersionAlready", "Update.NetError",
          "TfrmCLAboutForm.Caption", "TfrmCLAboutForm.CopyRightLine1", "TfrmCLAboutForm.CopyRightLine2",
          "TfrmCLAboutForm.CopyRightLine3", "lblSupport.Caption", "chkShowAgain.Caption"}},
        {"TfrmMain",
         {"actMaskaddr.Caption", "actStopHide.Caption", "actChooseIPCountry.Caption",
          "actCheckIPInfo.Caption", "actSettings.Caption", "actHelpCenter.Caption", "actHomePage.Caption",
          "actUpdate.Caption", "actAbout.Caption", "actAlwaysOnTop.Caption", "actOpen.Caption",
          "actExit.Caption", "lblFake.Caption", "lblIPCountry.Caption", "cbAutorun.Caption",
          "cbChangeIP.Caption", "cbClearCookie.Caption", "imgFL.Hint"}},
        {"TfrmSettings",
         {"frmSettings.Caption", "cbAutoRun.Caption", "cbAutoUpdate.Caption", "btnClearShowAgainFlag.Caption",
          "lblBrowser.Caption", "cbIE.Caption", "cbFF.Caption", "cbOpera.Caption", "btnReinstallFF.Caption",
          "btnOK.Caption", "btnCancel.Caption"}},
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
