// Language documents, the language data and the translation of windows; the form base.
#include "fakes/FakeControls.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLForm.h"
#include "framework/language/CLMultiLang.h"
#include "framework/language/LanguageChoice.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

struct Window {
    TFakeForm Form{"frmSettings", "TfrmSettings"};
    TFakeControl* Ok = new TFakeControl(&Form, "btnOK");
    TFakeControl* Memo = new TFakeControl(&Form, "mmoInfo", "TMemo");
    TFakeControl* Unnamed = new TFakeControl(&Form, "");
    TCLMultiLang* Lang = new TCLMultiLang(&Form, "CLMultiLang");
};

const char* kEnglish =
    "[Info]\nLanguage=English\n[AppRes]\nAppName=Maskaddr {AppName}\nHello={appname} rocks\n"
    "[TfrmSettings]\nfrmSettings.Caption=Settings\nbtnOK.caption=<SP>OK<sp>\n"
    "mmoInfo.Lines=one<BR>two<br>three\nmmoInfo.Panels[0].Text=P0\nmmoInfo.Panels[5].Text=P5\n"
    ".Caption=unnamed\n";

} // namespace

TEST(LanguageTest, WindowTextsAreAppliedByClassComponentAndProperty) {
    TFakePlatform p;
    TCLMultiLangData data(nullptr, "CLMultiLangData");
    data.SetCurrentData(SplitLines(kEnglish));
    Window w;
    w.Memo->Panels = {"a", "b"};
    w.Unnamed->Caption = "kept";
    w.Lang->SetLanguageData(&data);
    int changes = 0;
    w.Lang->FOnChangeLanguage = [&](TCLMultiLang*) { ++changes; };
    w.Form.LoadComponents();

    EXPECT_EQ(w.Form.Caption, "Settings");
    EXPECT_EQ(w.Ok->Caption, " OK ") << "<SP> keeps blanks the reader would trim";
    EXPECT_EQ(w.Memo->Lines, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(w.Memo->Panels, (std::vector<std::string>{"P0", "b"})) << "index beyond the last item ignored";
    EXPECT_EQ(w.Unnamed->Caption, "kept");
    EXPECT_EQ(w.Ok->Name(), "btnOK") << "the component name is never translated";
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(data.Clients().size(), 1u);
}

TEST(LanguageTest, LookupFallsBackToTheDefaultAndSubstitutesTheAppName) {
    TFakePlatform p;
    TCLMultiLangData data(nullptr, "d");
    data.SetDefaultData({"[AppRes]", "AppName=Maskaddr", "Only=from default {APPNAME}"});
    data.SetCurrentData(SplitLines(kEnglish));
    std::string appName;
    data.GetAppName(appName);
    EXPECT_EQ(appName, "Maskaddr {AppName}") << "current before default";

    std::string v = "preset";
    EXPECT_FALSE(data.GetProp("AppRes", "", "Missing", v));
    EXPECT_EQ(v, "preset");
    ASSERT_TRUE(data.GetProp("appres", "", "Hello", v));
    EXPECT_EQ(v, "Maskaddr {AppName} rocks");
    ASSERT_TRUE(data.GetProp("AppRes", "", "AppName", v));
    EXPECT_EQ(v, "Maskaddr {AppName}") << "the name itself is returned unchanged";
    ASSERT_TRUE(data.GetProp("AppRes", "", "Only", v));
    EXPECT_EQ(v, "from default Maskaddr {AppName}");

    TCLMultiLang lang(nullptr, "x");
    EXPECT_EQ(lang.GetResString("Nothing"), "Nothing");

    // A hostile file: a 200,000-character name and 20,000 placeholders would make 4 GB.
    std::string many;
    for (int i = 0; i < 20000; ++i)
        many += "{AppName}";
    data.SetCurrentData({"[AppRes]", "AppName=" + std::string(200000, 'N'), "Many=" + many});
    ASSERT_TRUE(data.GetProp("AppRes", "", "Many", v));
    EXPECT_EQ(v.size(), 64u * 1024) << "bounded";
}

TEST(LanguageTest, SectionMergeKeepsExistingNamesAndPrefersTheCurrentLanguage) {
    TFakePlatform p;
    TCLMultiLangData data(nullptr, "d");
    data.SetCurrentData({"[SkinRes]", "A=current", "B=", "C=line<BR>two"});
    data.SetDefaultData({"[SkinRes]", "A=default", "D=default", "E=", "X=ignored"});
    TNameValueList sl{"X=caller"};
    data.GetSectionStrings("SkinRes", sl);
    EXPECT_EQ(sl, (TNameValueList{"X=caller", "A=current", "C=line\r\ntwo", "D=default"}));

    TCLMultiLangLan doc;
    doc.LoadFromString("[S]\nk=1\nk=<br>");
    TNameValueList plain{"k=old", "z=1"};
    doc.GetSectionStrings("S", plain);
    EXPECT_EQ(plain, (TNameValueList{"k=\r\n", "z=1"}));
}

TEST(LanguageTest, SavedOrderPutsReservedSectionsFirstAndSortsEntries) {
    TFakePlatform p;
    TCLMultiLangLan doc;
    doc.LoadFromString("[TfrmMain]\nz=1\nA=2\n[AppRes]\nb=1\na=2\n[Info]\nVersion=1\nLanguage=English\n"
                       "[LibRes]\nY=1\nx=2\nx=3\n[aaa]\nk=v\n");
    ASSERT_EQ(doc.SaveToFile(p.Files, p.Ansi, "C:\\out.lan"), "");
    EXPECT_EQ(p.Files.Get("C:\\out.lan"), "[Info]\r\nVersion=1\r\nLanguage=English\r\n\r\n"
                                          "[LibRes]\r\nx=3\r\nY=1\r\n\r\n"
                                          "[AppRes]\r\na=2\r\nb=1\r\n\r\n"
                                          "[aaa]\r\nk=v\r\n\r\n"
                                          "[TfrmMain]\r\nA=2\r\nz=1\r\n\r\n");
    TCLMultiLangLan reserved;
    reserved.LoadFromString("[AppRes]\nk=v\n[Info]\nLanguage=X\n");
    reserved.SortData();
    EXPECT_EQ(reserved.ToString(), "[Info]\r\nLanguage=X\r\n\r\n[AppRes]\r\nk=v\r\n\r\n");
}

// The lines and the values are one document: the next read finds new lines, and a value set
// is in the lines at once.
TEST(LanguageTest, LinesAndValuesStayOneDocument) {
    TFakePlatform p;
    TCLMultiLangLan doc;
    doc.SetData({"[S]", "k=v"});
    std::string v;
    EXPECT_TRUE(doc.GetProp("S", "", "k", v));
    EXPECT_EQ(v, "v");
    doc.SetData({"[S]", "k=w"});
    EXPECT_TRUE(doc.GetProp("S", "", "k", v));
    EXPECT_EQ(v, "w") << "new lines replace what was read before";
    doc.SetProp("S", "c", "p", "a\r\nb\rc\nd");
    EXPECT_EQ(doc.Data(), (std::vector<std::string>{"[S]", "k=w", "c.p=a<BR>b<BR>c<BR>d", ""}));
    doc.ClearAllForm();
    doc.LoadFromString("[Info]\nLanguage=L\n[AppRes]\nk=v\n[TfrmX]\na=b\n");
    doc.ClearAllForm();
    EXPECT_EQ(doc.ToString(), "[Info]\r\nLanguage=L\r\n\r\n[AppRes]\r\nk=v\r\n\r\n");
    TCLMultiLangLan copy;
    doc.AssignTo(copy);
    EXPECT_TRUE(copy.GetProp("Info", "", "Language", v));
    EXPECT_EQ(v, "L");
}

TEST(LanguageTest, CollectingHonoursTheExclusionRules) {
    TFakePlatform p;
    TCLMultiLangData data(nullptr, "d");
    Window w;
    w.Form.Caption = "Form";
    w.Ok->Caption = "OK";
    w.Ok->Text = "text is excluded";
    w.Ok->SkinDataName = "excluded too";
    w.Memo->Lines = {"l1", "l2"};
    w.Memo->Panels = {"p0", ""};
    auto* label1 = new TFakeControl(&w.Form, "Label1", "TLabel");
    label1->Caption = "numbered";
    w.Lang->SetLanguageData(&data);
    w.Lang->UpdateData();
    std::string saved = data.Current().ToString();
    EXPECT_NE(saved.find("frmSettings.Caption=Form"), std::string::npos);
    EXPECT_NE(saved.find("btnOK.Caption=OK"), std::string::npos);
    EXPECT_NE(saved.find("mmoInfo.Lines=l1<BR>l2"), std::string::npos);
    EXPECT_NE(saved.find("mmoInfo.Panels[1].Text="), std::string::npos);
    EXPECT_NE(saved.find("Label1.Caption=numbered"), std::string::npos);
    EXPECT_EQ(saved.find("Text=text"), std::string::npos);
    EXPECT_EQ(saved.find("SkinDataName"), std::string::npos);
    EXPECT_EQ(saved.find("btnOK.Name"), std::string::npos);

    // Switches: numbered names, empty values, components with an action, named patterns.
    data.ClearCurrentAll();
    data.FExcludeNumberEndProps = true;
    data.FExcludeEmptyProp = true;
    data.FExcludeWithAction = true;
    data.FExcludeProps = {"tmemo:.lines", "btnOK..Hint", "frmSettings."};
    TFakeControl action(nullptr, "actGo", "TAction");
    w.Ok->Hint = "hint";
    new TFakeControl(&w.Form, "btnAct");
    static_cast<TFakeControl*>(w.Form.FindComponent("btnAct"))->Action = &action;
    static_cast<TFakeControl*>(w.Form.FindComponent("btnAct"))->Caption = "acted";
    w.Lang->UpdateData();
    saved = data.Current().ToString();
    EXPECT_EQ(saved.find("Label1"), std::string::npos);
    EXPECT_EQ(saved.find("btnAct"), std::string::npos);
    EXPECT_EQ(saved.find("mmoInfo.Lines"), std::string::npos);
    EXPECT_EQ(saved.find("btnOK.Hint"), std::string::npos);
    EXPECT_EQ(saved.find("frmSettings.Caption"), std::string::npos);
    EXPECT_EQ(saved.find("Panels[1]"), std::string::npos);
    EXPECT_NE(saved.find("btnOK.Caption=OK"), std::string::npos);
    EXPECT_NE(saved.find("mmoInfo.Panels[0].Text=p0"), std::string::npos);
}

TEST(LanguageTest, LanguageChangeReappliesToEveryWindowAndClearingKeepsTexts) {
    TFakePlatform p;
    p.Files.Put("C:\\lang\\Deutsch.lan",
                "\xFF\xFE" + std::string("[\0T\0f\0r\0m\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\n\0"
                                         "b\0t\0n\0O\0K\0.\0C\0a\0p\0t\0i\0o\0n\0=\0\xDC\0\n\0",
                                         60));
    p.Files.Put("C:\\lang\\English.lan", kEnglish);
    TCLMultiLangData data(nullptr, "d");
    data.FAutoApply = false;
    Window a, b;
    a.Lang->SetLanguageData(&data);
    b.Lang->SetLanguageData(&data);
    a.Form.LoadComponents();
    EXPECT_EQ(a.Ok->Caption, "") << "no first application without AutoApply";
    ASSERT_TRUE(data.LoadCurrentFromFile(p.Files, p.Ansi, "C:\\lang\\Deutsch.lan"));
    EXPECT_EQ(a.Ok->Caption, "\xC3\x9C");
    EXPECT_EQ(b.Ok->Caption, "\xC3\x9C");
    ASSERT_TRUE(data.LoadCurrentFromFile(p.Files, p.Ansi, "C:\\lang\\English.lan"));
    EXPECT_EQ(b.Ok->Caption, " OK ");
    data.ClearCurrentAll();
    EXPECT_EQ(b.Ok->Caption, " OK ") << "emptying the language re-applies nothing";
    EXPECT_FALSE(data.LoadCurrentFromFile(p.Files, p.Ansi, "C:\\lang\\Missing.lan"));
}

TEST(FormBaseTest, LinksLanguageAndSkinDataAccordingToItsSwitchesAndOrder) {
    TFakePlatform p;
    TCLMultiLangData data(nullptr, "d");
    data.SetCurrentData(SplitLines(kEnglish));
    TSkinData skin(nullptr, "s");

    // Language component declared after the form base: translated on load.
    TFakeForm after("frmSettings", "TfrmSettings");
    auto* form = new TCLForm(&after, "CLForm", {&skin, &data});
    form->FRuntimeSetLanguageData = form->FRuntimeSetSkinData = true;
    auto* keep = new TFakeControl(&after, "pnl");
    TFakeControl other(nullptr, "otherSkin", "TspSkinData");
    keep->SkinData = &other;
    auto* empty = new TFakeControl(&after, "btnOK");
    auto* lang = new TCLMultiLang(&after, "CLMultiLang");
    after.LoadComponents();
    EXPECT_EQ(lang->LanguageData(), &data);
    EXPECT_EQ(empty->Caption, " OK ");
    EXPECT_EQ(empty->SkinData, &skin);
    EXPECT_EQ(keep->SkinData, &other) << "a set skin-data property keeps its object";

    // Declared before: linked, but texts only arrive with the next language change.
    TFakeForm before("frmSettings", "TfrmSettings");
    auto* early = new TCLMultiLang(&before, "CLMultiLang");
    auto* f2 = new TCLForm(&before, "CLForm", {&skin, &data});
    f2->FRuntimeSetLanguageData = true;
    f2->FRunTimeSetFormProperties = true;
    auto* btn = new TFakeControl(&before, "btnOK");
    class TDerived : public TCLMultiLang {
    public:
        TDerived(TComponent* owner, std::string name)
            : TCLMultiLang(owner, std::move(name), "TDerivedMultiLang") {}
    };
    auto* derived = new TDerived(&before, "Derived");
    before.LoadComponents();
    EXPECT_EQ(early->LanguageData(), &data);
    EXPECT_EQ(derived->LanguageData(), nullptr) << "derived classes are never linked";
    EXPECT_EQ(btn->Caption, "");
    EXPECT_FALSE(before.Scaled);
    EXPECT_EQ(before.Position, TFormPosition::MainFormCenter);
    data.ApplyClients();
    EXPECT_EQ(btn->Caption, " OK ");

    // All switches off: nothing changes.
    TFakeForm plain("frmMain2", "TfrmMain");
    new TCLForm(&plain, "CLForm", {&skin, &data});
    auto* plainLang = new TCLMultiLang(&plain, "CLMultiLang");
    plain.LoadComponents();
    EXPECT_EQ(plainLang->LanguageData(), nullptr);
    EXPECT_TRUE(plain.Scaled);
}

TEST(LanguageChoiceTest, InterfaceLanguageMatchesOnItsPrimaryLanguage) {
    const std::vector<std::string> shipped{"English", "German", "japanese", "Portuguese (Brazil)", "Russian"};
    const std::vector<std::pair<uint16_t, const char*>> cases{
        {0x0407, "German"},              // de-DE
        {0x0C07, "German"},              // de-AT
        {0x0411, "japanese"},            // the name as the folder spells it
        {0x0416, "Portuguese (Brazil)"}, // pt-BR
        {0x0816, "Portuguese (Brazil)"}, // pt-PT: the only Portuguese there is
        {0x0419, "Russian"},
        {0x040C, "English"}, // French: no file shipped in this folder
        {0x0804, "English"}, // Chinese: no translation
        {0x0000, "English"},
    };
    for (const auto& [langId, expected] : cases)
        EXPECT_EQ(LanguageForUiLanguage(langId, shipped), expected) << std::hex << langId;
}
