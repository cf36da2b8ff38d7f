// What other processes hand the program: a command line of any arguments, and the text
// record of WM_COPYDATA that a second start forwards to the running instance.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "app/CommandLine.h"
#include "fakes/FakeEngineHost.h"
#include "framework/engine/CLEngine.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::string text = fuzz::Text(data, size);
    TCommandLine commandLine(fuzz::Parts(text, 1));
    for (char letter : std::string("iusrdahIUSRDAH?-/"))
        (void)commandLine.HasSwitch(letter);
    (void)commandLine.PlainFirstArgument();

    test::TFakeEngineHost host;
    TCLEngine engine(nullptr, host, f.P.Facilities, Settings());
    TEngineMessage copy{TEngineEvent::CopyData, true, data, static_cast<uint32_t>(size)};
    intptr_t answer = 0;
    engine.EngineWndProc(copy, answer);
    (void)engine.ParamFile();
    return 0;
}
