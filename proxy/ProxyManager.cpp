// The proxy pool: loading, country queries, the choice of an idle proxy, keep-alive
// requests and the IP-information lookup. The raw lists are parsed once per load into
// an index (numbered countries and addresses, counts per country, first records by
// name and code), so queries and choices stay fast on pools of 100,000 entries.
#include "proxy/ProxyManager.h"

#include "base/DebugTrace.h"
#include "base/NameValueList.h"
#include "base/Text.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "proxy/InfoGotThread.h"

#include <algorithm>
#include <numeric>

namespace maskaddr {

namespace {

constexpr char kTag[] = "ProxyManager";
constexpr char kAnyCountryCode[] = "UN";
constexpr char kDefaultCountry[] = "US";

bool IsCountryCode(const std::string& code) {
    return code.size() == 2 && std::all_of(code.begin(), code.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

int32_t NumberFor(std::unordered_map<std::string, int32_t>& ids, const std::string& text) {
    return ids.try_emplace(LowerAscii(text), static_cast<int32_t>(ids.size())).first->second;
}

} // namespace

TProxyManager::TProxyManager(const TPlatform& platform, TCLSettings& settings)
    : FPlatform(platform), FSettings(settings) {}

TProxyManager::~TProxyManager() = default;

bool TProxyManager::LoadSettings() {
    TCLSettings& settings = FSettings;
    for (std::string& entry : SplitProxyList(settings.GetSettingString("NORMAL_IPS")))
        FNormalProxyList.push_back(std::move(entry));
    for (std::string& entry : SplitProxyList(settings.GetSettingString("SUPER_IPS")))
        FSuperProxyList.push_back(std::move(entry));
    FIndex.reset();
    FTargetCountry = RestoredTargetCountry();
    return !FNormalProxyList.empty();
}

bool TProxyManager::ReloadSettings() {
    FNormalProxyList.clear();
    FSuperProxyList.clear();
    const bool loaded = LoadSettings();
    const TPoolIndex& index = Index();
    std::erase_if(FUsedProxyList, [&index](const std::string& address) {
        return index.AddressIds.find(LowerAscii(address)) == index.AddressIds.end();
    });
    FIndex.reset(); // the used marks are taken from the trimmed list
    return loaded;
}

bool TProxyManager::IsListed(const TProxyRec& aRec) {
    const TPoolIndex& index = Index();
    for (const auto* list : {&index.Normal, &index.Super})
        for (const TEntry& entry : *list)
            if (entry.Valid && SameText(entry.Rec.IP, aRec.IP) && entry.Rec.Port == aRec.Port) return true;
    return false;
}

namespace {
std::string DeadKey(const TProxyRec& rec) {
    return LowerAscii(rec.IP + ":" + rec.Port);
}
} // namespace

void TProxyManager::MarkDead(const TProxyRec& aRec) {
    if (FDead.insert(DeadKey(aRec)).second)
        DebugTrace::Trace(kTag, "Proxy marked dead: " + aRec.IP + ":" + aRec.Port);
}

bool TProxyManager::IsDead(const TProxyRec& aRec) const {
    return !FDead.empty() && FDead.count(DeadKey(aRec)) != 0;
}

// The country chooser and the main window store the target country; it is restored
// when the pool knows that country (or it is the wildcard), so that a list update
// that dropped a country does not leave the user pointed at nothing.
std::string TProxyManager::RestoredTargetCountry() {
    const std::string stored = FSettings.GetSettingString("TARGET_COUNTRY");
    if (stored == kAnyCountryCode) return stored;
    if (stored.empty()) return kDefaultCountry;
    const TPoolIndex& index = Index();
    auto it = index.FirstByShort.find(LowerAscii(stored));
    return it == index.FirstByShort.end() ? kDefaultCountry : it->second->Rec.Country_Short;
}

bool TProxyManager::GetProxyRec(const std::vector<std::string>& aSL, int aIndex, bool aIsSuper,
                                TProxyRec& aRec) const {
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= aSL.size()) return false;
    return ParseProxyEntry(aSL[static_cast<size_t>(aIndex)], aIsSuper, aRec);
}

void TProxyManager::BuildEntries(const std::vector<std::string>& list, bool isSuper,
                                 std::vector<TEntry>& out) {
    TPoolIndex& index = *FIndex;
    std::vector<int32_t>& perCountry = isSuper ? index.SuperPerCountry : index.NormalPerCountry;
    out.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        TEntry& entry = out[i];
        entry.Valid = ParseProxyEntry(list[i], isSuper, entry.Rec);
        if (!entry.Valid) {
            if (FReportedMalformed.insert(list[i]).second)
                DebugTrace::Trace(kTag, "Proxy entry with fewer than five fields ignored: " + list[i]);
            continue;
        }
        // The code names the country's flag file: two letters, or the record is skipped.
        if (!IsCountryCode(entry.Rec.Country_Short)) {
            entry.Valid = false;
            if (FReportedMalformed.insert(list[i]).second)
                DebugTrace::Trace(kTag,
                                  "Proxy entry whose country code is not two letters ignored: " + list[i]);
            continue;
        }
        entry.Country = NumberFor(index.CountryIds, entry.Rec.Country_Short);
        entry.Address = NumberFor(index.AddressIds, entry.Rec.IP);
        if (perCountry.size() <= static_cast<size_t>(entry.Country)) perCountry.resize(entry.Country + 1);
        ++perCountry[entry.Country];
        ++(isSuper ? index.SuperValid : index.NormalValid);
        index.FirstByLong.try_emplace(LowerAscii(entry.Rec.Country_Long), &entry);
        index.FirstByShort.try_emplace(LowerAscii(entry.Rec.Country_Short), &entry);
    }
}

TProxyManager::TPoolIndex& TProxyManager::Index() {
    if (FIndex) return *FIndex;
    FIndex = std::make_unique<TPoolIndex>();
    TPoolIndex& index = *FIndex;
    BuildEntries(FNormalProxyList, false, index.Normal);
    BuildEntries(FSuperProxyList, true, index.Super);
    index.NormalPerCountry.resize(index.CountryIds.size());
    index.SuperPerCountry.resize(index.CountryIds.size());

    std::unordered_set<std::string> seen;
    for (const auto* list : {&index.Normal, &index.Super})
        for (const TEntry& entry : *list)
            if (entry.Valid && seen.insert(entry.Rec.Country_Long).second)
                index.DistinctLongs.push_back(entry.Rec.Country_Long);

    index.AddressUsed.assign(index.AddressIds.size(), 0);
    for (const std::string& address : FUsedProxyList) {
        auto it = index.AddressIds.find(LowerAscii(address));
        if (it != index.AddressIds.end()) index.AddressUsed[it->second] = 1;
    }
    return index;
}

void TProxyManager::GetCountryList(TStringList* aSL) {
    if (aSL == nullptr) return;
    // A name is added when the list holds no equal text (by the list's own rule); the texts
    // seen are kept in a set, so a long hostile list costs linear time, not quadratic.
    auto key = [aSL](const std::string& text) { return aSL->CaseSensitive ? text : LowerAscii(text); };
    std::unordered_set<std::string> present;
    for (const std::string& item : aSL->Items)
        present.insert(key(item));
    for (const std::string& name : Index().DistinctLongs)
        if (present.insert(key(name)).second) aSL->Add(name);
}

int32_t TProxyManager::CountryFilter(const std::string& aCountry) {
    if (aCountry == kAnyCountryCode) return kAnyCountry;
    const TPoolIndex& index = Index();
    auto it = index.CountryIds.find(LowerAscii(aCountry));
    return it == index.CountryIds.end() ? kNoCountry : it->second;
}

int TProxyManager::GetcountryListCount(const std::string& aCountry, bool aIncludeSuper) {
    const int32_t country = CountryFilter(aCountry);
    const TPoolIndex& index = Index();
    if (country == kNoCountry) return 0;
    if (country == kAnyCountry) return index.NormalValid + (aIncludeSuper ? index.SuperValid : 0);
    return index.NormalPerCountry[country] + (aIncludeSuper ? index.SuperPerCountry[country] : 0);
}

std::string TProxyManager::GetCountryShort(const std::string& aCountryLong) {
    const TPoolIndex& index = Index();
    auto it = index.FirstByLong.find(LowerAscii(aCountryLong));
    return it == index.FirstByLong.end() ? std::string() : it->second->Rec.Country_Short;
}

std::string TProxyManager::GetCountryLong(const std::string& aCountryShort) {
    const TPoolIndex& index = Index();
    auto it = index.FirstByShort.find(LowerAscii(aCountryShort));
    return it == index.FirstByShort.end() ? std::string() : it->second->Rec.Country_Long;
}

void TProxyManager::GetCountryPosition(const std::string& aCountryLong, std::string& aLongi,
                                       std::string& aLati) {
    const TPoolIndex& index = Index();
    auto it = index.FirstByLong.find(LowerAscii(aCountryLong));
    if (it == index.FirstByLong.end()) return;
    aLongi = it->second->Rec.Longitude;
    aLati = it->second->Rec.Latitude;
}

void TProxyManager::AddUsed(const TEntry& entry) {
    FUsedProxyList.push_back(entry.Rec.IP);
    FIndex->AddressUsed[entry.Address] = 1;
}

void TProxyManager::ClearUsed() {
    FUsedProxyList.clear();
    if (FIndex) std::fill(FIndex->AddressUsed.begin(), FIndex->AddressUsed.end(), 0);
}

// Shuffles the entry numbers of both lists exactly as RandomSort shuffles the lists.
void TProxyManager::ShuffleEntryOrders() {
    ProxyRandom().Reseed();
    FNormalOrder.resize(FNormalProxyList.size());
    std::iota(FNormalOrder.begin(), FNormalOrder.end(), 0u);
    FSuperOrder.resize(FSuperProxyList.size());
    std::iota(FSuperOrder.begin(), FSuperOrder.end(), 0u);
    ShuffleOrders(FNormalOrder, FSuperOrder, true, ProxyRandom(), FShuffleWork);
}

bool TProxyManager::TakeIdle(const std::vector<TEntry>& entries, const std::vector<uint32_t>& order,
                             int32_t country, TProxyRec& aResult) {
    if (country == kNoCountry) return false;
    for (uint32_t i : order) {
        const TEntry& entry = entries[i];
        if (!entry.Valid || (country != kAnyCountry && entry.Country != country)) continue;
        if (FIndex->AddressUsed[entry.Address] || IsDead(entry.Rec)) continue;
        AddUsed(entry);
        aResult = entry.Rec;
        return true;
    }
    return false;
}

TProxyRec TProxyManager::GetIdleProxy(const std::string& aCountry, bool aClearUsed, TProxyRange aRange,
                                      bool aChange) {
    ProxyRandom().Reseed();
    TProxyRec result = FTargetProxy;
    if (!aChange && !result.IP.empty()) return result;

    Index();
    ShuffleEntryOrders();
    OrganizeUsedList(aCountry, aRange == TProxyRange::KNormal);
    if (aClearUsed) ClearUsed();

    const bool superFirst =
        aRange == TProxyRange::KSuper || (aRange == TProxyRange::KAll && ProxyRandom().Random(10) < 2);
    const int32_t country = CountryFilter(aCountry);
    if (superFirst && TakeIdle(FIndex->Super, FSuperOrder, country, result)) return result;
    TakeIdle(FIndex->Normal, FNormalOrder, country, result);
    return result;
}

void TProxyManager::OrganizeUsedList(const std::string& aCountry, bool aIncludeSuper) {
    const int32_t country = CountryFilter(aCountry);
    const TPoolIndex& index = Index();
    int used = 0;
    auto countUsed = [&](const std::vector<TEntry>& entries) {
        if (country == kNoCountry) return;
        for (const TEntry& entry : entries)
            if (entry.Valid && (country == kAnyCountry || entry.Country == country) &&
                (index.AddressUsed[entry.Address] || IsDead(entry.Rec)))
                ++used; // a dead proxy counts as used: the rest are handed out again
    };
    countUsed(index.Normal);
    if (aIncludeSuper) countUsed(index.Super);
    if (GetcountryListCount(aCountry, aIncludeSuper) <= used) ClearUsed();
}

void TProxyManager::RandomSort(std::vector<std::string>& aNSL, std::vector<std::string>& aSSL,
                               bool aIncludeSuper) {
    ProxyRandom().Reseed();
    std::vector<uint32_t> normalOrder(aNSL.size()), superOrder(aSSL.size());
    std::iota(normalOrder.begin(), normalOrder.end(), 0u);
    std::iota(superOrder.begin(), superOrder.end(), 0u);
    ShuffleOrders(normalOrder, superOrder, aIncludeSuper, ProxyRandom(), FShuffleWork);
    auto apply = [](std::vector<std::string>& list, const std::vector<uint32_t>& order) {
        std::vector<std::string> shuffled;
        shuffled.reserve(list.size());
        for (uint32_t i : order)
            shuffled.push_back(std::move(list[i]));
        list = std::move(shuffled);
    };
    apply(aNSL, normalOrder);
    if (aIncludeSuper) apply(aSSL, superOrder);
}

// A reply handler that runs only while this manager still exists.
TOnInfoGot TProxyManager::Guarded(void (TProxyManager::*handler)(const std::string&)) {
    return FAlive.Guard([handler](TProxyManager& self, const std::string& aRet) { (self.*handler)(aRet); });
}

void TProxyManager::StartRequest(std::string url, void (TProxyManager::*handler)(const std::string&),
                                 TOnInfoFailed onFailed) {
    const TPlatform& platform = FPlatform;
    if (platform.Http == nullptr || platform.Ui == nullptr) {
        DebugTrace::Trace(kTag, "No HTTP client installed; request dropped: " + url);
        return;
    }
    TInfoGotThread::Start(std::move(url), Guarded(handler), *platform.Http, *platform.Ui,
                          std::move(onFailed));
}

void TProxyManager::Touch(TProxyRec aPR) {
    StartRequest(ReplaceAll(FSettings.GetSettingString("SUPER_TOUCH"), "{1}", aPR.IP),
                 &TProxyManager::HandleTouchReply);
}

void TProxyManager::GetCurrentLocalInfo() {
    TCLSettings& settings = FSettings;
    StartRequest(settings.GetSettingString("URL.GetInfo") +
                     "?MagicWord=" + settings.GetSettingString("App.MagicWord"),
                 &TProxyManager::HandleLocalInfo,
                 FAlive.Guard([](TProxyManager& self) { self.HandleLocalInfoFailed(); }));
}

void TProxyManager::HandleLocalInfoFailed() {
    DebugTrace::Trace(kTag, "The lookup of the user's own information brought no answer");
    if (TProxyManagerEvent handler = FOnLocalInfoFailed) handler(*this);
}

void TProxyManager::HandleLocalInfo(const std::string& aRet) {
    std::vector<std::string> info = SplitLines(aRet);
    // A country code goes into a flag file's path: anything but two letters is no answer.
    const std::string code = FindListValue(info, "COUNTRY_SHORT").value_or("");
    if (!code.empty() && !IsCountryCode(code)) {
        DebugTrace::Trace(kTag, "Lookup reply refused: the country code is not two letters");
        return HandleLocalInfoFailed();
    }
    FLocalInfo = std::move(info);
    // The handler may end the program and so free this pool: it runs from a copy, and
    // nothing here is touched after it returns.
    if (TProxyManagerEvent handler = FOnGetCurrentLocalInfo) handler(*this);
}

void TProxyManager::HandleTouchReply(const std::string&) {}

} // namespace maskaddr
