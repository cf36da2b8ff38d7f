// The overlay player's parser and scene state: commands as the main window sends
// them, malformed ones, animations driven by time steps, and the scene description.
#include "ui/OverlayScene.h"
#include "app/AppSettings.h"
#include "fakes/FakePlatform.h"
#include "ui/FlashForm.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The texts the overlay's operations build go straight into a scene.
class TSceneFlashForm final : public TFlashFormLogic {
public:
    explicit TSceneFlashForm(TCLSettings& settings) : TFlashFormLogic(settings, nullptr) {}
    TOverlayScene Scene;
    int Rejected = 0;

protected:
    void SendCommand(const std::string& text) override { Rejected += Scene.Apply(text) ? 0 : 1; }
};

void RunAnimations(TOverlayScene& scene) {
    for (int i = 0; i < 1000 && scene.Animating(); ++i)
        scene.Advance(16);
}

} // namespace

TEST(OverlaySceneTest, PanelCommandsFillThePanels) {
    TOverlayScene s;
    ASSERT_TRUE(s.Apply("Local,True,C:\\f\\DE.PNG,5.6.7.8,Germany,Berlin,100,100"));
    const TOverlayPanel& p = s.Panel(TSide::Local);
    EXPECT_TRUE(p.Display);
    EXPECT_EQ(p.Flag, "C:\\f\\DE.PNG");
    EXPECT_EQ(p.IP, "5.6.7.8");
    EXPECT_EQ(p.Country, "Germany");
    EXPECT_EQ(p.City, "Berlin");
    EXPECT_EQ(p.Alpha, 100);
    ASSERT_TRUE(s.Apply("Target,,,,,,0,50"));
    EXPECT_FALSE(s.Panel(TSide::Target).Display);
    EXPECT_EQ(s.Panel(TSide::Target).Scale, 50);
    ASSERT_TRUE(s.Apply("Local,True,f,ip,Country,Washington, D.C.,100,100"));
    EXPECT_EQ(s.Panel(TSide::Local).City, "Washington, D.C.") << "a city with a comma arrives whole";
    ASSERT_TRUE(s.Apply("TargetA,30,120"));
    EXPECT_EQ(s.Panel(TSide::Target).Alpha, 30);
    EXPECT_EQ(s.Panel(TSide::Target).Scale, 120);
    ASSERT_TRUE(s.Apply("Info_Text,Ready, set, go,16711680"));
    EXPECT_EQ(s.Info(1).Text, "Ready, set, go") << "the colour is the last field";
    EXPECT_EQ(s.Info(1).Color, 0xFF0000u);
    ASSERT_TRUE(s.Apply("Info_Text2,,4474009"));
    EXPECT_EQ(s.Info(2).Color, 0x444499u) << "read as 0xRRGGBB: grey blue";
    EXPECT_EQ(s.SpokenText(), "Your real location: ip, Country, Washington, D.C. Ready, set, go")
        << "what a screen reader says: the panel that shows details, then the status";
    ASSERT_TRUE(s.Apply("Background,C:\\a,b\\bg.png"));
    EXPECT_EQ(s.Background(), "C:\\a,b\\bg.png");
    ASSERT_TRUE(s.Apply("Logo,"));
    EXPECT_EQ(s.Logo(), "");
}

TEST(OverlaySceneTest, MalformedCommandsAreIgnoredWithATraceLine) {
    TFakePlatform p;
    const char* broken[] = {
        "",
        "Local",
        "Local,True,f,ip,country,city,100",   // seven fields
        "Local,True,f,ip,country,city,x,100", // alpha not a number
        "Target,True,f,ip,country,city,50,",  // empty scale
        "LocalA,50",                          // scale missing
        "TargetA,50,100,1",                   // one field too many
        "LocalA,fifty,100",
        "Fade,Target,in", // maximum missing
        "Fade,Target,sideways,100",
        "Fade,Target,in,lots",
        "Fade,Nothing,in,100", // no such object
        "Turn,Middle",
        "Turn,",
        "Info_Text,no colour",
        "Info_Text,red,0xZZ",
        "Info_Text,negative,-1",
        "Info_Text2,too big,16777216",
        "Unknown,1,2",
        "\xFF\xFE,\x01",
    };
    for (const char* command : broken) {
        TOverlayScene s;
        s.Apply("Local,True,f,1.1.1.1,C,c,100,100");
        s.Apply("Info_Text,kept,1");
        const size_t lines = p.Trace.Lines.size();
        EXPECT_FALSE(s.Apply(command)) << command;
        ASSERT_EQ(p.Trace.Lines.size(), lines + 1) << command;
        EXPECT_EQ(p.Trace.Lines.back().rfind("[FlashPlayer] Ignored command", 0), 0u) << p.Trace.Lines.back();
        EXPECT_EQ(s.Panel(TSide::Local).IP, "1.1.1.1") << command;
        EXPECT_EQ(s.Panel(TSide::Local).Alpha, 100) << command;
        EXPECT_EQ(s.Info(1).Text, "kept") << command;
        EXPECT_FALSE(s.Animating()) << command;
    }
}

TEST(OverlaySceneTest, OutOfRangeNumbersAreClamped) {
    TOverlayScene s;
    ASSERT_TRUE(s.Apply("LocalA,250,100000"));
    EXPECT_EQ(s.Panel(TSide::Local).Alpha, 100);
    EXPECT_EQ(s.Panel(TSide::Local).Scale, 400);
    ASSERT_TRUE(s.Apply("LocalA,-20,-1"));
    EXPECT_EQ(s.Panel(TSide::Local).Alpha, 0);
    EXPECT_EQ(s.Panel(TSide::Local).Scale, 0);
}

// The overlay calls of start-up, the local information, a hide and a stop, in order.
TEST(OverlaySceneTest, HideAndStopSequences) {
    TFakePlatform p;
    TSceneFlashForm f(Settings());
    f.ResetDisplay();
    f.SetIPInfo("Local", "True", "us.png", "5.6.7.8", "United States", "Boston", "100", "100");
    f.SetIPInfo("Target", "", "us.png", "5.6.7.8", "United States", "Boston", "100", "100");
    f.SetTextInfo("", 0);
    f.SetTextInfo("Ready.", 16711680);
    EXPECT_EQ(f.Scene.Front(), TSide::Local);
    EXPECT_FALSE(f.Scene.Animating());

    // Hide.
    f.SetIPInfo("Target", "True", "fr.png", "9.9.9.9", "France", "", "0", "100");
    f.Fade("Target", true, 100);
    f.SetIPInfoA("Local", "50", "100");
    f.TurnTarget();
    EXPECT_TRUE(f.Scene.Animating());
    EXPECT_EQ(f.Scene.Panel(TSide::Target).Alpha, 0) << "nothing moves before time passes";
    EXPECT_EQ(f.Scene.TurnProgress(), 0);
    f.Scene.Advance(100);
    const double early = f.Scene.Panel(TSide::Target).Alpha;
    EXPECT_GT(early, 0);
    EXPECT_LT(early, 100);
    EXPECT_GT(f.Scene.TurnProgress(), 0);
    EXPECT_LT(f.Scene.TurnProgress(), 1);
    RunAnimations(f.Scene);
    EXPECT_FALSE(f.Scene.Animating());
    EXPECT_EQ(f.Scene.Front(), TSide::Target);
    EXPECT_EQ(f.Scene.TurnProgress(), 1);
    EXPECT_EQ(f.Scene.Panel(TSide::Target).Alpha, 100);
    EXPECT_EQ(f.Scene.Panel(TSide::Local).Alpha, 50);
    EXPECT_EQ(f.Scene.Panel(TSide::Target).IP, "9.9.9.9");

    // Stop.
    f.SetIPInfoA("Local", "100", "100");
    f.SetIPInfoA("Target", "100", "100");
    f.Fade("Target", false, 0);
    f.TurnLocal();
    f.SetTextInfo("Ready.", 16711680);
    RunAnimations(f.Scene);
    EXPECT_EQ(f.Scene.Front(), TSide::Local);
    EXPECT_EQ(f.Scene.TurnProgress(), 0);
    EXPECT_EQ(f.Scene.Panel(TSide::Local).Alpha, 100);
    EXPECT_EQ(f.Scene.Panel(TSide::Target).Alpha, 0) << "faded out to nothing";
    EXPECT_EQ(f.Rejected, 0);
}

TEST(OverlaySceneTest, FadesAndTurnsTakeTheirDescribedTime) {
    TSceneLayout layout;
    layout.FadeMs = 400;
    layout.TurnMs = 600;
    TOverlayScene s(layout);
    s.Apply("Target,True,f,ip,c,c,0,100");
    s.Apply("Fade,Target,in,60");
    s.Apply("Turn,Target");
    s.Advance(239); // a fade of 60 % takes 240 ms
    EXPECT_LT(s.Panel(TSide::Target).Alpha, 60);
    s.Advance(1);
    EXPECT_EQ(s.Panel(TSide::Target).Alpha, 60) << "fades in to the maximum, no further";
    EXPECT_TRUE(s.Animating()) << "the turn is still running";
    s.Advance(360);
    EXPECT_FALSE(s.Animating());
    // A panel command during a fade sets the alpha and ends that fade.
    s.Apply("Fade,Target,out,0");
    s.Advance(50);
    s.Apply("TargetA,80,100");
    s.Advance(1000);
    EXPECT_EQ(s.Panel(TSide::Target).Alpha, 80);
    // A turn back half-way through takes only the way back.
    s.Apply("Turn,Local");
    s.Advance(300);
    const double halfway = s.TurnProgress();
    s.Apply("Turn,Target");
    EXPECT_EQ(s.Front(), TSide::Target);
    s.Advance(600 * (1 - halfway) + 1);
    EXPECT_EQ(s.TurnProgress(), 1);
    // Named elements fade too; the logo stops answering clicks once invisible.
    EXPECT_EQ(s.HitTest(layout.Logo.X + 1, layout.Logo.Y + 1), "HOMEPAGE");
    s.Apply("Fade,logo,out,0");
    s.Advance(1000);
    EXPECT_EQ(s.ObjectAlpha("Logo"), 0);
    EXPECT_EQ(s.HitTest(layout.Logo.X + 1, layout.Logo.Y + 1), "");
}

TEST(OverlaySceneTest, TurnSwapsThePanelPlacesAndScaleSizesAroundTheCentre) {
    TOverlayScene s;
    const TSceneLayout& l = s.Layout();
    EXPECT_EQ(s.PanelRect(TSide::Local).X, l.Front.X);
    EXPECT_EQ(s.PanelRect(TSide::Target).X, l.Back.X);
    s.Apply("Turn,Target");
    s.Advance(10000);
    EXPECT_EQ(s.PanelRect(TSide::Local).W, l.Back.W);
    EXPECT_EQ(s.PanelRect(TSide::Target).W, l.Front.W);
    s.Apply("TargetA,100,50");
    const TSceneRect r = s.PanelRect(TSide::Target);
    EXPECT_EQ(r.W, l.Front.W / 2);
    EXPECT_EQ(r.X + r.W / 2, l.Front.X + l.Front.W / 2);
}

TEST(OverlaySceneTest, ClicksOnTheCheckIPElementAndTheLogo) {
    TOverlayScene s;
    const TSceneLayout& l = s.Layout();
    EXPECT_EQ(s.HitTest(l.CheckIP.X + l.CheckIP.W / 2, l.CheckIP.Y + l.CheckIP.H / 2), "CHECKIPINFO");
    EXPECT_EQ(s.HitTest(l.Logo.X + l.Logo.W - 1, l.Logo.Y), "HOMEPAGE");
    EXPECT_EQ(s.HitTest(l.Logo.X + l.Logo.W, l.Logo.Y), "") << "right edge is outside";
    EXPECT_EQ(s.HitTest(l.Front.X + 5, l.Front.Y + 5), "");
}

TEST(OverlaySceneTest, SceneDescriptionOverridesDefaultsAndSkipsBrokenValues) {
    const TSceneLayout defaults;
    const TSceneLayout l =
        TSceneLayout::FromIni("[scene]\nFadeMs=250\nTurnMs=-4\nBackColor=#102030\n"
                              "BackColor2=oops\n[Front]\nRect=1,2,3,4\n[Back]\nRect=1,2,3\n"
                              "[CheckIP]\nText=What is my IP?\nBold=0\n"
                              "[Info_Text]\nFont=Verdana\nSize=10\nColor=255\n");
    EXPECT_EQ(l.FadeMs, 250);
    EXPECT_EQ(l.TurnMs, 0) << "negative lengths are clamped";
    EXPECT_EQ(l.BackColor, 0x102030u);
    EXPECT_EQ(l.BackColor2, defaults.BackColor2);
    EXPECT_EQ(l.Front.W, 3);
    EXPECT_EQ(l.Back.W, defaults.Back.W) << "three numbers are no rectangle";
    EXPECT_EQ(l.CheckIPText, "What is my IP?");
    EXPECT_FALSE(l.CheckIPFont.Bold);
    EXPECT_EQ(l.InfoFont.Face, "Verdana");
    EXPECT_EQ(l.InfoFont.Size, 10);
    EXPECT_EQ(l.InfoFont.Color, 255u);
}

TEST(OverlaySceneTest, ShippedSceneDescriptionReadsCompletely) {
    TFakePlatform p;
    const std::string path = std::string(MASKADDR_SOURCE_DIR) + "/res/maskaddr.dat";
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << path;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    const TSceneLayout l = TSceneLayout::FromIni(text);
    EXPECT_EQ(l.Width, 534);
    EXPECT_EQ(l.Height, 180);
    EXPECT_GT(l.FadeMs, 100);
    EXPECT_GT(l.TurnMs, 100);
    for (const TSceneRect* r : {&l.Front, &l.Back, &l.Info1, &l.Info2, &l.Logo, &l.CheckIP}) {
        EXPECT_GE(r->X, 0);
        EXPECT_GE(r->Y, 0);
        EXPECT_LE(r->X + r->W, l.Width);
        EXPECT_LE(r->Y + r->H, l.Height);
    }
    EXPECT_FALSE(l.CheckIP.Contains(l.Logo.X, l.Logo.Y)) << "the two clickable elements do not overlap";
}
