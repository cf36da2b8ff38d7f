// Proxy lists as the update delivers them: loaded into the pool, then the country queries
// and the choice of idle proxies that the windows make.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "base/StringList.h"
#include "proxy/ProxyManager.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 3);
    TCLSettings& s = Settings();
    s.SetSettingstring("NORMAL_IPS", parts[0]);
    s.SetSettingstring("SUPER_IPS", parts[1]);
    s.SetSettingstring("TARGET_COUNTRY", parts[2].substr(0, 8));
    TProxyManager pool{f.P.Facilities, Settings()};
    pool.LoadSettings();
    TStringList names;
    pool.GetCountryList(&names);
    for (const std::string& name : names.Items) {
        std::string longi, lati;
        pool.GetCountryPosition(name, longi, lati);
        const std::string code = pool.GetCountryShort(name);
        (void)pool.GetCountryLong(code);
        (void)pool.GetcountryListCount(code, true);
        if (&name - names.Items.data() > 16) break;
    }
    for (const std::string& code : {pool.TargetCountry(), std::string("UN"), parts[2]}) {
        for (int i = 0; i < 3; ++i) {
            TProxyRec rec = pool.GetIdleProxy(code, i == 2, i == 1 ? TProxyRange::KSuper : TProxyRange::KAll, true);
            pool.SetTargetProxy(rec);
        }
    }
    FreeSettings();
    return 0;
}
