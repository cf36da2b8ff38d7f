// TEngineSkin: the engine's skin part. It chooses the skin file (the stored choice, else the
// built-in skin), offers the files found in its menu item, keeps the choice in the settings,
// and knows the main window's skin frame. It tells the engine of every change through one call.
#pragma once

#include "framework/components/ChoiceMenu.h"
#include "framework/engine/SkinFrame.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr {

class TCLSettings;
class TSkin;
class TSkinData;

class TEngineSkin {
public:
    // changed runs after every change of skin, those of the start included.
    TEngineSkin(const TPlatform& platform, TCLSettings& settings, std::function<void()> changed);
    TEngineSkin(const TEngineSkin&) = delete;
    TEngineSkin& operator=(const TEngineSkin&) = delete;

    // The skin data the windows paint from; without it there is nothing to choose.
    void SetData(TSkinData* data) { FData = data; }
    TSkinData* Data() const { return FData; }
    void SetFrame(ISkinFrame* frame) { FFrame = frame; }
    void SetMenuItem(IChoiceMenu* item) { FChoice.SetMenuItem(item); }

    // Keeps the skin the data came with as the default, then takes the stored skin; then the menu.
    void Init();
    const std::string& Name() const { return FName; }
    // Loads "<name>.skn", else "<name>.nsf.skn" (which leaves the window frame unskinned);
    // a name without a readable file ("Default" when empty) brings the default skin back.
    void Set(const std::string& name);
    const std::vector<std::string>& List() { return FChoice.List(); }
    // Brings the main window back from the tray; false when it has no tray icon.
    bool RestoreFromTray();

private:
    TPlatform FPlatform;
    TCLSettings& FSettings;
    std::function<void()> FChanged;
    TSkinData* FData = nullptr;
    ISkinFrame* FFrame = nullptr;
    TFileChoice FChoice;
    std::string FName;
    std::shared_ptr<const TSkin> FDefaultSkin;
    bool FDefaultSkinnableForm = true;
};

} // namespace maskaddr
