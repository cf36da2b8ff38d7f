// The engine's skin part (see EngineSkin.h).
#include "framework/engine/EngineSkin.h"

#include "framework/engine/Skin.h"
#include "framework/settings/CLSettings.h"

#include <utility>

namespace maskaddr {

TEngineSkin::TEngineSkin(const TPlatform& platform, TCLSettings& settings, std::function<void()> changed)
    : FPlatform(platform), FSettings(settings), FChanged(std::move(changed)),
      FChoice(platform, settings, "Path.Skins", ".skn", "Default", 2) {}

void TEngineSkin::Init() {
    if (FData == nullptr) return;
    FDefaultSkin = FData->StoredSkin();
    FDefaultSkinnableForm = FData->SkinnableForm();
    std::string name = FSettings.GetSettingString("Skin");
    Set(name.empty() ? "Default" : name);
    FChoice.BuildMenu(FName, [this](const std::string& caption) { Set(caption); });
}

void TEngineSkin::Set(const std::string& value) {
    if (FData == nullptr) return;
    const std::string name = value.empty() ? "Default" : value;
    if (name == FName) return;
    IFileSystem& files = *FPlatform.Files;
    std::string path = FChoice.FileOf(name, ".skn");
    bool skinnable = true;
    if (!path.empty() && !files.FileExists(path)) {
        path = FChoice.FileOf(name, ".nsf.skn");
        skinnable = false;
    }
    bool loaded = false;
    if (!path.empty() && files.FileExists(path)) {
        auto previous = FData->StoredSkin();
        FData->SetStoredSkin(nullptr);
        loaded = FData->LoadFromCompressedFile(files, *FPlatform.Ansi, path);
        if (!loaded) FData->SetStoredSkin(previous); // a damaged file changes nothing
    }
    if (loaded) {
        FData->SetSkinnableForm(skinnable);
        FName = name;
    } else {
        if (!FName.empty()) {
            FData->SetStoredSkin(FDefaultSkin);
            FData->SetSkinnableForm(FDefaultSkinnableForm);
        }
        FName = "Default";
    }
    if (FPlatform.System->IsWindowsVista64()) {
        FData->ShowButtonGlowFrames = false;
        FData->ShowCaptionButtonGlowFrames = false;
    }
    FSettings.SetSettingstring("Skin", FName);
    FChoice.CheckMenu(FName);
    if (FChanged) FChanged();
}

bool TEngineSkin::RestoreFromTray() {
    if (FFrame == nullptr || !FFrame->HasTrayIcon()) return false;
    FFrame->RestoreFromTray();
    return true;
}

} // namespace maskaddr
