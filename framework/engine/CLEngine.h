// TCLEngine: the application engine that the main window carries. It looks up
// language texts, shows message boxes that can be silenced per message number,
// chooses language and skin, composes the title, answers the messages of other
// instances, and supplies the settings store with its two fixed lists.
// The window side (hooking the owner's window procedure, dialogs, the about
// window) is reached through IEngineHost, so that this logic is portable.
#pragma once

#include "framework/components/Component.h"
#include "framework/settings/SettingLists.h"
#include "base/NameValueList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr {

class TCLMultiLangData;
class TSkinData;
class TSkin;
class TSingleDownloader;
class TUpdateController;
class IUpdateView;

// Message kinds, button bits and results of message boxes.
enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };
namespace mb {
constexpr uint32_t Yes = 1u << 0, No = 1u << 1, OK = 1u << 2, Cancel = 1u << 3, Abort = 1u << 4,
                   Retry = 1u << 5, Ignore = 1u << 6, All = 1u << 7, NoToAll = 1u << 8, YesToAll = 1u << 9,
                   Help = 1u << 10, Close = 1u << 11;
}
namespace mr {
constexpr int None = 0, OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, All = 8,
              NoToAll = 9, YesToAll = 10, Close = 11;
}

// The message dialog with its optional "do not show again" check box.
class IMessageDialog {
public:
    virtual ~IMessageDialog() = default;
    bool ShowAgainFlag = false;     // offer the check box
    bool ShowAgainFlagValue = true; // false once the user ticked it
    virtual int MessageDlg2(const std::string& text, const std::string& caption, int kind, uint32_t buttons,
                            int helpContext) = 0;
};

// A menu item that lists the languages or skins as its sub-items.
class IChoiceMenu {
public:
    virtual ~IChoiceMenu() = default;
    virtual size_t SubItemCount() = 0;
    virtual void SetSubItems(const std::vector<std::string>& captions, const std::vector<bool>& checked,
                             std::function<void(const std::string& caption)> onClick) = 0;
    virtual void SetChecked(size_t index, bool checked) = 0;
    virtual void Hide() = 0;
};

// The main window's skin frame, as far as the engine needs it.
class ISkinFrame {
public:
    virtual ~ISkinFrame() = default;
    virtual bool HasTrayIcon() = 0;
    virtual void RestoreFromTray() = 0;
};

struct TAboutContent {
    std::string Caption, OkCaption, Info, SupportCaption, SupportURL, LogoPath;
    std::string OwnerCaption; // empty unless the window is shown inside ParentHWND
};

class TCLEngine;

// What the engine needs from the window system.
class IEngineHost {
public:
    virtual ~IEngineHost() = default;
    virtual uint32_t RegisterMessage(const std::string& name) = 0;
    // Puts the engine's procedure in front of the owner window's own.
    virtual void HookOwner(TCLEngine& engine) = 0;
    virtual void UnhookOwner() = 0;
    virtual void PostToOwner(uint32_t message) = 0;
    // Ends the application's message loop in order.
    virtual void TerminateApplication() = 0;
    // The application's (task bar) title and the owner window's caption.
    virtual void ApplyTitle(const std::string& title) = 0;
    virtual uint32_t TickCount() = 0;
    virtual std::vector<std::string> ProgramArguments() = 0;
    virtual std::unique_ptr<IMessageDialog> CreateMessageDialog() = 0;
    virtual void ShowAbout(const TAboutContent& content, uintptr_t parentWindow) = 0;
    virtual bool IsWindowsVista64() = 0;
    virtual void CloseSplash() = 0;
    // Opens a web address with the shell's "open" verb.
    virtual void OpenURL(const std::string& url) = 0;
    // Starts a program by its command line; failures are ignored.
    virtual void StartProcess(const std::string& commandLine) = 0;
    // The Windows version record (major, minor, service-pack text) and the system language.
    virtual void OsVersion(uint32_t& major, uint32_t& minor, std::string& servicePack) = 0;
    virtual uint16_t SystemDefaultLangID() = 0;
    // A new update window driven by the controller.
    virtual std::unique_ptr<IUpdateView> CreateUpdateView(TUpdateController& controller) = 0;
};

// A window message as the engine's procedure sees it. For WM_COPYDATA the host fills the
// record's fields when a record is present.
struct TEngineMessage {
    uint32_t Msg = 0;
    bool HasCopyRecord = false;
    const void* CopyData = nullptr;
    uint32_t CopyDataSize = 0;
};
constexpr uint32_t kWM_QUERYENDSESSION = 0x0011;
constexpr uint32_t kWM_COPYDATA = 0x004A;
// Longest command-line text taken from another instance, in UTF-16 code units.
constexpr uint32_t kMaxParamFileUnits = 16384;

class TCLEngine : public TComponent, public ISettingLists {
public:
    TCLEngine(TComponent* owner, IEngineHost& host);
    ~TCLEngine() override;

    void Loaded() override;
    void InitPost();
    // The hook on the owner's window procedure: true when the engine answered (answer set),
    // false when the message goes on to the window's own procedure.
    bool EngineWndProc(const TEngineMessage& message, intptr_t& answer);

    std::string GetAppString(const std::string& strName);
    std::string GetLibString(const std::string& strName);
    std::string GetAppStringEx(const std::string& strName, const std::vector<std::string>& Args);
    std::string GetLibStringEx(const std::string& strName, const std::vector<std::string>& Args);
    std::string GetMessageText(const std::string& strKey, bool bLib);
    std::string GetAppName();
    std::string AppName() { return GetAppName(); }
    void GetResSection(const std::string& section, TNameValueList& list);

    int ShowMessageEx(const std::string& strKey, const std::vector<std::string>& Args, int iNumber,
                      int DlgType, uint32_t Buttons, int iDefault, bool bLib);
    int ShowErrorMessage(const std::string& strError, const std::string& strErrorParam, bool bLib);
    void AppAbout();
    TAboutContent AboutContent();
    void SplashClose() { FHost.CloseSplash(); }
    // The parameter string that identifies this installation to the maker's service.
    std::string GetURLParam();
    // The address of a named page ("URL." + name, else "URL.Redirect"), with the
    // parameter string when asked for and the address is a web address.
    std::string GetURL(const std::string& strPage, bool bAddParams);
    void ShowPage(const std::string& strPage) { ShowPageByURL(GetURL(strPage, true)); }
    // Opens the address with the default browser's command, else the shell.
    void ShowPageByURL(const std::string& strURL);
    // The before-navigation check of embedded pages: "wcme:" links open a configured page
    // and never navigate themselves (Cancel set).
    void WebBeforeNavigate2(const std::string& URL, bool& Cancel);
    // Fetches an address into a cache file once per run; onDone receives the file.
    void DownloadtoCache(const std::string& strURL, const std::string& strCacheFile,
                         std::function<void(TSingleDownloader*, const std::string&, int64_t)> onDone);
    void DownloadtoCacheCancel(const std::string& strURL);
    // The update check the user asks for; bWait runs its window modally and frees it.
    void AppUpdate(bool bWait);
    // The automatic check at the end of start-up.
    void AppUpdateAuto();
    // True once a reply has been accepted; without one, runs a modal check first.
    bool AppWaitFirstUpdate();

    const std::string& Language() const { return FLanguage; }
    void SetLanguage(const std::string& name);
    const std::vector<std::string>& LanguageList();
    const std::string& Skin() const { return FSkin; }
    void SetSkin(const std::string& name);
    const std::vector<std::string>& SkinList();
    const std::string& LanguageTranslator() const { return FLanguageTranslator; }
    const std::string& AppTitle() const { return FAppTitle; }
    bool SessionEnding();
    bool InInited() const { return FInInited; }
    const std::string& ParamFile() const { return FParamFile; }

    // Published properties.
    void SetSkinData(TSkinData* data) { FSkinData = data; }
    TSkinData* SkinData() const { return FSkinData; }
    void SetSkinForm(ISkinFrame* frame) { FSkinForm = frame; }
    void SetLanguageData(TCLMultiLangData* data) { FLanguageData = data; }
    TCLMultiLangData* LanguageData() const { return FLanguageData; }
    void SetSkinMenuItem(IChoiceMenu* item) { FSkinMenuItem = item; }
    void SetLanguageMenuItem(IChoiceMenu* item) { FLanguageMenuItem = item; }
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

    uint32_t FWM_CL_GET_APPID = 0, FWM_CL_CLOSE_APP = 0, FWM_CL_INITPOST = 0, FWM_CL_CMDPARAM = 0,
             FWM_CL_IF_BUSY = 0, FWM_CL_BRING_TO_FRONT = 0;

private:
    std::string GetSectionText(const std::string& section, const std::string& name);
    IMessageDialog& GetMessageDlg();
    void InitSkin();
    void InitLanguage();
    std::vector<std::string> ReadList(const std::string& folderSetting, const std::string& extension,
                                      const std::string& first, int extensionCuts);
    void BuildMenu(IChoiceMenu* item, const std::vector<std::string>& list, const std::string& current,
                   bool skins);
    void CheckMenu(IChoiceMenu* item, const std::vector<std::string>& list, const std::string& current);
    void UpdateTitle();
    void CheckCmdParam();
    void BeginAutoUpdate();

    IEngineHost& FHost;
    bool FDebug = false;
    std::vector<std::string> FSettingOverwrite;
    std::vector<std::string> FSettingDefault{"Path.Skins=skins", "Path.Languages=lang"};
    uintptr_t FParentHWND = 0;
    bool FInLoaded = false;
    std::string FParamFile;
    bool FInInited = true;
    std::string FAppTitle;
    bool FTitleIncludeVer = true;
    std::string FSkin;
    TSkinData* FSkinData = nullptr;
    ISkinFrame* FSkinForm = nullptr;
    std::vector<std::string> FSkinList;
    bool FSkinListRead = false;
    std::shared_ptr<const TSkin> FDefaultSkin;
    bool FDefaultSkinForm = true;
    IChoiceMenu* FSkinMenuItem = nullptr;
    std::string FLanguage;
    std::string FLanguageTranslator;
    TCLMultiLangData* FLanguageData = nullptr;
    std::vector<std::string> FLanguageList;
    bool FLanguageListRead = false;
    IChoiceMenu* FLanguageMenuItem = nullptr;
    std::unique_ptr<IMessageDialog> FMessageDlg;
    std::vector<std::string> FDownloadCacheList;
    std::vector<std::unique_ptr<TSingleDownloader>> FDownloaderList;
    struct TUpdateWindow {
        std::unique_ptr<TUpdateController> Controller;
        std::unique_ptr<IUpdateView> View;
        ~TUpdateWindow();
    };
    std::unique_ptr<TUpdateWindow> NewUpdateWindow();
    std::vector<std::unique_ptr<TUpdateWindow>> FUpdateWindows; // modeless ones live with the engine
    uint32_t FQueryEndSessionTime = 0;
    bool FQueryEndSessionSeen = false;
};

// The process's engine: the first one created, until it is destroyed; null before.
TCLEngine* Engine();

} // namespace maskaddr
