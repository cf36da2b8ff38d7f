// The engine core: texts, message boxes with their memory, language and skin
// choice, the title, and the messages of other instances.
#include "app/AppSettings.h"
#include "base/Text.h"
#include "fakes/FakeControls.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLMultiLang.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;
using namespace std::chrono_literals;

namespace {

class EngineTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineHost Host;
    TFakeForm Main{"frmMain", "TfrmMain"};
    TCLMultiLangData* Data = new TCLMultiLangData(&Main, "CLMultiLangData");
    TSkinData* Skin = new TSkinData(&Main, "spSkinData");
    TCLEngine* E = nullptr;

    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\const.dat",
                    "[setting]\nApp.Name=Maskaddr\nApp.Ver=1.2.0\nApp.ID=4242\n");
        P.Files.Put("C:\\Tools\\App\\lang\\English.lan",
                    "[AppRes]\nAppName=Maskaddr\nMSGBox.CloseNotify=Still running in the tray.\n"
                    "MSGBox.SAVEFAILED={AppName} cannot save {1}: {2}\n"
                    "Order={2}-{1}-{2}-{3}\n[LibRes]\nbtnOk.Caption=&OK\n");
        P.Files.Put("C:\\Tools\\App\\lang\\Deutsch.lan", "[AppRes]\nAppName=Maskenadresse\n");
        E = new TCLEngine(&Main, Host, P.Facilities, Settings());
        E->SetLanguageData(Data);
        E->SetSkinData(Skin);
    }
    intptr_t Send(TEngineEvent event) {
        intptr_t answer = -1;
        EXPECT_TRUE(E->EngineWndProc({event}, answer));
        return answer;
    }
    intptr_t SendCopy(const void* data, uint32_t size, bool* handled = nullptr) {
        TEngineMessage m{TEngineEvent::CopyData, true, data, size};
        intptr_t answer = -1;
        bool h = E->EngineWndProc(m, answer);
        if (handled != nullptr) *handled = h;
        return answer;
    }
};

} // namespace

TEST_F(EngineTest, CreationRegistersMessagesAndServesTheSettingsStore) {
    EXPECT_EQ(Host.Registered, (std::vector<std::string>{"CL GetAppID", "CL CloseApp", "CL InitPost",
                                                         "CL CmdParam", "CL IfBusy", "CL BringtoFront"}));
    EXPECT_TRUE(Host.Hooked);
    {
        TCLEngine second(nullptr, Host, P.Facilities, Settings());
        second.SetSettingOverwrite({"App.Name=Second"});
        E->SetSettingOverwrite({"App.Name=Overwritten"});
        EXPECT_EQ(Settings().GetSettingString("App.Name"), "Overwritten") << "a later engine does not replace the first";
    }
    EXPECT_EQ(Settings().GetSettingString("App.Name"), "Overwritten") << "nor takes the store from it as it goes";
    EXPECT_EQ(Settings().GetSettingString("Path.Languages"), "lang");
}

TEST_F(EngineTest, BracesAndMissingTextsInMessages) {
    E->Loaded();
    EXPECT_EQ(E->GetAppStringEx("Order", {"a", "b"}), "b-a-b-{3}");
    EXPECT_EQ(FormatBraces("{1}{1}", {"{1}x"}), "{1}x{1}x");
    EXPECT_EQ(E->GetAppString("Nope"), "");
    E->ShowMessageEx("Nope", {}, 0, mtError, mb::OK, 0, false);
    E->ShowMessageEx("Nope", {}, 0, mtError, mb::OK, 0, true);
    E->ShowErrorMessage("btnOk.Caption", "x", true);
    EXPECT_EQ(Host.Dialog->Shown, (std::vector<std::string>{"Maskaddr: [AppRes]Nope",
                                                            "Maskaddr: [LibRes]Nope", "Maskaddr: &OK"}));
    EXPECT_EQ(Host.Dialog->Offered, (std::vector<bool>{false, false, false}));
}

TEST_F(EngineTest, NumberedMessagesRememberATickedBox) {
    E->Loaded();
    E->ShowMessageEx("MSGBox.CloseNotify", {}, 1, mtInformation, mb::OK, 0, false);
    TFakeMessageDialog& dlg = *Host.Dialog;
    EXPECT_EQ(dlg.Offered.back(), true);
    EXPECT_TRUE(Settings().GetMessageShowAgainFlag(1)) << "not ticked: nothing remembered";

    dlg.TickBox = true;
    dlg.Answer = mr::Yes;
    EXPECT_EQ(E->ShowMessageEx("MSGBox.CloseNotify", {}, 6, mtConfirmation, mb::Yes | mb::No, 0, false),
              mr::Yes);
    dlg.Answer = mr::No;
    size_t shown = dlg.Shown.size();
    EXPECT_EQ(E->ShowMessageEx("MSGBox.CloseNotify", {}, 6, mtConfirmation, mb::Yes | mb::No, 0, false),
              mr::Yes);
    EXPECT_EQ(
        E->ShowMessageEx("MSGBox.CloseNotify", {}, 6, mtConfirmation, mb::Yes | mb::No, mr::Cancel, false),
        mr::Cancel)
        << "a non-zero default wins over the stored answer";
    EXPECT_EQ(dlg.Shown.size(), shown) << "nothing shown once the box was ticked";
    Settings().ClearShowAgainFlag();
    E->ShowMessageEx("MSGBox.CloseNotify", {}, 6, mtConfirmation, mb::Yes | mb::No, 0, false);
    EXPECT_EQ(dlg.Shown.size(), shown + 1);
}

// A user file that cannot be saved: one message per run that names the file and the system's
// reason, shown from the message loop once the start is done and never inside the write (which
// may be one of a sequence), whether the first failure came before the engine existed (the
// start's own save) or after the start; a later good save is not announced.
TEST_F(EngineTest, ASaveFailureIsToldOncePerRunFromTheMessageLoop) {
    for (bool beforeEngine : {true, false}) {
        SCOPED_TRACE(beforeEngine ? "failed before the engine" : "failed after the start");
        delete E;
        Host.Dialog = nullptr; // went with the engine
        FreeSettings();
        P.Files.WriteError = beforeEngine ? "Access is denied. (5)" : "";
        Settings(); // the store saves the run count at once
        E = new TCLEngine(&Main, Host, P.Facilities, Settings());
        E->SetLanguageData(Data);
        E->Loaded();
        EXPECT_EQ(P.Ui.Pump(SIZE_MAX, 0ms), 0u) << "nothing while the start is under way";
        E->InitPost();
        P.Files.WriteError = "Access is denied. (5)";
        Settings().SetSettingstring("Option", "1");
        Settings().SetSettingstring("Option", "2");
        EXPECT_EQ(Host.Dialog, nullptr) << "nothing shown inside a write";
        EXPECT_EQ(P.Ui.Pump(SIZE_MAX, 0ms), 1u);
        P.Files.WriteError.clear();
        Settings().SetSettingstring("Option", "3");
        P.Files.WriteError = "There is not enough space on the disk. (112)";
        Settings().SetSettingstring("Option", "4");
        EXPECT_EQ(P.Ui.Pump(SIZE_MAX, 0ms), 0u);
        ASSERT_NE(Host.Dialog, nullptr);
        EXPECT_EQ(Host.Dialog->Shown,
                  std::vector<std::string>{"Maskaddr: Maskaddr cannot save " + Settings().UserFilePath() +
                                           ": Access is denied. (5)"});
        EXPECT_EQ(Settings().GetSettingString("Option"), "4") << "the values in memory stay in effect";
    }
}

TEST_F(EngineTest, LanguageSelection) {
    E->Loaded();
    EXPECT_EQ(E->Language(), "English");
    int writes = P.Files.Writes, changed = 0;
    E->OnLanguageChanged = [&](TCLEngine*) { ++changed; };
    E->SetLanguage("English");
    EXPECT_EQ(P.Files.Writes, writes) << "the same name changes nothing";
    E->SetLanguage("Deutsch");
    EXPECT_EQ(E->GetAppName(), "Maskenadresse");
    EXPECT_EQ(Settings().GetSettingString("Language"), "Deutsch");
    E->SetLanguage("Klingon");
    EXPECT_EQ(E->Language(), "English");
    EXPECT_EQ(Settings().GetSettingString("Language"), "English");
    EXPECT_EQ(E->GetAppName(), "Maskaddr") << "the loaded language was dropped: the setting answers";
    E->SetLanguage("Deutsch");
    E->SetLanguage("");
    EXPECT_EQ(E->Language(), "English") << "an empty name means Default, which has no file";
    P.Files.Put("C:\\Tools\\App\\Other.lan", "[AppRes]\nAppName=Elsewhere\n");
    E->SetLanguage("..\\Other"); // a stored name is read from a file others may write
    EXPECT_EQ(E->GetAppName(), "Maskaddr") << "no language file outside the folder";
    EXPECT_EQ(changed, 5);
    EXPECT_EQ(E->LanguageList(), (std::vector<std::string>{"English", "Deutsch"}));
}

// A first start (no "Language" yet) takes the interface language's file and stores it;
// a stored choice wins over the interface language.
TEST_F(EngineTest, FirstStartChoosesTheInterfaceLanguageOnce) {
    P.Files.Put("C:\\Tools\\App\\lang\\German.lan", "[AppRes]\nAppName=Maskaddr DE\n");
    P.System.UiLanguage = 0x0807; // German (Switzerland)
    E->Loaded();
    EXPECT_EQ(E->Language(), "German");
    EXPECT_EQ(Settings().GetSettingString("Language"), "German");
    delete E;
    P.System.UiLanguage = 0x0411; // Japanese: the stored choice stays
    E = new TCLEngine(&Main, Host, P.Facilities, Settings());
    E->SetLanguageData(Data);
    E->Loaded();
    EXPECT_EQ(E->Language(), "German");
}

TEST_F(EngineTest, SkinSelectionAndLists) {
    const std::string ini = "[Skin]\nName=Steel\n[Colors]\nWindow=#102030\n";
    P.Files.Put("C:\\Tools\\App\\skins\\Steel.skn", DeflateSkin(ini));
    P.Files.Put("C:\\Tools\\App\\skins\\Flat.nsf.skn", DeflateSkin(ini));
    P.Files.Put("C:\\Tools\\App\\skins\\Broken.skn", "not zlib");
    P.Files.Put("C:\\Tools\\App\\skins\\default.skn", DeflateSkin(ini));
    E->Loaded();
    EXPECT_EQ(E->Skin(), "Default");
    EXPECT_EQ(E->SkinList(), (std::vector<std::string>{"Default", "Broken", "Flat", "Steel"}));
    E->SetSkin("Steel");
    EXPECT_EQ(Skin->Current().Color("Window", 0), 0x102030u);
    EXPECT_TRUE(Skin->SkinnableForm());
    E->SetSkin("Flat");
    EXPECT_FALSE(Skin->SkinnableForm()) << ".nsf.skn leaves the frame unskinned";
    P.Files.Put("C:\\Tools\\App\\Other.skn", DeflateSkin(ini));
    E->SetSkin("..\\Other");
    EXPECT_EQ(E->Skin(), "Default") << "no skin file outside the folder";
    E->SetSkin("Broken");
    EXPECT_EQ(E->Skin(), "Default");
    EXPECT_EQ(Skin->StoredSkin(), nullptr) << "back to the built-in skin";
    EXPECT_TRUE(Skin->SkinnableForm());
    EXPECT_EQ(Settings().GetSettingString("Skin"), "Default");
}

TEST_F(EngineTest, TheSkinsControlsTakeTheirTextsFromTheLanguage) {
    P.Files.Put("C:\\Tools\\App\\lang\\Deutsch.lan", "[SkinRes]\nbtnClose=Schliessen\n");
    E->Loaded();
    E->SetLanguage("Deutsch");
    EXPECT_EQ(FindListValue(Skin->ResourceStrings, "btnClose"), "Schliessen");
}

TEST_F(EngineTest, TitleIsNameTwoBlanksAndVersion) {
    E->Loaded();
    E->InitPost();
    EXPECT_EQ(Host.Titles.back(), "Maskaddr  1.2.0");
    E->SetTitleIncludeVer(false);
    EXPECT_EQ(Host.Titles.back(), "Maskaddr");
    Settings().SetSettingBool("App.NoAutoTitle", true);
    size_t applied = Host.Titles.size();
    E->SetLanguage("Deutsch");
    EXPECT_EQ(E->AppTitle(), "Maskenadresse");
    EXPECT_EQ(Host.Titles.size(), applied) << "the caption stays as it was";
}

TEST_F(EngineTest, MessagesOfOtherInstances) {
    P.System.Args = {"report.txt", "-d"};
    std::vector<std::string> files;
    E->OnCmdFile = [&](const std::string& f) { files.push_back(f); };
    E->Loaded();
    ASSERT_EQ(Host.Posted, std::vector<TEngineEvent>{TEngineEvent::InitPost});
    EXPECT_EQ(Send(TEngineEvent::IfBusy), 1);
    EXPECT_EQ(Send(TEngineEvent::GetAppID), 4242);
    EXPECT_EQ(Send(TEngineEvent::InitPost), 0);
    EXPECT_EQ(Send(TEngineEvent::IfBusy), 0);
    EXPECT_EQ(Host.Posted.back(), TEngineEvent::CmdParam);
    Send(TEngineEvent::CmdParam);
    EXPECT_EQ(files, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(Send(TEngineEvent::BringToFront), 0) << "no skin frame";
    Send(TEngineEvent::CloseApp);
    EXPECT_TRUE(Host.Terminated);

    const char16_t text[] = u"abcde\xFFFF";
    SendCopy(text, 10);
    EXPECT_EQ(E->ParamFile(), "abcde");
    SendCopy(text, 11);
    EXPECT_EQ(E->ParamFile(), "abcde") << "an odd byte is not read";
    std::u16string huge(100000, u'x');
    SendCopy(huge.data(), static_cast<uint32_t>(huge.size() * 2));
    EXPECT_EQ(E->ParamFile().size(), kMaxParamFileUnits);
    bool handled = true;
    SendCopy(nullptr, 0, &handled);
    EXPECT_FALSE(handled) << "a record without data goes on untouched";
    intptr_t answer = 0;
    EXPECT_FALSE(E->EngineWndProc({TEngineEvent::CopyData}, answer)) << "no record";
}

TEST_F(EngineTest, FirstArgumentThatIsASwitchIsNotHandedOver) {
    P.System.Args = {"/h", "file.txt"};
    E->Loaded();
    Send(TEngineEvent::InitPost);
    EXPECT_EQ(Host.Posted, std::vector<TEngineEvent>{TEngineEvent::InitPost});
    EXPECT_EQ(E->ParamFile(), "");
}

TEST_F(EngineTest, SessionEndsForFiveMinutesAfterTheQuery) {
    P.System.Tick = 1000; // a system started one second ago: no query yet, so not ending
    EXPECT_FALSE(E->SessionEnding());
    intptr_t answer = 0;
    EXPECT_FALSE(E->EngineWndProc({TEngineEvent::QueryEndSession}, answer))
        << "the window's own procedure answers";
    EXPECT_TRUE(E->SessionEnding());
    P.System.Tick += 299999;
    EXPECT_TRUE(E->SessionEnding());
    P.System.Tick += 1;
    EXPECT_FALSE(E->SessionEnding());
    P.System.Tick = 0xFFFFFF00u; // the tick count wraps
    E->EngineWndProc({TEngineEvent::QueryEndSession}, answer);
    P.System.Tick = 0x100;
    EXPECT_TRUE(E->SessionEnding());
}

TEST_F(EngineTest, AboutContent) {
    P.Files.Put(
        "C:\\Tools\\App\\lang\\Deutsch.lan",
        "[LibRes]\nTfrmCLAboutForm.CopyRightLine1=Line one\nTfrmCLAboutForm.CopyRightLine2=Version {1}\n"
        "TfrmCLAboutForm.CopyRightLine3=Sprache {1} von {2}\nTfrmCLAboutForm.KeyLine=Key {1}\n"
        "[Info]\nTranslator=Team DE\n");
    P.Files.Put("C:\\Tools\\App\\res\\images\\about.png", "png");
    E->Loaded();
    E->SetLanguage("Deutsch");
    E->AppAbout();
    // The fingerprint of the development key the test builds trust, as openssl computes it.
    EXPECT_EQ(Host.About.Info, "Line one\r\nVersion 1.2.0\r\n\r\nKey 7e2f795b4ffbade9\r\nSprache Deutsch von Team DE");
    EXPECT_EQ(Host.About.LogoPath, "C:\\Tools\\App\\res\\images\\about.png");
}

namespace {
class TFakeMenu final : public IChoiceMenu {
public:
    std::vector<std::string> Captions;
    std::vector<bool> Checked;
    std::function<void(const std::string&)> Click;
    bool Hidden = false;
    size_t SubItemCount() override { return Captions.size(); }
    void SetSubItems(const std::vector<std::string>& c, const std::vector<bool>& k,
                     std::function<void(const std::string&)> onClick) override {
        Captions = c;
        Checked = k;
        Click = std::move(onClick);
    }
    void SetChecked(size_t i, bool c) override { Checked[i] = c; }
    void Hide() override { Hidden = true; }
};
} // namespace

TEST_F(EngineTest, LanguageMenuListsTheFilesAndSelectsOnClick) {
    TFakeMenu languages, skins;
    E->SetLanguageMenuItem(&languages);
    E->SetSkinMenuItem(&skins);
    E->Loaded();
    EXPECT_TRUE(skins.Hidden) << "only the built-in skin: nothing to choose";
    ASSERT_EQ(languages.Captions, (std::vector<std::string>{"English", "Deutsch"}));
    EXPECT_EQ(languages.Checked, (std::vector<bool>{true, false}));
    languages.Click("Deutsch");
    EXPECT_EQ(E->Language(), "Deutsch");
    EXPECT_EQ(languages.Checked, (std::vector<bool>{false, true}));
}
