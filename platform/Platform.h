// The set of operating-system facilities the portable code talks to, handed to each class
// that uses them. The program's entry makes it from the Win32 implementations (app/); tests
// make it from fakes.
#pragma once

#include "platform/Clock.h"
#include "platform/DirectHttp.h"
#include "platform/FileSystem.h"
#include "platform/InetClient.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/SignatureVerifier.h"
#include "platform/SystemFacts.h"
#include "platform/SystemText.h"
#include "platform/UiDispatcher.h"
#include "platform/UrlCache.h"

namespace maskaddr {

class IInternetSettings;

struct TPlatform {
    IRegistry* Registry = nullptr;
    IFileSystem* Files = nullptr;
    IAnsiCodec* Ansi = nullptr;
    ILocale* Locale = nullptr;
    IClock* Clock = nullptr;
    IDirectHttp* Http = nullptr;
    IUiDispatcher* Ui = nullptr;
    IInetClient* Inet = nullptr;
    IMessagePump* Pump = nullptr;
    IInternetSettings* InetSettings = nullptr;
    ISystemFacts* System = nullptr;
    IProcesses* Processes = nullptr;
    IUrlCache* UrlCache = nullptr;
    ISignatureVerifier* Signatures = nullptr;
};

} // namespace maskaddr
