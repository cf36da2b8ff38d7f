// INI text and the settings store: a setting.dat of any bytes, loaded, read with every
// typed accessor, written back; and the automatic update's days rule on what it holds.
#include "FuzzSupport.h"
#include "app/AppSettings.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/settings/IniText.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = fuzz::Text(data, size);
    fuzz::TFuzzPlatform f;
    TIniText ini;
    ini.LoadFromBytes(bytes, f.P.Ansi);
    ini.WriteString("setting", "Fuzz", "1");
    (void)ini.SaveToBytes(f.P.Ansi);
    f.P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat", bytes);
    TCLSettings& s = Settings();
    for (const char* name : {"Update.LastDate", "ChangeIPTime", "AutoRun", "RunTimes", "NORMAL_IPS", "App.Ver"}) {
        (void)s.GetSettingString(name);
        (void)s.GetSettingInteger(name);
        (void)s.GetSettingFloat(name);
        (void)s.GetSettingBool(name);
    }
    (void)AutoUpdateDue(Settings(), 46000.5);
    s.SetSettingInteger("ChangeIPTime", 5);
    FreeSettings();
    return 0;
}
