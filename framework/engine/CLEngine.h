// TCLEngine: the application engine that the main window carries, a facade over parts of
// their own: the language (TEngineLanguage: the language file chosen and its texts), the
// skin (TEngineSkin), message boxes that can be silenced per message number
// (TMessageBoxes), downloads into the cache (TCacheDownloads) and update checks
// (TUpdateChecks). Itself it ties the parts together, composes the title, opens pages,
// answers the messages of other instances, and supplies the settings store with its two
// fixed lists. The window side (hooking the owner's window procedure, dialogs, the about
// window) is reached through IEngineHost, so that this logic is portable.
#pragma once

#include "base/NameValueList.h"
#include "framework/components/ChoiceMenu.h"
#include "framework/components/Component.h"
#include "framework/engine/AboutContent.h"
#include "framework/engine/CacheDownloads.h"
#include "framework/engine/EngineHost.h"
#include "framework/engine/EngineMessage.h"
#include "framework/engine/EngineParts.h"
#include "framework/engine/EngineSkin.h"
#include "framework/engine/MessageBoxes.h"
#include "framework/engine/MessageDialog.h"
#include "framework/engine/SkinFrame.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/engine/UpdateChecks.h"
#include "framework/engine/WebBanner.h"
#include "framework/language/CLForm.h"
#include "framework/language/EngineLanguage.h"
#include "framework/settings/SettingLists.h"
#include "framework/threads/Lifeline.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr {

class TCLMultiLangData;
class TCLSettings;
class TSkinData;

// Longest command-line text taken from another instance, in UTF-16 code units.
constexpr uint32_t kMaxParamFileUnits = 16384;

class TCLEngine : public TComponent,
                  public ISettingLists,
                  public IUpdateEngine,
                  public IBannerEngine,
                  public IAppTexts,
                  public IMessageBoxes,
                  public ILanguageChoice,
                  public IPages,
                  public IMessageTexts {
public:
    TCLEngine(TComponent* owner, IEngineHost& host, const TPlatform& platform, TCLSettings& settings);
    ~TCLEngine() override;

    void Loaded() override;
    void InitPost();
    // The hook on the owner's window procedure: true when the engine answered (answer set),
    // false when the message goes on to the window's own procedure.
    bool EngineWndProc(const TEngineMessage& message, intptr_t& answer);

    std::string GetAppString(const std::string& strName) { return FLanguage.AppString(strName); }
    std::string GetLibString(const std::string& strName) override { return FLanguage.LibString(strName); }
    std::string GetAppStringEx(const std::string& strName, const std::vector<std::string>& Args) override;
    std::string GetLibStringEx(const std::string& strName, const std::vector<std::string>& Args);
    std::string GetMessageText(const std::string& strKey, bool bLib) override {
        return FLanguage.MessageText(strKey, bLib);
    }
    std::string GetAppName() override { return FLanguage.AppName(); }
    std::string AppName() { return GetAppName(); }
    void GetResSection(const std::string& section, TNameValueList& list) {
        FLanguage.GetSection(section, list);
    }

    int ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                      int DlgType, uint32_t Buttons, int iDefault, bool bLib) override;
    int ShowErrorMessage(const std::string& strError, const std::string& strErrorParam, bool bLib);
    void AppAbout();
    TAboutContent AboutContent();
    void SplashClose() { FHost.CloseSplash(); }
    // The parameter string that identifies this installation to the maker's service.
    std::string GetURLParam();
    // The address of a named page ("URL." + name, else "URL.Redirect"), with the
    // parameter string when asked for and the address is a web address.
    std::string GetURL(const std::string& strPage, bool bAddParams);
    void ShowPage(const std::string& strPage) override { ShowPageByURL(GetURL(strPage, true)); }
    // Opens the address with the default browser's command, else the shell.
    void ShowPageByURL(const std::string& strURL) override;
    // The before-navigation check of embedded pages: "wcme:" links open a configured page
    // and never navigate themselves (Cancel set).
    void WebBeforeNavigate2(const std::string& URL, bool& Cancel) override;
    // Fetches an address into a cache file once per run; onDone receives the file.
    // Spelled so on purpose: callers use this name.
    void
    DownloadtoCache(const std::string& strURL, const std::string& strCacheFile,
                    std::function<void(TSingleDownloader*, const std::string&, int64_t)> onDone) override;
    void DownloadtoCacheCancel(const std::string& strURL) override;
    // The update check the user asks for; bWait runs its window modally and frees it.
    void AppUpdate(bool bWait);
    // The automatic check at the end of start-up.
    void AppUpdateAuto();
    // True once a reply has been accepted; without one, runs a modal check first.
    bool AppWaitFirstUpdate();

    const std::string& Language() const override { return FLanguage.Name(); }
    void SetLanguage(const std::string& name) override { FLanguage.Set(name); }
    const std::vector<std::string>& LanguageList() override { return FLanguage.List(); }
    const std::string& Skin() const { return FSkin.Name(); }
    void SetSkin(const std::string& name) { FSkin.Set(name); }
    const std::vector<std::string>& SkinList() { return FSkin.List(); }
    const std::string& LanguageTranslator() const { return FLanguage.Translator(); }
    const std::string& AppTitle() const { return FAppTitle; }
    bool SessionEnding();
    bool InInited() const { return FInInited; }
    const std::string& ParamFile() const { return FParamFile; }

    // Published properties.
    void SetSkinData(TSkinData* data) { FSkin.SetData(data); }
    TSkinData* SkinData() const { return FSkin.Data(); }
    void SetSkinForm(ISkinFrame* frame) { FSkin.SetFrame(frame); }
    void SetLanguageData(TCLMultiLangData* data) { FLanguage.SetData(data); }
    TCLMultiLangData* LanguageData() const { return FLanguage.Data(); }
    // What every window of the program links its components to: the skin and the language.
    TFormData FormData() const;
    void SetSkinMenuItem(IChoiceMenu* item) { FSkin.SetMenuItem(item); }
    void SetLanguageMenuItem(IChoiceMenu* item) { FLanguage.SetMenuItem(item); }
    void SetSettingOverwrite(const std::vector<std::string>& lines) { FSettingOverwrite = lines; }
    void SetSettingDefault(const std::vector<std::string>& lines) { FSettingDefault = lines; }
    const std::vector<std::string>& SettingOverwrite() const override { return FSettingOverwrite; }
    const std::vector<std::string>& SettingDefault() const override { return FSettingDefault; }
    void SetParentHWND(uintptr_t window) { FParentHWND = window; }
    void SetTitleIncludeVer(bool value);
    bool TitleIncludeVer() const { return FTitleIncludeVer; }
    bool Debug() const { return FDebug; }
    void SetDebug(bool value) { FDebug = value; }

    std::function<void(TCLEngine*)> OnLanguageChanged, OnSkinChanged, OnTitleChange;
    std::function<void(const std::string& strFileName)> OnCmdFile;
    // After every update reply accepted into the settings (start-up, "Update...", automatic).
    std::function<void()> OnUpdateAccepted;

private:
    std::string UpdateURL() override { return GetURL("Update", true); }
    void UpdateAccepted() override {
        if (OnUpdateAccepted) OnUpdateAccepted();
    }
    // The parts' reports of a new language and a new skin.
    void LanguageChanged();
    void SkinChanged();
    void UpdateTitle();
    void CheckCmdParam();
    // The command line another instance handed over in a copied-data record.
    void TakeParamFile(const void* data, uint32_t size);
    void BeginAutoUpdate();
    // The settings store's report of a failed save of the user file (see SetSaveFailedHook).
    void SaveFailed(const std::string& path, const std::string& reason);
    void PostSaveFailure();

    IEngineHost& FHost;
    TPlatform FPlatform;
    TCLSettings& FSettings;
    bool FDebug = false;
    std::vector<std::string> FSettingOverwrite;
    std::vector<std::string> FSettingDefault{"Path.Skins=skins", "Path.Languages=lang"};
    uintptr_t FParentHWND = 0;
    bool FInLoaded = false;
    std::string FParamFile;
    bool FInInited = true;
    std::string FAppTitle;
    bool FTitleIncludeVer = true;
    TEngineSkin FSkin;
    TEngineLanguage FLanguage;
    TMessageBoxes FMessages;
    TCacheDownloads FDownloads;
    std::unique_ptr<TUpdateChecks> FUpdates; // its windows live with the engine
    uint32_t FQueryEndSessionTime = 0;
    bool FQueryEndSessionSeen = false;
    // One message per run about the user file that cannot be saved: the first failure is
    // kept until the start is done, then posted to the message loop.
    enum class TSaveFailure : uint8_t { None, Pending, Posted };
    TSaveFailure FSaveFailure = TSaveFailure::None;
    std::string FSaveFailedPath, FSaveFailedReason;
    TLifeline<TCLEngine> FAlive{this};
};

} // namespace maskaddr
