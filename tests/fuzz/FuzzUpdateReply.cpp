// The update service's reply: parsed, checked, and its settings lines applied to the store.
#include "FuzzSupport.h"
#include "framework/engine/UpdateCheck.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f("[setting]\nApp.MagicWord=w\n");
    const TUpdateReply reply = ParseUpdateReply(fuzz::Text(data, size));
    (void)UpdateReplyResult(reply);
    if (UpdateReplyAuthentic(reply)) ApplyUpdateSettings(reply);
    (void)AutoUpdateDue(46000.5);
    FreeSettings();
    return 0;
}
