// TProxyManager: the proxy pool. It holds the normal and super proxy lists as loaded
// from the settings, answers the country queries, chooses idle proxies, remembers the
// addresses handed out, and looks up the user's own IP information.
#pragma once

#include "base/StringList.h"
#include "framework/threads/Lifeline.h"
#include "platform/Platform.h"
#include "proxy/InfoGotThread.h"
#include "proxy/MoveShuffle.h"
#include "proxy/ProxyRec.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace maskaddr {

class TProxyManager;
class TCLSettings;
using TProxyManagerEvent = std::function<void(TProxyManager& Sender)>;

class TProxyManager {
public:
    TProxyManager(const TPlatform& platform, TCLSettings& settings);
    ~TProxyManager();
    TProxyManager(const TProxyManager&) = delete;
    TProxyManager& operator=(const TProxyManager&) = delete;

    // Appends both lists from the settings; true when the normal list holds an entry.
    bool LoadSettings();
    // The lists replaced by the settings' (an accepted update delivered new ones): the used
    // list keeps only addresses still listed. True when the normal list holds an entry.
    bool ReloadSettings();
    // True when a list holds an entry with the record's address and port.
    bool IsListed(const TProxyRec& aRec);

    // A proxy that stopped answering or leaks: never chosen again until forgotten.
    void MarkDead(const TProxyRec& aRec);
    bool IsDead(const TProxyRec& aRec) const;
    // A network that came back: every proxy may be tried again.
    void ForgetDead() { FDead.clear(); }

    // Entry aIndex of aSL as a record; false (aRec untouched) when out of range or malformed.
    bool GetProxyRec(const std::vector<std::string>& aSL, int aIndex, bool aIsSuper, TProxyRec& aRec) const;
    void GetCountryList(TStringList* aSL);
    // Spelled so on purpose: callers use this name.
    int GetcountryListCount(const std::string& aCountry, bool aIncludeSuper);
    std::string GetCountryShort(const std::string& aCountryLong);
    std::string GetCountryLong(const std::string& aCountryShort);
    void GetCountryPosition(const std::string& aCountryLong, std::string& aLongi, std::string& aLati);

    TProxyRec GetIdleProxy(const std::string& aCountry, bool aClearUsed, TProxyRange aRange, bool aChange);
    void OrganizeUsedList(const std::string& aCountry, bool aIncludeSuper);
    void RandomSort(std::vector<std::string>& aNSL, std::vector<std::string>& aSSL, bool aIncludeSuper);
    void Touch(TProxyRec aPR);

    void GetCurrentLocalInfo();
    void HandleLocalInfo(const std::string& aRet);
    void HandleTouchReply(const std::string& aRet);

    const std::vector<std::string>& LocalInfo() const { return FLocalInfo; }
    const std::vector<std::string>& NormalProxyList() const { return FNormalProxyList; }
    const std::vector<std::string>& SuperProxyList() const { return FSuperProxyList; }
    const std::vector<std::string>& UsedProxyList() const { return FUsedProxyList; }
    const std::string& TargetCountry() const { return FTargetCountry; }
    void SetTargetCountry(const std::string& value) { FTargetCountry = value; }
    const TProxyRec& TargetProxy() const { return FTargetProxy; }
    void SetTargetProxy(const TProxyRec& value) { FTargetProxy = value; }
    void SetOnGetCurrentLocalInfo(TProxyManagerEvent handler) { FOnGetCurrentLocalInfo = std::move(handler); }
    // Raised when a lookup of the user's own information brought no answer.
    void SetOnLocalInfoFailed(TProxyManagerEvent handler) { FOnLocalInfoFailed = std::move(handler); }

private:
    // One list entry, parsed once per load, with its country and address as small numbers.
    struct TEntry {
        TProxyRec Rec;
        bool Valid = false;
        int32_t Country = -1; // index into TPoolIndex::CountryIds' values
        int32_t Address = -1; // index into TPoolIndex::AddressIds' values
    };
    // Everything the queries and the choice need, derived from the two lists.
    struct TPoolIndex {
        std::vector<TEntry> Normal, Super;
        std::unordered_map<std::string, int32_t> CountryIds, AddressIds; // by lower-case text
        std::vector<int32_t> NormalPerCountry, SuperPerCountry;
        int32_t NormalValid = 0, SuperValid = 0;
        std::unordered_map<std::string, const TEntry*> FirstByLong, FirstByShort; // lower-case keys
        std::vector<std::string> DistinctLongs; // exact texts, first occurrences in walk order
        std::vector<uint8_t> AddressUsed;       // by address number: in FUsedProxyList
    };
    static constexpr int32_t kAnyCountry = -2;
    static constexpr int32_t kNoCountry = -3;

    TPoolIndex& Index();
    void BuildEntries(const std::vector<std::string>& list, bool isSuper, std::vector<TEntry>& out);
    int32_t CountryFilter(const std::string& aCountry);
    bool TakeIdle(const std::vector<TEntry>& entries, const std::vector<uint32_t>& order, int32_t country,
                  TProxyRec& aResult);
    void ShuffleEntryOrders();
    void AddUsed(const TEntry& entry);
    void ClearUsed();
    std::string RestoredTargetCountry();
    TOnInfoGot Guarded(void (TProxyManager::*handler)(const std::string&));
    void StartRequest(std::string url, void (TProxyManager::*handler)(const std::string&),
                      TOnInfoFailed onFailed = {});
    void HandleLocalInfoFailed();

    TPlatform FPlatform;
    TCLSettings& FSettings;
    std::vector<std::string> FLocalInfo;
    std::vector<std::string> FNormalProxyList;
    std::vector<std::string> FSuperProxyList;
    std::vector<std::string> FUsedProxyList;
    std::string FTargetCountry;
    TProxyRec FTargetProxy;
    TProxyManagerEvent FOnGetCurrentLocalInfo;
    TProxyManagerEvent FOnLocalInfoFailed;

    std::unordered_set<std::string> FDead; // "address:port" in lower case
    std::unique_ptr<TPoolIndex> FIndex;    // null until needed after a load
    std::unordered_set<std::string> FReportedMalformed;
    std::vector<uint32_t> FNormalOrder, FSuperOrder;
    TMoveShuffleWork FShuffleWork;
    // Replies of lookups still in flight reach this manager only while it lives.
    TLifeline<TProxyManager> FAlive{this};
};

} // namespace maskaddr
