// The application engine (see CLEngine.h).
#include "framework/engine/CLEngine.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/engine/Skin.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/engine/UrlTools.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace maskaddr {

namespace {
// The engine that serves the settings store its lists and its save-failure hook: the first one
// made, until it goes.
TCLEngine* g_engine = nullptr;
constexpr uint32_t kSessionEndingMs = 300000;
// The engine's own messages and the names other instances send them by.
constexpr std::pair<TEngineEvent, const char*> kRegisteredMessages[] = {
    {TEngineEvent::GetAppID, "CL GetAppID"}, {TEngineEvent::CloseApp, "CL CloseApp"},
    {TEngineEvent::InitPost, "CL InitPost"}, {TEngineEvent::CmdParam, "CL CmdParam"},
    {TEngineEvent::IfBusy, "CL IfBusy"},     {TEngineEvent::BringToFront, "CL BringtoFront"},
};
} // namespace

TFormData TCLEngine::FormData() const {
    return {FSkin.Data(), FLanguage.Data()};
}

TCLEngine::TCLEngine(TComponent* owner, IEngineHost& host, const TPlatform& platform, TCLSettings& settings)
    : TComponent(owner, "CLEngine", "TCLEngine"), FHost(host), FPlatform(platform), FSettings(settings),
      FSkin(platform, settings, [this] { SkinChanged(); }),
      FLanguage(platform, settings, [this] { LanguageChanged(); }), FMessages(host, *this, settings),
      FDownloads(platform), FUpdates(std::make_unique<TUpdateChecks>(*this, host, platform, settings)) {
    FTitleIncludeVer = true;
    FInInited = true;
    for (const auto& [event, name] : kRegisteredMessages)
        FHost.RegisterMessage(event, name);
    FHost.HookOwner(*this);
    if (g_engine == nullptr) {
        g_engine = this;
        FSettings.SetLists(this);
        FSettings.SetSaveFailedHook(
            [this](const std::string& path, const std::string& reason) { SaveFailed(path, reason); });
    }
    FDebug = DebugTrace::Enabled();
}

TCLEngine::~TCLEngine() {
    FUpdates.reset(); // the update windows go while the engine they ask is whole
    if (g_engine == this) {
        g_engine = nullptr;
        FSettings.SetLists(nullptr);
        FSettings.SetSaveFailedHook(nullptr);
    }
    FHost.UnhookOwner();
}

// ---- start of life ----

void TCLEngine::Loaded() {
    FInLoaded = true;
    try {
        FSkin.Init();
        FLanguage.Init();
    } catch (...) {
        FInLoaded = false;
        throw;
    }
    FInLoaded = false;
    FHost.PostToOwner(TEngineEvent::InitPost);
}

void TCLEngine::InitPost() {
    if (OnLanguageChanged) OnLanguageChanged(this);
    if (OnSkinChanged) OnSkinChanged(this);
    UpdateTitle();
    BeginAutoUpdate();
    CheckCmdParam();
    FInInited = false;
    if (FSaveFailure == TSaveFailure::Pending) PostSaveFailure();
}

void TCLEngine::BeginAutoUpdate() {
    if (FSettings.GetSettingBool("Update.BeginAuto")) AppUpdateAuto();
}

void TCLEngine::CheckCmdParam() {
    std::vector<std::string> args = FPlatform.System->ProgramArguments();
    if (args.empty() || args[0].empty() || args[0][0] == '-' || args[0][0] == '/') return;
    FParamFile = args[0];
    FHost.PostToOwner(TEngineEvent::CmdParam);
}

// ---- the user file that cannot be saved ----

// Values stay in memory and every later save is still tried, so the user is told once per
// run. Never shown from inside the write: a dialog's own message loop would run in the middle
// of whatever sequence of settings the caller is writing. A failure before the start is done
// (the first save comes before the main window exists) waits for the end of the start.
void TCLEngine::SaveFailed(const std::string& path, const std::string& reason) {
    if (FSaveFailure != TSaveFailure::None) return;
    FSaveFailure = TSaveFailure::Pending;
    FSaveFailedPath = path;
    FSaveFailedReason = reason;
    if (!FInInited) PostSaveFailure();
}

void TCLEngine::PostSaveFailure() {
    FSaveFailure = TSaveFailure::Posted;
    IUiDispatcher* ui = FPlatform.Ui;
    if (ui == nullptr) return;
    ui->Post(FAlive.Guard([](TCLEngine& self) {
        self.ShowMessageEx("MSGBox.SAVEFAILED", {self.FSaveFailedPath, self.FSaveFailedReason}, 0, mtError,
                           mb::OK, 0, false);
    }));
}

// ---- messages ----

bool TCLEngine::EngineWndProc(const TEngineMessage& m, intptr_t& answer) {
    switch (m.Event) {
    case TEngineEvent::GetAppID:
        answer = FSettings.GetSettingInteger("App.ID");
        return true;
    case TEngineEvent::CloseApp:
        answer = 0;
        FHost.TerminateApplication();
        return true;
    case TEngineEvent::InitPost:
        answer = 0;
        InitPost();
        return true;
    case TEngineEvent::IfBusy:
        answer = FInInited ? 1 : 0;
        return true;
    case TEngineEvent::BringToFront:
        answer = FSkin.RestoreFromTray() ? 1 : 0;
        return true;
    case TEngineEvent::CopyData:
        if (!m.HasCopyRecord || m.CopyData == nullptr || m.CopyDataSize < 2) return false;
        answer = 0;
        TakeParamFile(m.CopyData, m.CopyDataSize);
        return true;
    case TEngineEvent::CmdParam:
        if (!OnCmdFile) return false;
        DebugTrace::Trace("CLEngine", "OnCmdFile : " + FParamFile);
        answer = 0;
        OnCmdFile(FParamFile);
        return true;
    case TEngineEvent::QueryEndSession:
        FQueryEndSessionTime = FPlatform.System->TickCount();
        FQueryEndSessionSeen = true;
        return false; // the window's own procedure answers
    }
    return false;
}

// The record's text is UTF-16 without terminator. Only whole code units are read, and a
// record larger than any command line is cut.
void TCLEngine::TakeParamFile(const void* data, uint32_t size) {
    uint32_t units = std::min(size / 2, kMaxParamFileUnits);
    std::u16string text(units, u'\0');
    std::copy_n(static_cast<const unsigned char*>(data), units * 2,
                reinterpret_cast<unsigned char*>(text.data()));
    FParamFile = Utf16ToUtf8(text);
    DebugTrace::Trace("CLEngine", "Command file : " + FParamFile);
    FHost.PostToOwner(TEngineEvent::CmdParam);
}

// Only a query that really arrived counts: with the tick count below five minutes
// (a freshly started system), a zero start value would otherwise read as "ending".
bool TCLEngine::SessionEnding() {
    return FQueryEndSessionSeen &&
           static_cast<uint32_t>(FPlatform.System->TickCount() - FQueryEndSessionTime) < kSessionEndingMs;
}

// ---- texts ----

std::string TCLEngine::GetAppStringEx(const std::string& strName, const std::vector<std::string>& Args) {
    return FormatBraces(GetAppString(strName), Args);
}

std::string TCLEngine::GetLibStringEx(const std::string& strName, const std::vector<std::string>& Args) {
    return FormatBraces(GetLibString(strName), Args);
}

// ---- message boxes ----

int TCLEngine::ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                             int DlgType, uint32_t Buttons, int iDefault, bool bLib) {
    return FMessages.ShowMessageEx(strKey, Args, iNumber, DlgType, Buttons, iDefault, bLib);
}

int TCLEngine::ShowErrorMessage(const std::string& strError, const std::string& strErrorParam, bool bLib) {
    return ShowMessageEx(strError, {strErrorParam}, 0, mtError, mb::OK, 0, bLib);
}

// ---- language and skin ----

// The skin's own controls take their texts from the language; the start (Loaded) tells the
// windows of both once it is done, in InitPost.
void TCLEngine::LanguageChanged() {
    if (TSkinData* skin = FSkin.Data()) FLanguage.GetSection("SkinRes", skin->ResourceStrings);
    if (!FInLoaded && OnLanguageChanged) OnLanguageChanged(this);
    UpdateTitle();
}

void TCLEngine::SkinChanged() {
    if (!FInLoaded && OnSkinChanged) OnSkinChanged(this);
}

// ---- title and about ----

void TCLEngine::SetTitleIncludeVer(bool value) {
    FTitleIncludeVer = value;
    UpdateTitle();
}

void TCLEngine::UpdateTitle() {
    std::string title = GetAppName();
    if (FTitleIncludeVer) title += "  " + FSettings.GetSettingString("App.Ver");
    FAppTitle = title;
    if (FSettings.GetSettingBool("App.NoAutoTitle")) return;
    FHost.ApplyTitle(title);
    if (OnTitleChange) OnTitleChange(this);
}

// ---- update checks ----

void TCLEngine::AppUpdate(bool bWait) {
    FUpdates->AppUpdate(bWait);
}

void TCLEngine::AppUpdateAuto() {
    FUpdates->AppUpdateAuto();
}

bool TCLEngine::AppWaitFirstUpdate() {
    return FUpdates->AppWaitFirstUpdate();
}

// ---- addresses and pages ----

std::string TCLEngine::GetURLParam() {
    TCLSettings& settings = FSettings;
    std::string channel = FPlatform.Registry
                              ->ReadString(TRegRoot::LocalMachine,
                                           "Software\\" + settings.GetSettingString("App.RegPath"), "CHL")
                              .value_or("unknow");
    channel = CleanChannel(channel);
    std::string pid = settings.GetSettingString("App.PID");
    if (pid.empty()) pid = settings.GetSettingString("App.MagicWord");
    const TOsVersion os = FPlatform.System->OsVersion();
    IAnsiCodec& ansi = *FPlatform.Ansi;

    // "sszzz": seconds and milliseconds of the local time; every request is unique.
    double ms =
        std::round((FPlatform.Clock->Now() - std::floor(FPlatform.Clock->Now())) * kSecondsPerDay * 1000.0);
    int64_t msOfDay = static_cast<int64_t>(ms);
    char stamp[8];
    std::snprintf(stamp, sizeof stamp, "%02d%03d", static_cast<int>((msOfDay / 1000) % 60),
                  static_cast<int>(msOfDay % 1000));
    char version[9];
    std::snprintf(version, sizeof version, "%08X", VersionToInt(settings.GetSettingString("App.Ver")));

    std::string params = stamp;
    params += "&PID=" + UrlEncodeForm(ansi, pid);
    params += "&LANG=" + UrlEncodeForm(ansi, settings.GetSettingString("Language"));
    params += "&DAY=" + UrlEncodeForm(ansi, std::to_string(settings.GetRunDays()));
    params += "&RUNTIME=" + UrlEncodeForm(ansi, std::to_string(settings.RunTimes()));
    params += "&VER=" + UrlEncodeForm(ansi, version);
    params += "&SVER=" + UrlEncodeForm(ansi, std::to_string(settings.GetSettingInteger("App.SubVer")));
    params += "&WVER=" + UrlEncodeForm(ansi, std::to_string(os.Major) + "_" + std::to_string(os.Minor) + "_" +
                                                 os.ServicePack);
    params += "&WLANG=" + UrlEncodeForm(ansi, std::to_string(FPlatform.System->SystemDefaultLangID()));
    params += "&CHL=" + UrlEncodeForm(ansi, HexOfLowBytes(channel));
    return params;
}

std::string TCLEngine::GetURL(const std::string& strPage, bool bAddParams) {
    std::string value = FSettings.GetSettingString("URL." + strPage);
    if (!Trim(value).empty()) {
        value = ReplaceExePath(*FPlatform.Files, value);
    } else {
        value = FSettings.GetSettingString("URL.Redirect");
    }
    if (bAddParams && SameText(value.substr(0, 4), "http"))
        return AppendURLParams(value, "ACTION=" + strPage + "&" + GetURLParam());
    return value;
}

// The address goes into a command line: a double quote in it could end the quoted
// argument and add arguments of its own, so quotes are escaped and control characters
// refuse the address.
// Addresses come from settings that update replies may set: only web pages open, and the
// program's own local pages (an HTML file in its folder); nothing else is handed to the
// shell, which would start a program named there.
void TCLEngine::ShowPageByURL(const std::string& strURL) {
    for (char c : strURL)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            DebugTrace::Trace("CLEngine", "Refused address with control characters");
            return;
        }
    const std::string lower = LowerAscii(strURL);
    const bool web = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
    const std::string folder = LowerAscii(AppFolder(*FPlatform.Files));
    const bool localPage = lower.rfind(folder, 0) == 0 && lower.find("..") == std::string::npos &&
                           (lower.ends_with(".html") || lower.ends_with(".htm"));
    if (!web && !localPage) {
        DebugTrace::Trace("CLEngine", "Refused address that is no web page: " + strURL);
        return;
    }
    const std::string url = web ? ReplaceAll(ReplaceAll(strURL, "\"", "%22"), " ", "%20") : strURL;
    std::string command =
        FPlatform.Registry->ReadString(TRegRoot::ClassesRoot, "HTTP\\shell\\open\\command", "").value_or("");
    if (Trim(command).empty()) {
        FHost.OpenURL(url);
        return;
    }
    if (LowerAscii(command).find("%1") != std::string::npos)
        command = ReplaceAllNoCase(command, "%1", url);
    else
        command += "  \"" + url + "\"";
    FHost.StartProcess(command);
}

void TCLEngine::WebBeforeNavigate2(const std::string& URL, bool& Cancel) {
    if (!SameText(URL.substr(0, 5), "wcme:")) return;
    TNameValueList list;
    ParseURLParams(*FPlatform.Ansi, URL, list);
    std::string page = FindListValue(list, "PAGE").value_or("");
    if (!page.empty()) ShowPage(page);
    Cancel = true;
}

void TCLEngine::DownloadtoCache(const std::string& strURL, const std::string& strCacheFile,
                                std::function<void(TSingleDownloader*, const std::string&, int64_t)> onDone) {
    FDownloads.DownloadtoCache(strURL, strCacheFile, std::move(onDone));
}

void TCLEngine::DownloadtoCacheCancel(const std::string& strURL) {
    FDownloads.DownloadtoCacheCancel(strURL);
}

void TCLEngine::AppAbout() {
    FHost.ShowAbout(AboutContent(), FParentHWND);
}

} // namespace maskaddr
