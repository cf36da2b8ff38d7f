// What the program-level probes share (see ProbeKit.h).
#include "ProbeKit.h"

#include "ProgramDriver.h"
#include "WinTestUtil.h"
#include "platform/win32/PlatformWin.h"

#include <algorithm>
#include <cstdio>

namespace maskaddr::bench {

TProbeSettings::TProbeSettings(const std::string& exe) : FUserFile(test::UserFileOf(exe)) {
    FLookup.SetReply("/info",
                     {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=DE\r\nCOUNTRY_LONG=Germany\r\nCITY=Berlin\r\n"
                           "REGION=BE\r\n52.52\r\n13.40\r\n"});
    char lastUpdate[32];
    std::snprintf(lastUpdate, sizeof lastUpdate, "%.6f", TClockWin().Now());
    TFileSystemWin fs;
    fs.CreateFolders(FUserFile.substr(0, FUserFile.rfind('\\')));
    fs.WriteFileAtomic(FUserFile,
                       "[setting]\r\nUpdate.Times=1\r\nUpdate.LastDate=" + std::string(lastUpdate) +
                           "\r\nTARGET_COUNTRY=FR\r\nURL.Update=" + FLookup.Url("/update") +
                           "\r\nURL.GetInfo=" + LookupUrl() + "\r\nURL.FlagPath=" + FLookup.Url("/flags/") +
                           "\r\nNORMAL_IPS=127.0.0.2:8888|United States|US|-97.00|38.00;"
                           "127.0.0.3:8889|Germany|DE|13.40|52.52;127.0.0.4:8889|France|FR|2.35|"
                           "48.86;127.0.0.5:8889|Japan|JP|139.69|35.69;\r\n");
}

TProbeSettings::~TProbeSettings() {
    TFileSystemWin().RemoveFile(FUserFile);
}

} // namespace maskaddr::bench
