// The update service's reply: its signature line split off and checked with the update
// key, then (with the distributor's allowance of unsigned replies, as no fuzzed input
// carries a valid signature) parsed, checked, and its settings lines applied to the store.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "framework/engine/UpdateCheck.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f("[setting]\nApp.MagicWord=w\n");
    const std::string bytes = fuzz::Text(data, size);
    (void)AcceptedUpdateText(f.P.Facilities, Settings(), bytes);
    f.P.Files.Put("C:\\Tools\\App\\oem.const.dat", "[setting]\nUpdate.AllowUnsigned=1\n");
    FreeSettings();
    const TUpdateReply reply =
        ParseUpdateReply(AcceptedUpdateText(f.P.Facilities, Settings(), bytes).value_or(""));
    (void)UpdateReplyResult(reply);
    if (UpdateReplyAuthentic(Settings(), reply)) ApplyUpdateSettings(Settings(), reply);
    RecordReplySerial(Settings(), reply);
    (void)AutoUpdateDue(Settings(), 46000.5);
    FreeSettings();
    return 0;
}
