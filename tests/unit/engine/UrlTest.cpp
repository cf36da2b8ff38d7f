// Web addresses: encodings, the parameter string, page addresses, opening pages,
// "wcme:" links, address parsing and multipart bodies.
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/engine/UrlTools.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

TEST(UrlToolsTest, FormEncodingAndDecoding) {
    TCp1252Codec ansi;
    EXPECT_EQ(UrlEncodeForm(ansi, "Service Pack 3"), "Service+Pack+3");
    EXPECT_EQ(UrlEncodeForm(ansi, "a/b?c=d&e~!$'()*-.@_"), "a%2fb%3fc%3dd%26e%7e!$'()*-.@_");
    EXPECT_EQ(UrlEncodeForm(ansi, "Fran\xC3\xA7"
                                  "ais"),
              "Fran%e7ais")
        << "ANSI bytes, lower-case escapes";
    EXPECT_EQ(UrlDecodeForm("a+b%2F%2f%%c"), "a b//%c");
    for (const char* broken : {"%", "%4", "%zz", "a%g1"})
        EXPECT_EQ(UrlDecodeForm(broken), std::nullopt) << broken;
}

TEST(UrlToolsTest, VersionAndChannelTexts) {
    EXPECT_EQ(VersionToInt("1.2.0.10"), 0x0102000Au);
    EXPECT_EQ(VersionToInt("2.0.1.300 beta"), 0x0200012Cu);
    EXPECT_EQ(VersionToInt("1.2.3"), 0u);
    EXPECT_EQ(VersionToInt("1..2.x"), 0x01000200u) << "empty and unreadable parts read as 0";
    EXPECT_EQ(HexOfLowBytes("setup"), "7365747570");
    EXPECT_EQ(HexOfLowBytes("unknow"), "756E6B6E6F77");
    EXPECT_EQ(CleanChannel("\"C:\\Setup\\web\"\"sale\""), "websale");
    EXPECT_EQ(CleanChannel("d:partner"), "partner");
}

TEST(UrlToolsTest, AppendingAndParsingParameters) {
    EXPECT_EQ(AppendURLParams("", "A=1"), "A=1");
    EXPECT_EQ(AppendURLParams("http://h/p", "A=1"), "http://h/p?A=1");
    EXPECT_EQ(AppendURLParams("http://h/p?", "A=1"), "http://h/p?A=1");
    EXPECT_EQ(AppendURLParams("http://h/p?x=1&", "A=1"), "http://h/p?x=1&A=1");
    EXPECT_EQ(AppendURLParams("http://h/p?x=1", "A=1"), "http://h/p?x=1&A=1");
    TCp1252Codec ansi;
    TNameValueList list;
    ParseURLParams(ansi, "wcme:go?PAGE=help&x=%zz&PAGE=home&y=a+b&z=", list);
    EXPECT_EQ(list, (TNameValueList{"PAGE=home", "y=a b"})) << "a broken escape drops that part";
}

TEST(UrlToolsTest, AddressesKeepTheirPortsAndOnlyALeadingScheme) {
    auto a = ParseURL("http://127.0.0.1:8080/update?next=http://x/");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->Host, "127.0.0.1");
    EXPECT_EQ(a->Port, 8080);
    EXPECT_EQ(a->Path, "/update?next=http://x/") << "a scheme inside the query stays";
    auto s = ParseURL("HTTPS://[::1]:8443/x");
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(s->Secure);
    EXPECT_EQ(s->Host, "::1");
    EXPECT_EQ(s->Port, 8443);
    EXPECT_EQ(ParseURL("https://host/")->Port, 443);
    EXPECT_EQ(ParseURL("http://host/")->Port, 80);
    for (const char* bad :
         {"http://host", "http:///x", "http://h:99999/", "http://h:/", "http://h:8a/", "http://[::1/"})
        EXPECT_EQ(ParseURL(bad), std::nullopt) << bad;
}

TEST(UrlToolsTest, MultipartBodyByteForByte) {
    TFakePlatform p;
    p.Files.Put("C:\\up\\pic.PNG", "PNGDATA");
    p.Files.Put("C:\\up\\notes.txt", "text");
    TFilePostGen gen;
    TNameValueList values{"user=a b", "lang=fr"},
        files{"shot=C:\\up\\pic.PNG", "doc=C:\\up\\notes.txt", "none="};
    gen.Make(p.Files, p.Ansi, &values, &files);
    const std::string b = "---------------------------989989989";
    EXPECT_EQ(gen.PostData(),
              "--" + b +
                  "\r\nContent-Disposition: form-data; name=\"user\"\r\n\r\na+b\r\n"
                  "--" +
                  b +
                  "\r\nContent-Disposition: form-data; name=\"lang\"\r\n\r\nfr\r\n"
                  "--" +
                  b +
                  "\r\nContent-Disposition: form-data; name=\"shot\"; filename=\"C:\\up\\pic.PNG\"\r\n"
                  "Content-Type: image/x-png\r\n\r\nPNGDATA\r\n"
                  "--" +
                  b +
                  "\r\nContent-Disposition: form-data; name=\"doc\"; filename=\"C:\\up\\notes.txt\"\r\n"
                  "\r\ntext\r\n"
                  "--" +
                  b +
                  "\r\nContent-Disposition: form-data; name=\"none\"; filename=\"\"\r\n"
                  "Content-Transfer-Encoding: binary\r\n\r\n"
                  "--" +
                  b + "--\r\n");
    EXPECT_EQ(gen.Headers(), "Content-Type: multipart/form-data; boundary=" + b);
    gen.Make(p.Files, p.Ansi, &values, nullptr);
    EXPECT_EQ(gen.PostData().find(b + "--"), std::string::npos) << "no closing boundary without files";

    TSingleDownloader d(nullptr, p.Facilities);
    d.SetPostValues({"q=a&b", "n=1 2"});
    EXPECT_EQ(d.PostQuery, "q=a%26b&n=1+2");
}

TEST(UrlToolsTest, RepliesDecodeByCharset) {
    TCp1252Codec ansi;
    EXPECT_EQ(DecodeReply(ansi, "caf\xE9", KAnsi), "caf\xC3\xA9");
    EXPECT_EQ(DecodeReply(ansi, std::string("h\0i\0!", 5), KUnicode), "hi")
        << "a trailing odd byte is dropped";
    EXPECT_EQ(DecodeReply(ansi, "caf\xC3\xA9", KUTF8), "caf\xC3\xA9");
}

namespace {
class EngineUrlTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineHost Host;
    std::unique_ptr<TCLEngine> E;
    void SetUp() override {
        P.Files.Put(
            "C:\\Tools\\App\\const.dat",
            "[setting]\nApp.Ver=1.2.0.10\nApp.SubVer=3\nApp.MagicWord=magic word\nApp.RegPath=Maskaddr\n"
            "Language=Fran\xE7"
            "ais\nURL.home=http://127.0.0.1/home\nURL.help=http://127.0.0.1/help?\n"
            "URL.local=%EXEPATH%\\res\\page.html\nURL.blank=   \nURL.Redirect=http://127.0.0.1/r?a=1\n");
        P.Clock.Value = 46000.0 + (12 * 3600 + 7 * 60 + 7.042) / 86400.0;
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
    }
};
} // namespace

TEST_F(EngineUrlTest, ParameterStringInItsOrder) {
    EXPECT_EQ(E->GetURLParam(), "07042&PID=magic+word&LANG=Fran%e7ais&DAY=0&RUNTIME=0&VER=0102000A&SVER=3"
                                "&WVER=5_1_Service+Pack+3&WLANG=1033&CHL=756E6B6E6F77");
    P.Registry.WriteString(TRegRoot::LocalMachine, "Software\\Maskaddr", "CHL", "\"D:\\dist\\setup\"");
    EXPECT_NE(E->GetURLParam().find("&CHL=7365747570"), std::string::npos);
}

TEST_F(EngineUrlTest, PageAddresses) {
    const std::string params = E->GetURLParam();
    EXPECT_EQ(E->GetURL("home", true), "http://127.0.0.1/home?ACTION=home&" + params);
    EXPECT_EQ(E->GetURL("help", true), "http://127.0.0.1/help?ACTION=help&" + params);
    EXPECT_EQ(E->GetURL("home", false), "http://127.0.0.1/home");
    EXPECT_EQ(E->GetURL("local", true), "C:\\Tools\\App\\res\\page.html") << "no parameters for a local file";
    EXPECT_EQ(E->GetURL("blank", true), "http://127.0.0.1/r?a=1&ACTION=blank&" + params)
        << "blank counts as missing";
    EXPECT_EQ(E->GetURL("nothing", false), "http://127.0.0.1/r?a=1");
}

TEST_F(EngineUrlTest, PagesOpenWithTheBrowserCommandAndQuotesCannotEscapeIt) {
    E->ShowPageByURL("http://127.0.0.1/a");
    EXPECT_EQ(Host.Opened, std::vector<std::string>{"http://127.0.0.1/a"}) << "no browser command: the shell";
    P.Registry.WriteString(TRegRoot::ClassesRoot, "HTTP\\shell\\open\\command", "",
                           "\"C:\\b\\browser.exe\" -url \"%1\"");
    E->ShowPageByURL("http://127.0.0.1/a\" --evil \"");
    EXPECT_EQ(Host.Started,
              std::vector<std::string>{"\"C:\\b\\browser.exe\" -url \"http://127.0.0.1/a%22%20--evil%20%22\""});
    P.Registry.WriteString(TRegRoot::ClassesRoot, "HTTP\\shell\\open\\command", "", "C:\\b\\browser.exe");
    E->ShowPageByURL("http://127.0.0.1/b");
    EXPECT_EQ(Host.Started.back(), "C:\\b\\browser.exe  \"http://127.0.0.1/b\"");
    E->ShowPageByURL("http://127.0.0.1/c\r\n-x");
    EXPECT_EQ(Host.Started.size(), 2u) << "control characters refuse the address";
}

// Addresses come from settings an update reply may set: what is no web page or local page of
// the program's own is refused, and blanks cannot split the address.
TEST_F(EngineUrlTest, OnlyWebPagesAndTheProgramsOwnPagesOpen) {
    for (const char* refused : {"C:\\Windows\\calc.exe", "file:///C:/Windows/calc.exe", "javascript:alert(1)",
                                "\\\\host\\share\\page.html", "C:\\Tools\\App\\..\\x.html",
                                "C:\\Tools\\App\\tool.exe", "httpx://127.0.0.1/"})
        E->ShowPageByURL(refused);
    EXPECT_TRUE(Host.Opened.empty());
    E->ShowPageByURL("HTTPS://127.0.0.1/a b");
    E->ShowPageByURL("C:\\Tools\\App\\res\\page.html");
    EXPECT_EQ(Host.Opened,
              (std::vector<std::string>{"HTTPS://127.0.0.1/a%20b", "C:\\Tools\\App\\res\\page.html"}));
}

TEST_F(EngineUrlTest, WcmeLinksOpenConfiguredPagesAndNeverNavigate) {
    bool cancel = false;
    E->WebBeforeNavigate2("http://127.0.0.1/x", cancel);
    EXPECT_FALSE(cancel);
    E->WebBeforeNavigate2("WCME:open?PAGE=help", cancel);
    EXPECT_TRUE(cancel);
    ASSERT_EQ(Host.Opened.size(), 1u);
    EXPECT_EQ(Host.Opened[0].rfind("http://127.0.0.1/help?ACTION=help&", 0), 0u);
    cancel = false;
    E->WebBeforeNavigate2("wcme:open?x=1", cancel);
    EXPECT_TRUE(cancel) << "swallowed without PAGE";
    EXPECT_EQ(Host.Opened.size(), 1u);
}
