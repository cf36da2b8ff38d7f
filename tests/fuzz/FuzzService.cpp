// maskaddr-service's outside text: the update request's query, the proxy inventory file,
// the configuration file, and a proxy's reply to the health check with the page in it.
#include "FuzzSupport.h"
#include "service/ServiceConfig.h"
#include "service/ServiceLogic.h"

using namespace maskaddr;
using namespace maskaddr::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 4);
    std::string error;
    (void)ParseUpdateQuery(parts[0], error);
    const TInventoryParse inventory = ParseInventory(parts[1]);
    (void)FormatProxyList(inventory.Proxies);
    TServiceConfig config;
    (void)ParseServiceConfig(parts[2], "/srv/maskaddr", config, error);
    for (bool ended : {false, true}) {
        const THttpReply reply = ReadHttpReply(parts[3], ended);
        (void)JudgeCheckPage(reply.Body, "proof", "127.0.0.1");
    }
    return 0;
}
