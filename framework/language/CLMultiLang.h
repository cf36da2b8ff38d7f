// Language resources: one language document (TCLMultiLangLan), the application's
// language data with its current and default documents and registered windows
// (TCLMultiLangData), and the component that translates one window (TCLMultiLang).
#pragma once

#include "framework/components/Component.h"
#include "framework/settings/IniText.h"
#include "base/NameValueList.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr {

class IAnsiCodec;
class IFileSystem;

// "<BR>" is a line break and "<SP>" a kept blank in stored values (read without regard to case).
std::string DecodeLanValue(const std::string& stored);
std::string EncodeLanValue(const std::string& value);

class TCLMultiLangLan {
public:
    // False when the file cannot be read; the document is then unchanged.
    bool LoadFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name);
    void LoadFromString(const std::string& text);
    std::string ToString();
    // Sorted, in the ANSI code page without a byte-order mark. Empty on success, else the error.
    std::string SaveToFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name);

    bool GetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                 std::string& strValue);
    void SetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                 const std::string& strValue);
    void GetSectionStrings(const std::string& strSection, TNameValueList& sl);
    // The decoded entries of a section, in order.
    std::vector<std::pair<std::string, std::string>> SectionEntries(const std::string& strSection);
    void ClearForm(const std::string& strForm);
    void ClearAll();
    void ClearAllForm();

    void ApplyData();
    void UpdateData();
    void SortData();
    void AssignTo(TCLMultiLangLan& Dest);

    const std::vector<std::string>& Data();
    void SetData(std::vector<std::string> lines);
    bool Modified() const { return FbModified; }
    bool ToApply() const { return FbToApply; }

    static bool IsReservedSection(const std::string& name);

private:
    std::vector<std::string> FData;
    TIniText FIniData;
    bool FbModified = false;
    bool FbToApply = true;
};

class TCLMultiLang;

class TCLMultiLangData : public TComponent {
public:
    TCLMultiLangData(TComponent* owner, std::string name);

    // Loads the current language and re-applies it to every registered window.
    bool LoadCurrentFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name);
    bool LoadDefaultFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name);
    std::string SaveCurrentToFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name);
    void ClearCurrentAll();
    void ClearCurrentAllForm();
    void CurrentToDefault();
    void DefaultToCurrent();

    bool GetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                 std::string& strValue);
    void SetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                 const std::string& strValue);
    void ClearForm(const std::string& strForm);
    void UpdateData();
    void GetSectionStrings(const std::string& strSection, TNameValueList& sl);

    void AddClient(TCLMultiLang* pClient);
    void RemoveClient(TCLMultiLang* pClient);
    void ApplyClients();
    void UpdateClients();
    void ClearClients();
    const std::vector<TCLMultiLang*>& Clients() const { return FClients; }

    void GetAppName(std::string& strValue);
    const std::string& AppName() const { return FAppName; }
    std::string CurrentLanguage();
    std::string CurrentLanguageTranslator();
    std::string CurrentVersion();

    const std::vector<std::string>& CurrentData() { return FLangCurrentData.Data(); }
    void SetCurrentData(std::vector<std::string> lines) { FLangCurrentData.SetData(std::move(lines)); }
    const std::vector<std::string>& DefaultData() { return FLangDefaultData.Data(); }
    void SetDefaultData(std::vector<std::string> lines) { FLangDefaultData.SetData(std::move(lines)); }
    TCLMultiLangLan& Current() { return FLangCurrentData; }

    bool FExcludeEmptyProp = false;
    std::vector<std::string> FExcludeProps;
    bool FAutoApply = true;
    bool FExcludeNumberEndProps = false;
    bool FExcludeWithAction = false;

    static const std::vector<std::string>& DefaultExcludeProps();

private:
    TCLMultiLangLan FLangCurrentData;
    TCLMultiLangLan FLangDefaultData;
    std::vector<TCLMultiLang*> FClients;
    std::string FAppName;
};

class TCLMultiLang : public TComponent {
public:
    TCLMultiLang(TComponent* owner, std::string name);
    ~TCLMultiLang() override;

    void Loaded() override;
    void ApplyData();
    void ApplyProp(TComponent* TCom, const std::string& strParentComp);
    void UpdateData();
    void ClearData();
    bool GetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                 std::string& strValue);
    std::string Language();
    std::string GetResString(const std::string& strName);
    void GetSectionStrings(const std::string& strSection, TNameValueList& sl);

    TCLMultiLangData* LanguageData() const { return FLanguageData; }
    void SetLanguageData(TCLMultiLangData* data);

    std::function<void(TCLMultiLang*)> FOnChangeLanguage;

protected:
    // For derived language components, which keep a class name of their own.
    TCLMultiLang(TComponent* owner, std::string name, std::string className);

private:
    // The window that owns this component, and the components to visit: the window
    // itself, then its named components other than language components.
    std::vector<TComponent*> Targets() const;
    void CollectComponent(TComponent* component, const std::string& section);

    TCLMultiLangData* FLanguageData = nullptr;
};

} // namespace maskaddr
