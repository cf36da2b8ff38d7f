// The status overlay's command texts, byte for byte, the first picture, and the
// decisions on the player's two requests.
#include "ui/FlashForm.h"
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/CLEngine.h"

#include <gtest/gtest.h>

#include <functional>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The operations with the player replaced by a list of the texts it received.
class TRecordingFlashForm final : public TFlashFormLogic {
public:
    TRecordingFlashForm(TCLSettings& settings, IPages* pages) : TFlashFormLogic(settings, pages) {}
    std::vector<std::string> Sent;

protected:
    void SendCommand(const std::string& text) override { Sent.push_back(text); }
};

} // namespace

TEST(FlashFormTest, EveryOperationSendsItsTextAtOnce) {
    struct Case {
        const char* name;
        std::function<void(TFlashFormLogic&)> call;
        const char* text;
    };
    const Case cases[] = {
        {"panel",
         [](auto& f) {
             f.SetIPInfo("Target", "True", "C:\\f\\US.PNG", "1.2.3.4", "United States", "Dallas", "0", "100");
         },
         "Target,True,C:\\f\\US.PNG,1.2.3.4,United States,Dallas,0,100"},
        {"country comma and blank give two blanks",
         [](auto& f) {
             f.SetIPInfo("Local", "True", "", "5.6.7.8", "Korea, Republic of", "Seoul", "100", "100");
         },
         "Local,True,,5.6.7.8,Korea  Republic of,Seoul,100,100"},
        {"every comma of the country goes",
         [](auto& f) { f.SetIPInfo("Local", "", "http://127.0.0.1/f?a=1", "ip", ",a,,b,", "c", "1", "2"); },
         "Local,,http://127.0.0.1/f?a=1,ip, a  b ,c,1,2"},
        {"a lookup reply with commas in every field shifts nothing",
         [](auto& f) { f.SetIPInfo("Local", "True", "http://s/flags/A,B.PNG", "1,2", "X", "Bad,City", "100", "100"); },
         "Local,True,http://s/flags/A%2CB.PNG,1 2,X,Bad City,100,100"},
        {"empty city gives two commas in a row",
         [](auto& f) { f.SetIPInfo("Target", "True", "f.png", "9.9.9.9", "France", "", "0", "100"); },
         "Target,True,f.png,9.9.9.9,France,,0,100"},
        {"alpha and scale only", [](auto& f) { f.SetIPInfoA("Local", "50", "100"); }, "LocalA,50,100"},
        {"fade in", [](auto& f) { f.Fade("Target", true, 100); }, "Fade,Target,in,100"},
        {"fade out to 0", [](auto& f) { f.Fade("Target", false, 0); }, "Fade,Target,out,0"},
        {"negative maximum in decimal", [](auto& f) { f.Fade("Logo", true, -5); }, "Fade,Logo,in,-5"},
        {"turn local", [](auto& f) { f.TurnLocal(); }, "Turn,Local"},
        {"turn target", [](auto& f) { f.TurnTarget(); }, "Turn,Target"},
        {"ready text", [](auto& f) { f.SetTextInfo("Ready.", 16711680); }, "Info_Text,Ready.,16711680"},
        {"second line", [](auto& f) { f.SetTextInfo2("", 0); }, "Info_Text2,,0"},
        {"background", [](auto& f) { f.SetBackground("C:\\App\\res\\images\\flsbg.png"); },
         "Background,C:\\App\\res\\images\\flsbg.png"},
        {"logo", [](auto& f) { f.SetLogo("C:\\App\\res\\images\\logo.png"); },
         "Logo,C:\\App\\res\\images\\logo.png"},
    };
    TFakePlatform p;
    for (const Case& c : cases) {
        TRecordingFlashForm form(Settings(), nullptr);
        c.call(form);
        EXPECT_EQ(form.Sent, std::vector<std::string>{c.text}) << c.name;
    }
}

TEST(FlashFormTest, ResetDisplayEmptiesBothPanelsAndShowsTheVerifyingText) {
    TFakePlatform p;
    p.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
    TRecordingFlashForm form(Settings(), nullptr);
    form.ResetDisplay();
    EXPECT_EQ(form.Sent, (std::vector<std::string>{"Local,,,,,,0,100", "Target,,,,,,0,100",
                                                   "Info_Text,Verifing from Maskaddr server ...,4474009",
                                                   "Info_Text2,,0"}));
}

namespace {
class FlashRequestTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineHost Host;
    std::unique_ptr<TCLEngine> E;
    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nURL.CheckIP=http://127.0.0.1/checkip\n"
                                                 "URL.home=http://127.0.0.1/home\n");
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
    }
};
} // namespace

TEST_F(FlashRequestTest, CheckIPAndHomePageWithoutRegardToCase) {
    struct Case {
        const char* command;
        const char* args;
        const char* opensPrefix; // nullptr: nothing opens
    };
    const Case cases[] = {
        {"CMD", "CHECKIPINFO", "http://127.0.0.1/checkip"},
        {"cmd", "checkipinfo", "http://127.0.0.1/checkip"},
        {"cmd", "homepage", "http://127.0.0.1/home?ACTION=home&"},
        {"Cmd", "HomePage", "http://127.0.0.1/home?ACTION=home&"},
        {"CMD", "HELP", nullptr},
        {"CMD", " CHECKIPINFO", nullptr},
        {"CMDX", "CHECKIPINFO", nullptr},
        {"", "", nullptr},
        {"quit", "", nullptr},
    };
    TRecordingFlashForm form(Settings(), E.get());
    for (const Case& c : cases) {
        Host.Opened.clear();
        Host.Started.clear();
        form.HandleFSCommand(c.command, c.args);
        EXPECT_TRUE(Host.Started.empty());
        if (c.opensPrefix == nullptr) {
            EXPECT_TRUE(Host.Opened.empty()) << c.command << " " << c.args;
        } else {
            ASSERT_EQ(Host.Opened.size(), 1u) << c.command << " " << c.args;
            EXPECT_EQ(Host.Opened[0].rfind(c.opensPrefix, 0), 0u) << Host.Opened[0];
        }
    }
    // The check-IP page opens exactly as configured, without the parameter string.
    form.HandleFSCommand("CMD", "CHECKIPINFO");
    EXPECT_EQ(Host.Opened.back(), "http://127.0.0.1/checkip");
}

TEST(FlashRequestWithoutEngineTest, IsIgnoredWithATraceLine) {
    TFakePlatform p;
    TRecordingFlashForm form(Settings(), nullptr);
    form.HandleFSCommand("CMD", "HOMEPAGE");
    ASSERT_FALSE(p.Trace.Lines.empty());
    EXPECT_NE(p.Trace.Lines.back().find("[FlashForm]"), std::string::npos);
}
