// The direct-way proxy pool (see LiteralProxyPool.h). Entries with fewer than five
// fields are skipped, as the pool skips them.
#include "reference/LiteralProxyPool.h"

#include "base/Text.h"
#include "proxy/MoveShuffle.h"

namespace maskaddr::test {

void TLiteralProxyPool::RandomSort(std::vector<std::string>& aNSL, std::vector<std::string>& aSSL,
                                   bool aIncludeSuper) {
    ProxyRandom().Reseed();
    std::vector<uint32_t> targets;
    for (int pass = 0; pass < 4; ++pass) {
        DrawMoveTargets(static_cast<uint32_t>(aNSL.size()), ProxyRandom(), targets);
        LiteralMovePass(aNSL, targets);
        if (!aIncludeSuper) continue;
        DrawMoveTargets(static_cast<uint32_t>(aSSL.size()), ProxyRandom(), targets);
        LiteralMovePass(aSSL, targets);
    }
}

bool TLiteralProxyPool::Matches(const TProxyRec& rec, const std::string& aCountry) const {
    return aCountry == "UN" || SameText(rec.Country_Short, aCountry);
}

bool TLiteralProxyPool::IsUsed(const std::string& ip) const {
    for (const std::string& used : Used)
        if (SameText(used, ip)) return true;
    return false;
}

int TLiteralProxyPool::GetcountryListCount(const std::string& aCountry, bool aIncludeSuper) const {
    int count = 0;
    TProxyRec rec;
    for (const std::string& entry : Normal)
        if (ParseProxyEntry(entry, false, rec) && Matches(rec, aCountry)) ++count;
    if (aIncludeSuper)
        for (const std::string& entry : Super)
            if (ParseProxyEntry(entry, true, rec) && Matches(rec, aCountry)) ++count;
    return count;
}

void TLiteralProxyPool::GetCountryList(TStringList& aSL) const {
    TProxyRec rec;
    for (const auto* list : {&Normal, &Super})
        for (const std::string& entry : *list)
            if (ParseProxyEntry(entry, list == &Super, rec) && aSL.IndexOf(rec.Country_Long) < 0)
                aSL.Add(rec.Country_Long);
}

void TLiteralProxyPool::OrganizeUsedList(const std::string& aCountry, bool aIncludeSuper) {
    int used = 0;
    TProxyRec rec;
    for (const std::string& entry : Normal)
        if (ParseProxyEntry(entry, false, rec) && Matches(rec, aCountry) && IsUsed(rec.IP)) ++used;
    if (aIncludeSuper)
        for (const std::string& entry : Super)
            if (ParseProxyEntry(entry, true, rec) && Matches(rec, aCountry) && IsUsed(rec.IP)) ++used;
    if (GetcountryListCount(aCountry, aIncludeSuper) <= used) Used.clear();
}

bool TLiteralProxyPool::TakeIdle(const std::vector<std::string>& list, bool isSuper,
                                 const std::string& aCountry, TProxyRec& aResult) {
    TProxyRec rec;
    for (const std::string& entry : list) {
        if (!ParseProxyEntry(entry, isSuper, rec) || !Matches(rec, aCountry) || IsUsed(rec.IP)) continue;
        Used.push_back(rec.IP);
        aResult = rec;
        return true;
    }
    return false;
}

TProxyRec TLiteralProxyPool::GetIdleProxy(const std::string& aCountry, bool aClearUsed, TProxyRange aRange,
                                          bool aChange) {
    ProxyRandom().Reseed();
    TProxyRec result = TargetProxy;
    if (!aChange && !result.IP.empty()) return result;
    std::vector<std::string> normal = Normal, super = Super;
    RandomSort(normal, super, true);
    OrganizeUsedList(aCountry, aRange == TProxyRange::KNormal);
    if (aClearUsed) Used.clear();
    const bool superFirst =
        aRange == TProxyRange::KSuper || (aRange == TProxyRange::KAll && ProxyRandom().Random(10) < 2);
    if (superFirst && TakeIdle(super, true, aCountry, result)) return result;
    TakeIdle(normal, false, aCountry, result);
    return result;
}

} // namespace maskaddr::test
