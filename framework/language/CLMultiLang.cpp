// Language documents, language data and window translation (see CLMultiLang.h).
#include "framework/language/CLMultiLang.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "platform/FileSystem.h"
#include "platform/SystemText.h"

#include <algorithm>

namespace maskaddr {

namespace {

// The longest text one lookup gives; texts of the program's windows are a few hundred bytes.
constexpr size_t kMaxLanguageText = 64 * 1024;

const char* const kReservedSections[] = {"Info", "BasicRes", "SkinRes", "LibRes", "AppRes"};

std::string EntryKey(const std::string& comp, const std::string& prop) {
    return comp.empty() ? prop : comp + "." + prop;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return LowerAscii(a) < LowerAscii(b);
}

std::string Serialise(const TIniText& ini) {
    std::string text;
    for (const TIniText::TSection& s : ini.Sections()) {
        text += "[" + s.Name + "]\r\n";
        for (const std::string& line : s.Lines)
            text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

} // namespace

std::string DecodeLanValue(const std::string& stored) {
    return ReplaceAllNoCase(ReplaceAllNoCase(stored, "<BR>", "\r\n"), "<SP>", " ");
}

std::string EncodeLanValue(const std::string& value) {
    return ReplaceAll(ReplaceAll(ReplaceAll(value, "\r\n", "<BR>"), "\r", "<BR>"), "\n", "<BR>");
}

// ---- TCLMultiLangLan ----

bool TCLMultiLangLan::IsReservedSection(const std::string& name) {
    for (const char* r : kReservedSections)
        if (SameText(name, r)) return true;
    return false;
}

bool TCLMultiLangLan::LoadFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name) {
    auto bytes = files.ReadFile(name);
    if (!bytes) return false;
    TTextEncoding encoding;
    LoadFromString(TIniText::DecodeBytes(*bytes, ansi, encoding));
    return true;
}

void TCLMultiLangLan::LoadFromString(const std::string& text) {
    FData = SplitLines(text);
    FbToApply = true;
    ApplyData();
}

std::string TCLMultiLangLan::ToString() {
    std::string text;
    for (const std::string& line : Data())
        text += line + "\r\n";
    return text;
}

std::string TCLMultiLangLan::SaveToFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name) {
    SortData();
    return files.WriteFileAtomic(name, ansi.ToAnsi(ToString()));
}

void TCLMultiLangLan::ApplyData() {
    if (!FbToApply) return;
    FIniData.ParseText(JoinLines(FData));
    FbToApply = false;
    FbModified = false;
}

void TCLMultiLangLan::UpdateData() {
    if (!FbModified) return;
    FData = SplitLines(Serialise(FIniData));
    FbModified = false;
    FbToApply = false;
}

const std::vector<std::string>& TCLMultiLangLan::Data() {
    UpdateData();
    return FData;
}

void TCLMultiLangLan::SetData(std::vector<std::string> lines) {
    FData = std::move(lines);
    FbToApply = true;
    FbModified = false;
}

bool TCLMultiLangLan::GetProp(const std::string& strForm, const std::string& strComp,
                              const std::string& strProp, std::string& strValue) {
    ApplyData();
    auto v = FIniData.ReadValue(strForm, EntryKey(strComp, strProp));
    if (!v) return false;
    strValue = DecodeLanValue(*v);
    return true;
}

void TCLMultiLangLan::SetProp(const std::string& strForm, const std::string& strComp,
                              const std::string& strProp, const std::string& strValue) {
    ApplyData();
    FIniData.WriteString(strForm, EntryKey(strComp, strProp), EncodeLanValue(strValue));
    FbModified = true;
    UpdateData();
}

std::vector<std::pair<std::string, std::string>>
TCLMultiLangLan::SectionEntries(const std::string& strSection) {
    ApplyData();
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& line : FIniData.SectionLines(strSection)) {
        std::string_view n, v;
        if (TIniText::SplitEntry(line, n, v))
            entries.emplace_back(std::string(n), DecodeLanValue(std::string(v)));
    }
    return entries;
}

void TCLMultiLangLan::GetSectionStrings(const std::string& strSection, TNameValueList& sl) {
    for (const auto& [name, value] : SectionEntries(strSection))
        SetListValue(sl, name, value);
}

void TCLMultiLangLan::ClearForm(const std::string& strForm) {
    ApplyData();
    FIniData.EraseSection(strForm);
    FbModified = true;
    UpdateData();
}

void TCLMultiLangLan::ClearAll() {
    FData.clear();
    FIniData.Clear();
    FbModified = false;
    FbToApply = false;
}

void TCLMultiLangLan::ClearAllForm() {
    ApplyData();
    auto& sections = FIniData.Sections();
    sections.erase(std::remove_if(sections.begin(), sections.end(),
                                  [](const TIniText::TSection& s) { return !IsReservedSection(s.Name); }),
                   sections.end());
    FbModified = true;
    UpdateData();
}

// The saved order: the reserved sections first in their fixed order, then the others
// sorted; entries sorted as whole lines except in "Info".
void TCLMultiLangLan::SortData() {
    ApplyData();
    std::vector<std::string> names;
    for (const TIniText::TSection& s : FIniData.Sections())
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return SameText(n, s.Name); }))
            names.push_back(s.Name);
    std::stable_sort(names.begin(), names.end(), LessNoCase);
    std::vector<std::string> order;
    for (const char* r : kReservedSections)
        for (const std::string& n : names)
            if (SameText(n, r)) order.push_back(n);
    for (const std::string& n : names)
        if (!IsReservedSection(n)) order.push_back(n);

    TIniText sorted;
    for (const std::string& name : order) {
        std::vector<std::string> lines;
        for (const std::string& line : FIniData.SectionLines(name))
            if (line.find('=') != std::string::npos) lines.push_back(line);
        if (!SameText(name, "Info")) std::stable_sort(lines.begin(), lines.end(), LessNoCase);
        sorted.Sections().push_back({name, {}});
        for (const std::string& line : lines) {
            std::string_view n, v;
            TIniText::SplitEntry(line, n, v);
            sorted.WriteString(name, n, v);
        }
    }
    FIniData = std::move(sorted);
    FbModified = true;
    UpdateData();
}

void TCLMultiLangLan::AssignTo(TCLMultiLangLan& Dest) {
    if (&Dest == this) return;
    Dest.FData = Data();
    Dest.FbToApply = true;
    Dest.FbModified = false;
    Dest.ApplyData();
}

// ---- TCLMultiLangData ----

const std::vector<std::string>& TCLMultiLangData::DefaultExcludeProps() {
    static const std::vector<std::string> list = {
        "TWebBrowser:",        ":TComponentName",      ".SkinDataName",         "TspResourceStrData:",
        "TShockwaveFlash:",    "TspSkinNotebook:",     "TEmbeddedWB:",          "TspCompressedStoredSkin:",
        "TspSkinMessage:",     "TCLEngine:",           "TspSkinData:",          ".Text",
        "TIEDownload:",        ":TComponentName",      ".SkinDataName",         ".EditSkinDataName",
        ".LabelSkinDataName",  ".ButtonSkinDataName",  ".BothSkinDataName",     ".MessageLabelSkinDataName",
        ".Category",           ".CompressedFileName",  ".TrackBarSkinDataName", ".TabWidths",
        ".HeaderSkinDataName", ".LVHeaderSkinDataName"};
    return list;
}

TCLMultiLangData::TCLMultiLangData(TComponent* owner, std::string name)
    : TComponent(owner, std::move(name), "TCLMultiLangData"), FExcludeProps(DefaultExcludeProps()) {}

bool TCLMultiLangData::LoadCurrentFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name) {
    FAppName.clear();
    if (!FLangCurrentData.LoadFromFile(files, ansi, name)) return false;
    std::string appName;
    GetAppName(appName);
    ApplyClients();
    return true;
}

bool TCLMultiLangData::LoadDefaultFromFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& name) {
    FAppName.clear();
    if (!FLangDefaultData.LoadFromFile(files, ansi, name)) return false;
    std::string appName;
    GetAppName(appName);
    return true;
}

std::string TCLMultiLangData::SaveCurrentToFile(IFileSystem& files, IAnsiCodec& ansi,
                                                const std::string& name) {
    return FLangCurrentData.SaveToFile(files, ansi, name);
}
// The application name follows the documents: once the current language is gone, the
// default language's name (or none) answers, like every other text.
void TCLMultiLangData::ClearCurrentAll() {
    FLangCurrentData.ClearAll();
    FAppName.clear();
    std::string appName;
    GetAppName(appName);
}
void TCLMultiLangData::ClearCurrentAllForm() {
    FLangCurrentData.ClearAllForm();
}
void TCLMultiLangData::CurrentToDefault() {
    FLangCurrentData.AssignTo(FLangDefaultData);
}
void TCLMultiLangData::DefaultToCurrent() {
    FLangDefaultData.AssignTo(FLangCurrentData);
}

bool TCLMultiLangData::GetProp(const std::string& strForm, const std::string& strComp,
                               const std::string& strProp, std::string& strValue) {
    std::string value;
    if (!FLangCurrentData.GetProp(strForm, strComp, strProp, value) &&
        !FLangDefaultData.GetProp(strForm, strComp, strProp, value))
        return false;
    // A language file is outside text: its placeholders may not make one text grow without
    // bound (a long name times many placeholders); a longer text is cut and traced.
    if (!(SameText(strForm, "AppRes") && SameText(strProp, "AppName"))) {
        std::string expanded = ReplaceAllNoCase(value, "{AppName}", FAppName, kMaxLanguageText + 1);
        if (expanded.size() > kMaxLanguageText) {
            expanded.resize(kMaxLanguageText);
            DebugTrace::Trace("CLMultiLang", "Text cut at " + std::to_string(kMaxLanguageText) + " bytes: " +
                                                 strForm + "." + strComp + "." + strProp);
        }
        value = std::move(expanded);
    }
    strValue = std::move(value);
    return true;
}

void TCLMultiLangData::SetProp(const std::string& strForm, const std::string& strComp,
                               const std::string& strProp, const std::string& strValue) {
    FLangCurrentData.SetProp(strForm, strComp, strProp, strValue);
}

void TCLMultiLangData::ClearForm(const std::string& strForm) {
    FLangCurrentData.ClearForm(strForm);
}
void TCLMultiLangData::UpdateData() {
    FLangCurrentData.UpdateData();
}

void TCLMultiLangData::GetSectionStrings(const std::string& strSection, TNameValueList& sl) {
    for (TCLMultiLangLan* doc : {&FLangCurrentData, &FLangDefaultData})
        for (const auto& [name, value] : doc->SectionEntries(strSection))
            if (!IndexOfName(sl, name)) SetListValue(sl, name, value);
}

void TCLMultiLangData::AddClient(TCLMultiLang* pClient) {
    if (std::find(FClients.begin(), FClients.end(), pClient) == FClients.end()) FClients.push_back(pClient);
}

void TCLMultiLangData::RemoveClient(TCLMultiLang* pClient) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), pClient), FClients.end());
}

void TCLMultiLangData::ApplyClients() {
    for (TCLMultiLang* c : std::vector<TCLMultiLang*>(FClients))
        c->ApplyData();
}
void TCLMultiLangData::UpdateClients() {
    for (TCLMultiLang* c : std::vector<TCLMultiLang*>(FClients))
        c->UpdateData();
}
void TCLMultiLangData::ClearClients() {
    for (TCLMultiLang* c : std::vector<TCLMultiLang*>(FClients))
        c->ClearData();
}

void TCLMultiLangData::GetAppName(std::string& strValue) {
    std::string value;
    if (FLangCurrentData.GetProp("AppRes", "", "AppName", value) ||
        FLangDefaultData.GetProp("AppRes", "", "AppName", value)) {
        strValue = value;
        FAppName = value;
    }
}

std::string TCLMultiLangData::CurrentLanguage() {
    std::string v;
    FLangCurrentData.GetProp("Info", "", "Language", v);
    return v;
}

std::string TCLMultiLangData::CurrentLanguageTranslator() {
    std::string v;
    FLangCurrentData.GetProp("Info", "", "Translator", v);
    return v;
}

std::string TCLMultiLangData::CurrentVersion() {
    std::string v;
    FLangCurrentData.GetProp("Info", "", "Version", v);
    return v;
}

// ---- TCLMultiLang ----

TCLMultiLang::TCLMultiLang(TComponent* owner, std::string name)
    : TCLMultiLang(owner, std::move(name), "TCLMultiLang") {}

TCLMultiLang::TCLMultiLang(TComponent* owner, std::string name, std::string className)
    : TComponent(owner, std::move(name), std::move(className)) {
    AddAncestor("TCLMultiLang");
    TProperty data;
    data.Name = "LanguageData";
    data.TypeName = "TCLMultiLangData";
    data.Kind = TPropKind::Object;
    data.GetObject = [this]() -> TComponent* { return FLanguageData; };
    data.SetObject = [this](TComponent* c) {
        SetLanguageData(c != nullptr && c->InheritsFrom("TCLMultiLangData")
                            ? static_cast<TCLMultiLangData*>(c)
                            : nullptr);
    };
    Publish(std::move(data));
}

TCLMultiLang::~TCLMultiLang() {
    if (FLanguageData != nullptr) FLanguageData->RemoveClient(this);
}

void TCLMultiLang::SetLanguageData(TCLMultiLangData* data) {
    if (data == FLanguageData) return;
    if (FLanguageData != nullptr) FLanguageData->RemoveClient(this);
    FLanguageData = data;
    if (FLanguageData != nullptr) FLanguageData->AddClient(this);
}

void TCLMultiLang::Loaded() {
    if (FLanguageData == nullptr) return;
    FLanguageData->AddClient(this);
    if (FLanguageData->FAutoApply) ApplyData();
}

std::vector<TComponent*> TCLMultiLang::Targets() const {
    std::vector<TComponent*> targets;
    TComponent* window = Owner();
    if (window == nullptr) return targets;
    targets.push_back(window);
    for (TComponent* c : window->Components())
        if (!c->Name().empty() && !c->InheritsFrom("TCLMultiLang") && !c->InheritsFrom("TCLMultiLangData"))
            targets.push_back(c);
    return targets;
}

void TCLMultiLang::ApplyData() {
    if (FLanguageData == nullptr) return;
    for (TComponent* c : Targets())
        ApplyProp(c, "");
    if (FOnChangeLanguage) FOnChangeLanguage(this);
}

void TCLMultiLang::ApplyProp(TComponent* TCom, const std::string& /*strParentComp*/) {
    if (FLanguageData == nullptr || Owner() == nullptr) return;
    const std::string& section = Owner()->ClassName();
    std::string value;
    for (const TProperty& p : TCom->Properties()) {
        if (p.Kind == TPropKind::Strings || (p.Kind == TPropKind::Text && p.TypeName != "TComponentName")) {
            if (p.Set && GetProp(section, TCom->Name(), p.Name, value)) p.Set(value);
        } else if (p.Kind == TPropKind::Collection && p.ItemCount && p.ItemProperties) {
            for (size_t i = 0; i < p.ItemCount(); ++i) {
                std::vector<TProperty> itemProps = p.ItemProperties(i);
                std::stable_sort(
                    itemProps.begin(), itemProps.end(),
                    [](const TProperty& a, const TProperty& b) { return LessNoCase(a.Name, b.Name); });
                for (const TProperty& ip : itemProps) {
                    const std::string key = p.Name + "[" + std::to_string(i) + "]." + ip.Name;
                    if (ip.Kind == TPropKind::Text && ip.Set && GetProp(section, TCom->Name(), key, value))
                        ip.Set(value);
                }
            }
        }
    }
}

namespace {

bool EndsWithDigit(const std::string& s) {
    return !s.empty() && s.back() >= '0' && s.back() <= '9';
}

bool Excluded(const std::vector<std::string>& patterns, const TComponent& c, const TProperty& p) {
    const std::string candidates[] = {c.ClassName() + ":", c.ClassName() + ":." + p.Name, ":" + p.TypeName,
                                      c.Name() + ".",      c.Name() + ".." + p.Name,      "." + p.Name};
    for (const std::string& pattern : patterns)
        for (const std::string& candidate : candidates)
            if (SameText(pattern, candidate)) return true;
    return false;
}

} // namespace

void TCLMultiLang::CollectComponent(TComponent* c, const std::string& section) {
    TCLMultiLangData& data = *FLanguageData;
    if (data.FExcludeWithAction) {
        const TProperty* action = c->FindProperty("Action");
        if (action != nullptr && action->TypeName == "TBasicAction" && action->GetObject &&
            action->GetObject() != nullptr)
            return;
    }
    for (const TProperty& p : c->Properties()) {
        if (!p.Writable) continue;
        if (data.FExcludeNumberEndProps && EndsWithDigit(c->Name())) continue;
        if (Excluded(data.FExcludeProps, *c, p)) continue;
        try {
            if (p.Kind == TPropKind::Strings && p.Get && p.Set) {
                std::string v = p.Get();
                if (!(data.FExcludeEmptyProp && v.empty())) data.SetProp(section, c->Name(), p.Name, v);
            } else if (p.Kind == TPropKind::Text && p.Get && p.Set && p.TypeName != "TComponentName") {
                std::string v = p.Get();
                if (data.FExcludeEmptyProp && (v.empty() || (p.SingleByte && v == "-"))) continue;
                data.SetProp(section, c->Name(), p.Name, v);
            } else if (p.Kind == TPropKind::Collection && p.ItemCount && p.ItemProperties) {
                for (size_t i = 0; i < p.ItemCount(); ++i) {
                    for (const TProperty& ip : p.ItemProperties(i)) {
                        if (ip.Kind != TPropKind::Text || !ip.Get || !ip.Set) continue;
                        std::string v = ip.Get();
                        if (data.FExcludeEmptyProp && v.empty()) continue;
                        data.SetProp(section, c->Name(), p.Name + "[" + std::to_string(i) + "]." + ip.Name,
                                     v);
                    }
                }
            }
        } catch (const std::exception&) {
            // An unreadable property is skipped; the others are still collected.
        }
    }
    data.UpdateData();
}

void TCLMultiLang::UpdateData() {
    if (FLanguageData == nullptr || Owner() == nullptr) return;
    for (TComponent* c : Targets())
        CollectComponent(c, Owner()->ClassName());
}

void TCLMultiLang::ClearData() {
    if (FLanguageData != nullptr && Owner() != nullptr) FLanguageData->ClearForm(Owner()->ClassName());
}

bool TCLMultiLang::GetProp(const std::string& strForm, const std::string& strComp, const std::string& strProp,
                           std::string& strValue) {
    return FLanguageData != nullptr && FLanguageData->GetProp(strForm, strComp, strProp, strValue);
}

std::string TCLMultiLang::Language() {
    return FLanguageData != nullptr ? FLanguageData->CurrentLanguage() : "";
}

std::string TCLMultiLang::GetResString(const std::string& strName) {
    std::string value;
    return GetProp("ResString", "", strName, value) ? value : strName;
}

void TCLMultiLang::GetSectionStrings(const std::string& strSection, TNameValueList& sl) {
    if (FLanguageData != nullptr) FLanguageData->GetSectionStrings(strSection, sl);
}

} // namespace maskaddr
