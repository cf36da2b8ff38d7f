// The status overlay: its scene description (res\maskaddr.dat) and the command texts it
// takes, one per line, with the animations run on and a click tested.
#include "FuzzSupport.h"
#include "base/Text.h"
#include "ui/OverlayScene.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 2);
    TOverlayScene scene(TSceneLayout::FromIni(parts[0]));
    for (const std::string& command : SplitLines(parts[1])) {
        scene.Apply(command);
        scene.Advance(40);
    }
    scene.Advance(10000);
    (void)scene.PanelRect(TSide::Local);
    (void)scene.HitTest(100, 50);
    return 0;
}
