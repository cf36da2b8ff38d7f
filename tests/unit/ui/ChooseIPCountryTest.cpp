// The country chooser's logic against a recording view and a pool loaded from settings:
// the list and its first selection, flags, the filled map template, the gauge, OK and
// Cancel, and the key filter.
#include "ui/ChooseIPCountry.h"
#include "app/AppSettings.h"
#include "fakes/FakeChooserView.h"
#include "fakes/FakePlatform.h"
#include "framework/settings/CLSettings.h"
#include "proxy/ProxyManager.h"
#include "ui/MapDocument.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(MASKADDR_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ChooserTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeChooserView View;
    std::unique_ptr<TProxyManager> Pool;
    const std::string UserFile = "C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat";

    // A pool of proxies in three countries (Germany twice) and the user's own information.
    void Start(const std::string& target, const std::string& more = "") {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
        P.Files.Put(UserFile,
                    "[setting]\nURL.FlagPath=http://127.0.0.1:9/flags/\nURL.MapMask=Night\n"
                    "NORMAL_IPS=10.0.0.1:80|Germany|DE|13.40|52.52;10.0.0.2:80|France|FR|2.35|48.85;"
                    "10.0.0.3:80|Germany|DE|13.40|52.52;\n"
                    "SUPER_IPS=10.0.0.9:80|Japan|JP|139.69|35.69;\nTARGET_COUNTRY=" +
                        target + "\n" + more);
        P.Files.Put("C:\\Tools\\App\\res\\map.tpl", SourceFile("res/map.tpl"));
        Pool = std::make_unique<TProxyManager>(P.Facilities, Settings());
        ASSERT_TRUE(Pool->LoadSettings());
        Pool->HandleLocalInfo("IP=203.0.113.5\nCOUNTRY_SHORT=AU\nCOUNTRY_LONG=Australia\nCITY=Canberra\n"
                              "REGION=ACT\n-35.28\n149.13\n");
    }
    // The map document last handed to the map.
    TMapDocument LastMap() { return TMapDocument::FromText(View.Maps.back()); }
};

} // namespace

TEST_F(ChooserTest, ListsAutoFirstThenThePoolsCountriesInOrder) {
    Start("FR");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    EXPECT_EQ(View.Items, (std::vector<std::string>{"- Auto Selected -", "Germany", "France", "Japan"}));
    EXPECT_EQ(View.Index, 2) << "the target country is selected";
    ASSERT_EQ(View.Maps.size(), 1u) << "and its map is loading";
    TMapDocument d = LastMap();
    EXPECT_TRUE(d.HasPoint);
    EXPECT_DOUBLE_EQ(d.Longitude, 2.35);
    EXPECT_DOUBLE_EQ(d.Latitude, 48.85);
    EXPECT_EQ(View.MapBase, "C:\\Tools\\App\\res\\");
}

TEST_F(ChooserTest, AutoSelectsTheFirstItemWithTheOwnLocation) {
    Start("UN");
    P.Files.Put("C:\\Tools\\App\\res\\flag_short\\UN.PNG", "un");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    EXPECT_EQ(View.Index, 0);
    EXPECT_EQ(View.Flags, std::vector<std::string>{"C:\\Tools\\App\\res\\flag_short\\UN.PNG"});
    TMapDocument d = LastMap();
    EXPECT_DOUBLE_EQ(d.Latitude, -35.28) << "the sixth line";
    EXPECT_DOUBLE_EQ(d.Longitude, 149.13) << "the seventh line";
}

TEST_F(ChooserTest, ACountryNotInThePoolSelectsAndShowsNothing) {
    Start("BR");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    EXPECT_EQ(View.Index, -1);
    EXPECT_TRUE(View.Flags.empty());
    EXPECT_TRUE(View.Maps.empty());
    EXPECT_EQ(P.Inet.Requests().size(), 0u);
}

TEST_F(ChooserTest, TheTemplateIsFilledEveryPlaceholderLongitudeFirst) {
    Start("FR");
    P.Files.Put("C:\\Tools\\App\\res\\map.tpl", "{1}|{2}|{3}|{4}|{5}|{6}|{1}{2}{3}{4}{5}{6}");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.ShowMap("48.85", "2.35");
    EXPECT_EQ(View.Maps.back(), "2.35|48.85|447|375|Night|4|2.3548.85447375Night4");
    View.PanelWidth = 500;
    View.PanelHeight = 200;
    c.ShowMap("", "");
    EXPECT_EQ(View.Maps.back(), "||530|230|Night|4|530230Night4");
}

TEST_F(ChooserTest, TheShippedTemplateGivesTheMapItsSizeZoomAndScheme) {
    Start("DE");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    TMapDocument d = LastMap();
    EXPECT_EQ(d.Width, 447);
    EXPECT_EQ(d.Height, 375);
    EXPECT_DOUBLE_EQ(d.Zoom, 4);
    EXPECT_EQ(d.Scheme, "Night");
    EXPECT_EQ(d.Colors.Sea, 0x1B2A41u) << "URL.MapMask names the colour scheme";
    EXPECT_EQ(d.Shapes, "worldmap\\countries.map");
}

TEST_F(ChooserTest, AMissingTemplateIsAnErrorAndTheRestGoesOn) {
    Start("DE");
    P.Files.Files.erase(TFakeFileSystem::Key("C:\\Tools\\App\\res\\map.tpl"));
    P.Files.Put("C:\\Tools\\App\\res\\flag_short\\DE.PNG", "de");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    ASSERT_EQ(View.Errors.size(), 1u);
    EXPECT_NE(View.Errors[0].find("C:\\Tools\\App\\res\\map.tpl"), std::string::npos);
    EXPECT_EQ(View.Flags.size(), 1u) << "the flag shows all the same";
    EXPECT_TRUE(View.Maps.empty());
}

TEST_F(ChooserTest, AFlagMissingLocallyIsDownloadedUnderTheUpperCaseNameAndFoundNextTime) {
    Start("DE");
    P.Inet.SetReply("127.0.0.1:9/flags/DE.png", {200, true, "png"});
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.LoadFlag("DE");
    EXPECT_EQ(P.Ui.Pump(2), 2u);
    const std::string cached = "C:\\ProgramData\\C__Tools_App_app.exe\\DE.PNG";
    EXPECT_EQ(P.Inet.Requests(), std::vector<std::string>{"GET 127.0.0.1:9/flags/DE.png"});
    EXPECT_EQ(P.Files.Get(cached), "png");
    EXPECT_EQ(View.Flags, std::vector<std::string>{cached});
    TFakeChooserView again;
    TChooseIPCountry second(again, *Pool, P.Facilities, Settings());
    second.LoadFlag("DE");
    EXPECT_EQ(again.Flags, std::vector<std::string>{cached});
    EXPECT_EQ(P.Inet.Requests().size(), 1u) << "found locally the next time";
}

TEST_F(ChooserTest, AFailedFlagDownloadKeepsThePreviousFlagSilently) {
    Start("DE");
    P.Files.Put("C:\\Tools\\App\\res\\flag_short\\FR.PNG", "fr");
    P.Inet.SetReply("127.0.0.1:9/flags/JP.png", {404, true, "no"});
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.LoadFlag("FR");
    c.LoadFlag("JP");
    P.Ui.Pump(SIZE_MAX, std::chrono::milliseconds(500));
    EXPECT_EQ(View.Flags, std::vector<std::string>{"C:\\Tools\\App\\res\\flag_short\\FR.PNG"});
    EXPECT_TRUE(View.Errors.empty());
}

TEST_F(ChooserTest, TheGaugeShowsExactlyWhileProgressIsShortOfItsMaximum) {
    Start("DE");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.wbMapProgressChange(10, 100);
    EXPECT_TRUE(View.GaugeVisible);
    EXPECT_EQ(View.GaugeValue, 10);
    c.wbMapProgressChange(60, 200);
    EXPECT_TRUE(View.GaugeVisible);
    EXPECT_EQ(View.GaugeMax, 200);
    c.wbMapProgressChange(100, 100);
    EXPECT_FALSE(View.GaugeVisible);
}

TEST_F(ChooserTest, OkStoresTheChoiceAndCancelNothing) {
    Start("FR");
    {
        TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
        c.FormCreate();
        View.Index = 1; // the user picks Germany; Cancel: nothing is stored
        c.cbbCountryChange();
    }
    EXPECT_EQ(Pool->TargetCountry(), "FR");
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "FR");

    TFakeChooserView view;
    TChooseIPCountry c(view, *Pool, P.Facilities, Settings());
    c.FormCreate();
    view.Index = 1;
    c.cbbCountryChange();
    c.btnOKClick();
    EXPECT_EQ(Pool->TargetCountry(), "DE");
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "DE");
    view.Index = 0;
    c.btnOKClick();
    EXPECT_EQ(Pool->TargetCountry(), "UN");
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "UN");
}

TEST_F(ChooserTest, OkWithoutASelectionKeepsTheTargetAndStoresNothing) {
    Start("BR");
    TChooseIPCountry c(View, *Pool, P.Facilities, Settings());
    c.FormCreate();
    ASSERT_EQ(View.Index, -1);
    const int writes = P.Files.Writes;
    c.btnOKClick();
    EXPECT_EQ(Pool->TargetCountry(), "US") << "BR is not in the pool: the pool's own default stays";
    EXPECT_EQ(P.Files.Writes, writes) << "nothing stored";
}

TEST(ChooserKeys, F5BackspaceAndShiftAreDropped) {
    for (unsigned key : {116u, 8u, 16u})
        EXPECT_TRUE(MapKeyDropped(key)) << key;
    for (unsigned key : {13u, 27u, 37u, 65u, 117u, 17u})
        EXPECT_FALSE(MapKeyDropped(key)) << key;
}
