// The proxy choice and the country counts done the direct way: every query re-parses
// every entry, the used list is searched item by item, and each shuffle move takes an
// item out of an array and inserts it elsewhere. Tests compare the pool against it and
// the benchmark times it beside the pool.
#pragma once

#include "base/StringList.h"
#include "proxy/ProxyRandom.h"
#include "proxy/ProxyRec.h"

#include <string>
#include <vector>

namespace maskaddr::test {

// One pass, literally: the item at each position i in turn is taken out and inserted
// at targets[i].
template <typename T> void LiteralMovePass(std::vector<T>& list, const std::vector<uint32_t>& targets) {
    for (size_t i = 0; i < list.size(); ++i) {
        T item = std::move(list[i]);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        list.insert(list.begin() + targets[i], std::move(item));
    }
}

class TLiteralProxyPool {
public:
    std::vector<std::string> Normal, Super, Used;
    TProxyRec TargetProxy;

    void RandomSort(std::vector<std::string>& aNSL, std::vector<std::string>& aSSL, bool aIncludeSuper);
    TProxyRec GetIdleProxy(const std::string& aCountry, bool aClearUsed, TProxyRange aRange, bool aChange);
    void OrganizeUsedList(const std::string& aCountry, bool aIncludeSuper);
    // Spelled so on purpose: the pool it mirrors uses this name.
    int GetcountryListCount(const std::string& aCountry, bool aIncludeSuper) const;
    void GetCountryList(TStringList& aSL) const;

private:
    bool Matches(const TProxyRec& rec, const std::string& aCountry) const;
    bool IsUsed(const std::string& ip) const;
    bool TakeIdle(const std::vector<std::string>& list, bool isSuper, const std::string& aCountry,
                  TProxyRec& aResult);
};

} // namespace maskaddr::test
