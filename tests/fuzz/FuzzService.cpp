// maskaddr-service's outside text: the update request's query, the proxy inventory file
// and the configuration file.
#include "FuzzSupport.h"
#include "service/ServiceConfig.h"
#include "service/ServiceLogic.h"

using namespace maskaddr;
using namespace maskaddr::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 3);
    std::string error;
    (void)ParseUpdateQuery(parts[0], error);
    const TInventoryParse inventory = ParseInventory(parts[1]);
    (void)FormatProxyList(inventory.Proxies);
    TServiceConfig config;
    (void)ParseServiceConfig(parts[2], "/srv/maskaddr", config, error);
    return 0;
}
