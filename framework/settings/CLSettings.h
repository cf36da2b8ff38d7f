// TCLSettings: the layered settings store. A read consults the engine's overwrite list,
// the user file, the distributor file, the constants file and the engine's default list,
// in that order; writes go to the user file, saved at once. The program makes one store
// and hands it to whoever reads or writes settings.
#pragma once

#include "framework/settings/IniText.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace maskaddr {

struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

class ISettingLists;

// Told of every failed save of the user file: the file's path and the system's reason. The
// store only reports; whoever sets the hook decides what the user sees, and must not show it
// from inside the call (a caller may be in the middle of a sequence of writes).
using TSaveFailedHook = std::function<void(const std::string& path, const std::string& reason)>;

class TCLSettings {
public:
    // The name of the user file ("setting.dat" when empty); it also names the
    // constants file ("const.dat" when empty).
    explicit TCLSettings(const TPlatform& platform, const std::string& strSettingFile = "");
    TCLSettings(const TCLSettings&) = delete;
    // Reads every file again, as a new start of the program does (and counts the run).
    void Reopen();
    TCLSettings& operator=(const TCLSettings&) = delete;

    std::string GetSettingString(const std::string& strName);
    bool GetSettingExists(const std::string& strName);
    int32_t GetSettingInteger(const std::string& strName);
    bool GetSettingBool(const std::string& strName);
    double GetSettingFloat(const std::string& strName);
    void GetSettingRect(const std::string& strName, TRect& rcValue);
    // The distributor file's value alone ("oem." + the constants file's name, beside the
    // program): for what neither the user's file, nor an update reply, nor the shipped
    // constants may decide. Empty when that file does not hold it.
    std::string GetOemSettingString(const std::string& strName) const;

    // Spelled so on purpose: callers use this name.
    void SetSettingstring(const std::string& strName, const std::string& strValue);
    void SetSettingInteger(const std::string& strName, int32_t iValue);
    void SetSettingBool(const std::string& strName, bool ibValue);
    void SetSettingFloat(const std::string& strName, double fValue);
    void SetSettingRect(const std::string& strName, const TRect& rcValue);

    std::string GetSettingsecString(const std::string& strName);
    void SetSettingsecString(const std::string& strName, const std::string& strValue);

    bool GetMessageShowAgainFlag(int32_t iNumber);
    void SetMessageShowAgainFlag(int32_t iNumber, bool bValue);
    int32_t GetMessageShowAgainResult(int32_t iNumber);
    void SetMessageShowAgainResult(int32_t iNumber, int32_t iValue);
    void ClearShowAgainFlag();

    bool IsAllUserFlagExists();
    bool GetAllUserFlag();
    void SetAllUserFlag(bool bValue);
    bool IsAllUserPathWriteable();

    bool AllUser() const { return FAllUser; }
    void SetAllUser(bool Value);
    bool NoCache() const { return FNoCache; }
    void SetNoCache(bool Value) { FNoCache = Value; }

    void BeginUpdate();
    void EndUpdate();
    void UpdateSettingINI();

    int32_t GetRunDays();
    int32_t RunTimes() const { return FRunTimes; }
    const std::string& UserDataPath() const { return FUserDataPath; }
    const std::string& UserDataPathCurrentUser() const { return FUserDataPathCurrentUser; }
    const std::string& UserDataPathAllUsers() const { return FUserDataPathAllUsers; }
    const std::string& ConfigPathWord() const { return FConfigPathWord; }
    // The system's error text of the last failed save of the user file; empty after a good one.
    const std::string& LastSaveError() const { return FLastSaveError; }
    std::string UserFilePath() const { return FUserDataPath + FSettingFilename; }

    // The engine's two fixed lists, consulted on every read; null for none.
    void SetLists(const ISettingLists* lists) { FLists = lists; }
    // Setting a hook while the store holds an unsaved failure tells that failure at once, so a
    // failure from before the hook existed (the start's first save) is not lost. An empty hook
    // removes it.
    void SetSaveFailedHook(TSaveFailedHook hook);

    std::string SlowGetLanguageString(const std::string& strSection, const std::string& strValue,
                                      const std::string& strDefault);

    // Integer, float and rectangle texts as the store writes and reads them.
    static std::string FormatFloat(double fValue, char decimalSeparator);
    static std::optional<double> ParseFloat(const std::string& text, char decimalSeparator);

private:
    void Open();
    void SaveUserFile();
    // The document a name lives in: program paths stay in the account's own folder (OwnIni)
    // while the shared folder holds the rest.
    TIniText& DocumentOf(const std::string& name);
    std::string OwnFilePath() const { return FUserDataPathCurrentUser + FSettingFilename; }
    std::string FlagFilePath() const { return FUserDataPathCurrentUser + "UserFlag.ini"; }
    void LoadFlagFile(TIniText& flags);

    TPlatform FPlatform;
    const ISettingLists* FLists = nullptr;
    TSaveFailedHook FSaveFailedHook;
    bool FAllUser = false;
    TIniText FConstValueIni;
    TIniText FOemValueIni;
    TIniText FSettingIni;
    TIniText FOwnIni; // the account's own file while FSettingIni is the shared one
    bool FSettingIniOpen = false; // the user file is absent until the placement is decided
    std::string FConstDataPath;
    std::string FUserDataPath;
    std::string FUserDataPathCurrentUser;
    std::string FUserDataPathAllUsers;
    int32_t FRunTimes = 0;
    uint32_t FEncodeMask = 0;
    bool FUpdating = false;
    std::string FConfigPathWord;
    std::string FSettingFilename;
    std::string FConstFilename;
    bool FNoCache = false;
    std::string FLastSaveError;
    std::string FSavedUserBytes; // what the last successful save wrote
};

// A value of the Explorer "Shell Folders" key: the user's, else the machine's; empty
// when neither holds it.
std::string ReadShellFolder(IRegistry& registry, const std::string& name);

} // namespace maskaddr
