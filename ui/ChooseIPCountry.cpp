// The country chooser's logic (see ChooseIPCountry.h).
#include "ui/ChooseIPCountry.h"

#include "base/DebugTrace.h"
#include "base/StringList.h"
#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/IniText.h"
#include "platform/Platform.h"
#include "proxy/ProxyManager.h"

namespace maskaddr {

namespace {
constexpr unsigned kF5 = 116, kBackspace = 8, kShift = 16;
constexpr char kMapTemplate[] = "res\\map.tpl";
constexpr char kMapZoom[] = "4";
} // namespace

bool MapKeyDropped(unsigned virtualKey) {
    return virtualKey == kF5 || virtualKey == kBackspace || virtualKey == kShift;
}

TChooseIPCountry::TChooseIPCountry(IChooseIPCountryView& view, TProxyManager& pool, const TPlatform& platform,
                                   TCLSettings& settings)
    : FView(view), FPool(pool), FPlatform(platform), FSettings(settings), FFlag(nullptr, platform, "sdFlag") {
    FFlag.AcceptTypes = "*/*";
    FFlag.BinaryData = true;
    FFlag.UseCache = false;
    FFlag.MaxBytes = 1024 * 1024; // a flag is a small picture
    FFlag.WaitThread = false;
    FFlag.HttpCharset = KAnsi;
    FFlag.OnDoneFile = [this](TSingleDownloader*, const std::string& file, int64_t) { sdFlagDoneFile(file); };
}

// The selection is set as the program sets it, and the change handler runs as it would
// for the user's change; a target country that is not listed selects nothing.
void TChooseIPCountry::FormCreate() {
    LoadList();
    const std::string& target = FPool.TargetCountry();
    int index = -1;
    if (SameText(target, "UN")) {
        index = 0;
    } else {
        const std::string name = FPool.GetCountryLong(target);
        for (int i = 0, n = FView.ItemCount(); i < n && !name.empty(); ++i)
            if (FView.ItemText(i) == name) {
                index = i;
                break;
            }
    }
    if (index < 0) return;
    FView.SetItemIndex(index);
    cbbCountryChange();
}

void TChooseIPCountry::LoadList() {
    FView.AddItem(kAutoSelected);
    TStringList names;
    FPool.GetCountryList(&names);
    for (int i = 0; i < names.Count(); ++i)
        FView.AddItem(names[i]);
}

// The own location's coordinates are the sixth and seventh lines of the lookup's reply.
void TChooseIPCountry::cbbCountryChange() {
    const int index = FView.ItemIndex();
    if (index < 0) return;
    if (index > 0) {
        const std::string name = FView.ItemText(index);
        LoadFlag(FPool.GetCountryShort(name));
        std::string longitude, latitude;
        FPool.GetCountryPosition(name, longitude, latitude);
        ShowMap(latitude, longitude);
        return;
    }
    LoadFlag("UN");
    const std::vector<std::string>& info = FPool.LocalInfo();
    ShowMap(info.size() > 5 ? info[5] : "", info.size() > 6 ? info[6] : "");
}

// Shipped with the program, else downloaded before into the user data folder, else
// downloaded now into that folder under the upper-case name; a failed download is silent.
void TChooseIPCountry::LoadFlag(const std::string& aCountryName) {
    IFileSystem& files = *FPlatform.Files;
    const std::string shipped =
        ResolvePath(AppFolder(*FPlatform.Files), "res\\flag_short\\" + aCountryName + ".PNG");
    if (files.FileExists(shipped)) {
        LoadPNG(shipped);
        return;
    }
    const std::string cached = ResolvePath(FSettings.UserDataPath(), aCountryName + ".PNG");
    if (files.FileExists(cached)) {
        LoadPNG(cached);
        return;
    }
    FFlag.FileName = cached;
    FFlag.URL = FSettings.GetSettingString("URL.FlagPath") + UpperAscii(aCountryName) + ".png";
    FFlag.GetFile();
}

void TChooseIPCountry::sdFlagDoneFile(const std::string& strFileName) {
    if (FPlatform.Files->FileExists(strFileName)) LoadPNG(strFileName);
}

// The template's placeholders, every occurrence: {1} longitude, {2} latitude (in that
// order), {3} and {4} the panel's size plus 30, {5} "URL.MapMask", {6} the zoom.
void TChooseIPCountry::ShowMap(const std::string& aLati, const std::string& aLong) {
    const std::string path = ResolvePath(AppFolder(*FPlatform.Files), kMapTemplate);
    std::optional<std::string> bytes = FPlatform.Files->ReadFile(path);
    if (!bytes) {
        DebugTrace::Trace("ChooseIPCountry", "Map template not readable: " + path);
        FView.ShowError("Cannot open file \"" + path + "\". The system cannot find the file specified");
        return;
    }
    TTextEncoding encoding;
    const std::string text = TIniText::DecodeBytes(*bytes, *FPlatform.Ansi, encoding);
    const std::string filled = FormatBraces(text, {aLong, aLati, std::to_string(FView.MapPanelWidth() + 30),
                                                   std::to_string(FView.MapPanelHeight() + 30),
                                                   FSettings.GetSettingString("URL.MapMask"), kMapZoom});
    FView.LoadMapDocument(filled, path.substr(0, path.rfind('\\') + 1));
}

void TChooseIPCountry::wbMapProgressChange(int Progress, int ProgressMax) {
    FView.SetGauge(Progress != ProgressMax, ProgressMax, Progress);
}

// With nothing selected (the target country was not listed and the user chose none), the
// target country stays and nothing is stored.
void TChooseIPCountry::btnOKClick() {
    const int index = FView.ItemIndex();
    if (index < 0) return;
    FPool.SetTargetCountry(index == 0 ? std::string("UN") : FPool.GetCountryShort(FView.ItemText(index)));
    FSettings.SetSettingstring("TARGET_COUNTRY", FPool.TargetCountry());
}

} // namespace maskaddr
