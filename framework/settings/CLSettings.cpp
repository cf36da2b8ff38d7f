// TCLSettings: layered settings, the user file's placement and its safe saving.
#include "framework/settings/CLSettings.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/SettingLists.h"
#include "platform/Platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

namespace maskaddr {

namespace {

constexpr char kSection[] = "setting";
constexpr char kShowAgain[] = "ShowAgain";
constexpr char kShowAgainResult[] = "ShowAgainModuleResult";
constexpr char kTraceTag[] = "CLSettings";
constexpr char kShellFolders[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// Seed of the mask words of the scrambled settings.
constexpr uint32_t kEncodeMask = 0x6D3A9C51u;

std::string WithBackslash(std::string path) {
    if (path.empty() || path.back() != '\\') path.push_back('\\');
    return path;
}

std::string WithoutBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// The shell folder from the registry (per-user value, then the machine's), else the
// system's known folder: a data folder must never become a path at the drive root.
std::string ShellFolder(const TPlatform& p, const char* valueName, bool machineOnly, TKnownFolder fallback) {
    IRegistry& registry = *p.Registry;
    std::string v = machineOnly
                        ? registry.ReadString(TRegRoot::LocalMachine, kShellFolders, valueName).value_or("")
                        : ReadShellFolder(registry, valueName);
    if (v.empty()) v = p.Files->KnownFolder(fallback);
    return WithoutBackslash(v);
}

uint16_t MaskWord(uint32_t mask, size_t position) {
    uint32_t rotated = (mask << (position % 32)) | (mask >> ((32 - position % 32) % 32));
    return static_cast<uint16_t>((rotated ^ (rotated >> 16)) + position * 0x9E37u);
}

std::string Hex4(uint16_t v) {
    char buf[5];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v));
    return buf;
}

} // namespace

std::string ReadShellFolder(IRegistry& registry, const std::string& name) {
    std::string v = registry.ReadString(TRegRoot::CurrentUser, kShellFolders, name).value_or("");
    if (v.empty()) v = registry.ReadString(TRegRoot::LocalMachine, kShellFolders, name).value_or("");
    return v;
}

TCLSettings::TCLSettings(const TPlatform& platform, const std::string& strSettingFile)
    : FPlatform(platform), FSettingFilename(strSettingFile.empty() ? "setting.dat" : strSettingFile),
      FConstFilename(strSettingFile.empty() ? "const.dat" : strSettingFile) {
    Open();
}

// The store's whole state but its lists and hook goes; the files are read again and the run
// counted again.
void TCLSettings::Reopen() {
    FAllUser = false;
    FConstValueIni.Clear();
    FOemValueIni.Clear();
    FSettingIni.Clear();
    FOwnIni.Clear();
    FSettingIniOpen = false;
    FUpdating = false;
    FNoCache = false;
    FLastSaveError.clear();
    FSavedUserBytes.clear();
    Open();
}

void TCLSettings::Open() {
    const TPlatform& p = FPlatform;
    const std::string& constName = FConstFilename;

    FConstDataPath = AppFolder(*p.Files);
    FConstValueIni.LoadFromFile(*p.Files, FConstDataPath + constName, *p.Ansi);
    FOemValueIni.LoadFromFile(*p.Files, FConstDataPath + "oem." + constName, *p.Ansi);

    FConfigPathWord = GetSettingString("App.ConfigPath");
    if (FConfigPathWord.empty()) {
        FConfigPathWord = p.Files->ProgramPath();
        for (char& c : FConfigPathWord)
            if (c == '\\' || c == ':' || c == '/') c = '_';
    }
    FUserDataPathCurrentUser =
        ShellFolder(p, "AppData", false, TKnownFolder::AppData) + "\\" + FConfigPathWord + "\\";
    FUserDataPathAllUsers =
        ShellFolder(p, "Common AppData", true, TKnownFolder::CommonAppData) + "\\" + FConfigPathWord + "\\";

    FEncodeMask = kEncodeMask;

    if (ParseInt32Def(GetSettingString("Setting.NoAllUser"), 0) != 0) {
        SetAllUser(false);
    } else {
        if (IsAllUserFlagExists()) {
            if (GetAllUserFlag() && !IsAllUserPathWriteable()) SetAllUserFlag(false);
        } else {
            SetAllUserFlag(IsAllUserPathWriteable());
        }
        SetAllUser(GetAllUserFlag());
    }

    // The count stops at the largest number: a file that says 2147483647 is not wrapped round.
    FRunTimes = GetSettingInteger("RunTimes");
    SetSettingInteger("RunTimes", FRunTimes < std::numeric_limits<int>::max() ? FRunTimes + 1 : FRunTimes);
}

// ---- reading ----

std::string TCLSettings::GetSettingString(const std::string& strName) {
    const ISettingLists* engine = FLists;
    if (engine != nullptr)
        if (auto v = FindListValue(engine->SettingOverwrite(), strName)) return *v;
    if (FSettingIniOpen) {
        if (FNoCache) {
            const TPlatform& p = FPlatform;
            FSettingIni.LoadFromFile(*p.Files, FUserDataPath + FSettingFilename, *p.Ansi);
            FSavedUserBytes.clear(); // the file may hold what another program wrote
        }
        if (auto v = DocumentOf(strName).ReadValue(kSection, strName)) return *v;
    }
    if (auto v = FOemValueIni.ReadValue(kSection, strName)) return *v;
    if (auto v = FConstValueIni.ReadValue(kSection, strName)) return *v;
    if (engine != nullptr)
        if (auto v = FindListValue(engine->SettingDefault(), strName)) return *v;
    DebugTrace::Trace(kTraceTag, "Setting Not Found :" + strName);
    return {};
}

std::string TCLSettings::GetOemSettingString(const std::string& strName) const {
    return FOemValueIni.ReadValue(kSection, strName).value_or("");
}

bool TCLSettings::GetSettingExists(const std::string& strName) {
    const ISettingLists* engine = FLists;
    if (engine != nullptr && FindListValue(engine->SettingOverwrite(), strName)) return true;
    if (FSettingIniOpen && DocumentOf(strName).ValueExists(kSection, strName)) return true;
    if (FOemValueIni.ValueExists(kSection, strName) || FConstValueIni.ValueExists(kSection, strName))
        return true;
    return engine != nullptr && FindListValue(engine->SettingDefault(), strName).has_value();
}

int32_t TCLSettings::GetSettingInteger(const std::string& strName) {
    return ParseInt32Def(GetSettingString(strName), 0);
}

bool TCLSettings::GetSettingBool(const std::string& strName) {
    return GetSettingInteger(strName) != 0;
}

double TCLSettings::GetSettingFloat(const std::string& strName) {
    return ParseFloat(GetSettingString(strName), FPlatform.Locale->DecimalSeparator()).value_or(0.0);
}

void TCLSettings::GetSettingRect(const std::string& strName, TRect& rcValue) {
    std::vector<std::string> parts = SplitText(GetSettingString(strName), ',');
    if (parts.size() != 4) return;
    rcValue = {ParseInt32Def(parts[0], 0), ParseInt32Def(parts[1], 0), ParseInt32Def(parts[2], 0),
               ParseInt32Def(parts[3], 0)};
}

// ---- writing ----

void TCLSettings::SetSettingstring(const std::string& strName, const std::string& strValue) {
    if (!FSettingIniOpen) return;
    TIniText& document = DocumentOf(strName);
    document.WriteString(kSection, strName, strValue);
    if (&document == &FOwnIni) {
        const TPlatform& p = FPlatform;
        const std::string error = p.Files->WriteFileAtomic(OwnFilePath(), FOwnIni.SaveToBytes(*p.Ansi));
        if (!error.empty()) DebugTrace::Trace(kTraceTag, "Cannot save " + OwnFilePath() + " : " + error);
    } else if (!FUpdating) {
        SaveUserFile();
    }
}

void TCLSettings::SetSettingInteger(const std::string& strName, int32_t iValue) {
    SetSettingstring(strName, std::to_string(iValue));
}

void TCLSettings::SetSettingBool(const std::string& strName, bool ibValue) {
    SetSettingInteger(strName, ibValue ? 1 : 0);
}

void TCLSettings::SetSettingFloat(const std::string& strName, double fValue) {
    SetSettingstring(strName, FormatFloat(fValue, FPlatform.Locale->DecimalSeparator()));
}

void TCLSettings::SetSettingRect(const std::string& strName, const TRect& rc) {
    SetSettingstring(strName, std::to_string(rc.Left) + "," + std::to_string(rc.Top) + "," +
                                  std::to_string(rc.Right) + "," + std::to_string(rc.Bottom));
}

std::string TCLSettings::FormatFloat(double fValue, char decimalSeparator) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", fValue);
    std::string text = buf;
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

std::optional<double> TCLSettings::ParseFloat(const std::string& text, char decimalSeparator) {
    // Accepted: [blanks][sign]digits[sep digits][E[sign]digits][blanks], the separator being
    // the user's; anything else is unreadable.
    std::string_view s = TrimView(text);
    std::string plain;
    size_t i = 0;
    auto digits = [&]() {
        size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            plain.push_back(s[i++]);
        return i - start;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain.push_back(s[i++]);
    size_t whole = digits(), fraction = 0;
    if (i < s.size() && s[i] == decimalSeparator) {
        plain.push_back('.');
        ++i;
        fraction = digits();
    }
    if (whole + fraction == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain.push_back(s[i++]);
        if (digits() == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    double v = std::strtod(plain.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

// The scrambled form: each UTF-16 unit of the value combined with the mask word of its
// position, written as four hexadecimal digits; the reader takes four digits per unit.
void TCLSettings::SetSettingsecString(const std::string& strName, const std::string& strValue) {
    std::u16string units = Utf8ToUtf16(strValue);
    std::string encoded;
    for (size_t i = 0; i < units.size(); ++i)
        encoded += Hex4(static_cast<uint16_t>(units[i] ^ MaskWord(FEncodeMask, i)));
    SetSettingstring(strName, encoded);
}

std::string TCLSettings::GetSettingsecString(const std::string& strName) {
    std::string encoded = GetSettingString(strName);
    if (encoded.size() % 4 != 0) return {};
    std::u16string units;
    for (size_t i = 0; i < encoded.size(); i += 4) {
        auto v = TryParseInt32("$" + encoded.substr(i, 4));
        if (!v || encoded[i] == '-' || encoded[i] == '+' || encoded[i] == ' ') return {};
        units.push_back(static_cast<char16_t>(static_cast<uint16_t>(*v) ^ MaskWord(FEncodeMask, i / 4)));
    }
    return Utf16ToUtf8(units);
}

// ---- message answers ----

bool TCLSettings::GetMessageShowAgainFlag(int32_t iNumber) {
    if (!FSettingIniOpen) return true;
    auto v = FSettingIni.ReadValue(kShowAgain, std::to_string(iNumber));
    auto n = v ? TryParseInt32(*v) : std::nullopt;
    return n ? *n != 0 : true;
}

void TCLSettings::SetMessageShowAgainFlag(int32_t iNumber, bool bValue) {
    if (!FSettingIniOpen) return;
    FSettingIni.WriteString(kShowAgain, std::to_string(iNumber), bValue ? "1" : "0");
    if (!FUpdating) SaveUserFile();
}

int32_t TCLSettings::GetMessageShowAgainResult(int32_t iNumber) {
    if (!FSettingIniOpen) return 1;
    auto v = FSettingIni.ReadValue(kShowAgainResult, std::to_string(iNumber));
    return v ? ParseInt32Def(*v, 1) : 1;
}

void TCLSettings::SetMessageShowAgainResult(int32_t iNumber, int32_t iValue) {
    if (!FSettingIniOpen) return;
    FSettingIni.WriteString(kShowAgainResult, std::to_string(iNumber), std::to_string(iValue));
    if (!FUpdating) SaveUserFile();
}

void TCLSettings::ClearShowAgainFlag() {
    if (!FSettingIniOpen) return;
    // Erasing removes the last block of a name; earlier duplicate blocks would surface.
    while (FSettingIni.SectionExists(kShowAgain))
        FSettingIni.EraseSection(kShowAgain);
    while (FSettingIni.SectionExists(kShowAgainResult))
        FSettingIni.EraseSection(kShowAgainResult);
    if (!FUpdating) SaveUserFile();
}

// ---- placement ----

void TCLSettings::LoadFlagFile(TIniText& flags) {
    const TPlatform& p = FPlatform;
    p.Files->CreateFolders(FUserDataPathCurrentUser);
    flags.LoadFromFile(*p.Files, FlagFilePath(), *p.Ansi);
}

bool TCLSettings::IsAllUserFlagExists() {
    TIniText flags;
    LoadFlagFile(flags);
    return flags.ValueExists("Flag", "AllUsers");
}

bool TCLSettings::GetAllUserFlag() {
    TIniText flags;
    LoadFlagFile(flags);
    auto v = flags.ReadValue("Flag", "AllUsers");
    return v ? ParseInt32Def(*v, 0) != 0 : true;
}

void TCLSettings::SetAllUserFlag(bool bValue) {
    TIniText flags;
    LoadFlagFile(flags);
    flags.WriteString("Flag", "AllUsers", bValue ? "1" : "0");
    const TPlatform& p = FPlatform;
    std::string error = flags.SaveToFile(*p.Files, FlagFilePath(), *p.Ansi);
    if (!error.empty()) DebugTrace::Trace(kTraceTag, "Cannot save " + FlagFilePath() + " : " + error);
}

// Any account may create files in the shared data folder's parent. The shared folder serves
// this account only when nothing in it that the store reads can come from another account:
// the folder (which CreateSharedFolder makes read-only for others) and the settings file in
// it belong to this account. Otherwise the account's own folder holds its settings.
bool TCLSettings::IsAllUserPathWriteable() {
    IFileSystem& files = *FPlatform.Files;
    const std::string folder = WithoutBackslash(FUserDataPathAllUsers);
    if (!files.CreateSharedFolder(folder) || !files.CanWriteFolder(FUserDataPathAllUsers)) return false;
    const std::string file = FUserDataPathAllUsers + FSettingFilename;
    std::string foreign;
    if (!files.OwnedByCurrentUser(folder))
        foreign = folder;
    else if (files.FileExists(file) && !files.OwnedByCurrentUser(file))
        foreign = file;
    if (foreign.empty()) return true;
    DebugTrace::Trace(kTraceTag, foreign + " belongs to another account: the account's own folder is used");
    return false;
}

// Names that start programs ("FireFoxPath"): a value in the shared folder could have been put
// there by whoever made the folder first.
TIniText& TCLSettings::DocumentOf(const std::string& name) {
    return FAllUser && SameText(Trim(name), "FireFoxPath") ? FOwnIni : FSettingIni;
}

void TCLSettings::SetAllUser(bool Value) {
    const TPlatform& p = FPlatform;
    FAllUser = Value;
    FUserDataPath = Value ? FUserDataPathAllUsers : FUserDataPathCurrentUser;
    p.Files->CreateFolders(FUserDataPath);
    FUserDataPath = WithBackslash(p.Files->LongPath(WithoutBackslash(FUserDataPath)));
    FSettingIni.Clear();
    const std::string path = FUserDataPath + FSettingFilename;
    if (!p.Files->FileExists(path)) {
        std::string error = p.Files->WriteFileAtomic(path, " ");
        if (!error.empty()) DebugTrace::Trace(kTraceTag, "Cannot create " + path + " : " + error);
    }
    FSettingIni.LoadFromFile(*p.Files, path, *p.Ansi);
    FOwnIni.Clear();
    if (Value) FOwnIni.LoadFromFile(*p.Files, OwnFilePath(), *p.Ansi);
    FSavedUserBytes.clear();
    FSettingIniOpen = true;
}

// ---- saving ----

void TCLSettings::BeginUpdate() {
    FUpdating = true;
}

void TCLSettings::EndUpdate() {
    FUpdating = false;
    SaveUserFile();
}

void TCLSettings::UpdateSettingINI() {
    SaveUserFile();
}

// A failed save keeps every value in memory; the next save writes the whole document
// again, so nothing is lost once the file can be written.
// Each save is flushed to the disk, and start-up sets many values to what they are already
// (the skin, the language, the four option boxes): a document that is the same as the one the
// last save wrote is not written again.
void TCLSettings::SaveUserFile() {
    if (!FSettingIniOpen) return;
    const TPlatform& p = FPlatform;
    const std::string bytes = FSettingIni.SaveToBytes(*p.Ansi);
    if (FLastSaveError.empty() && !FSavedUserBytes.empty() && bytes == FSavedUserBytes) return;
    const std::string path = UserFilePath();
    FLastSaveError = p.Files->WriteFileAtomic(path, bytes);
    FSavedUserBytes = FLastSaveError.empty() ? bytes : std::string();
    if (FLastSaveError.empty()) return;
    DebugTrace::Trace(kTraceTag, "Cannot save " + path + " : " + FLastSaveError);
    if (FSaveFailedHook) FSaveFailedHook(path, FLastSaveError);
}

// ---- other ----

int32_t TCLSettings::GetRunDays() {
    const TPlatform& p = FPlatform;
    const TDateTime now = p.Clock->Now();
    int32_t result = 0;
    for (const std::string& folder : {FConstDataPath, FUserDataPathCurrentUser, FUserDataPathAllUsers}) {
        if (auto created = p.Files->FolderCreationTime(WithoutBackslash(folder))) {
            int32_t days = WholeDaysBetween(now, FileTimeToDateTime(*created));
            if (days > result) result = days;
        }
    }
    return result;
}

std::string TCLSettings::SlowGetLanguageString(const std::string& strSection, const std::string& strValue,
                                               const std::string& strDefault) {
    std::string name = GetSettingString("Language");
    std::string forced = GetSettingString("Language.Force");
    if (!forced.empty()) name = forced;
    const TPlatform& p = FPlatform;
    TIniText lan;
    lan.LoadFromFile(*p.Files, FConstDataPath + GetSettingString("Path.Languages") + "\\" + name + ".lan",
                     *p.Ansi);
    return lan.ReadString(strSection, strValue, strDefault);
}

void TCLSettings::SetSaveFailedHook(TSaveFailedHook hook) {
    FSaveFailedHook = std::move(hook);
    if (FSaveFailedHook && !FLastSaveError.empty()) FSaveFailedHook(UserFilePath(), FLastSaveError);
}

} // namespace maskaddr
