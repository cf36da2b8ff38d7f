// Skin files: any bytes inflated as a ".skn" file, and any text parsed as a skin.
#include "FuzzSupport.h"
#include "framework/engine/Skin.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::string bytes = fuzz::Text(data, size);
    if (auto text = InflateSkin(bytes)) (void)TSkin::Parse(*text, "C:\\Tools\\App\\skins\\");
    (void)TSkin::Parse(bytes, "C:\\Tools\\App\\skins\\");
    return 0;
}
