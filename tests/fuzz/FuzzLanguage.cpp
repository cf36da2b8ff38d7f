// Language documents: any text as the current language, its texts looked up by form,
// component and property with the application's name put in.
#include "FuzzSupport.h"
#include "base/Text.h"
#include "framework/language/CLMultiLang.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    TCLMultiLangData texts(nullptr, "CLMultiLangData");
    texts.SetDefaultData({"[AppRes]", "AppName=Maskaddr", "FLSMsg.Ready=Ready {AppName}"});
    texts.SetCurrentData(SplitLines(fuzz::Text(data, size)));
    std::string value;
    texts.GetAppName(value);
    for (const char* form : {"AppRes", "LibRes", "TfrmMain", "Info"})
        for (const char* prop : {"AppName", "FLSMsg.Ready", "Caption", "Name"})
            texts.GetProp(form, "", prop, value);
    texts.GetProp("TfrmMain", "btnHide", "Caption", value);
    return 0;
}
