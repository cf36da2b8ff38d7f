// The IP-lookup reply: the pool takes it as its local information, and the fields the
// main window shows become overlay commands, which the overlay's scene must take whole.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "base/NameValueList.h"
#include "proxy/ProxyManager.h"
#include "ui/FlashForm.h"
#include "ui/OverlayScene.h"

#include <algorithm>

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    TProxyManager pool{f.P.Facilities, Settings()};
    pool.HandleLocalInfo(fuzz::Text(data, size));
    auto value = [&](const char* name) { return FindListValue(pool.LocalInfo(), name).value_or(""); };
    const std::string command =
        FlashCommand::IPInfo("Local", "True", "http://127.0.0.1/flags/" + value("COUNTRY_SHORT") + ".PNG",
                             value("IP"), value("COUNTRY_LONG"), value("CITY"), "100", "100");
    // Eight fields whatever the reply held: no text of it may shift the ones after it.
    if (std::count(command.begin(), command.end(), ',') != 7) __builtin_trap();
    TOverlayScene scene;
    scene.Apply(command);
    return 0;
}
