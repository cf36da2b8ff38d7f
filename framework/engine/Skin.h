// The skin layer: a skin is an INI description of colours, fonts and pictures;
// a ".skn" file holds it zlib-compressed. TSkinData carries the skin in use (the
// stored skin, or the built-in one when none is stored) and tells the windows that
// paint from it when it changes.
#pragma once

#include "framework/components/Component.h"
#include "framework/settings/IniText.h"
#include "base/NameValueList.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace maskaddr {

class TSkin {
public:
    // Parses a skin description; pictures are resolved against baseFolder.
    static std::shared_ptr<const TSkin> Parse(const std::string& text, const std::string& baseFolder = "");
    // The skin compiled into the program.
    static std::shared_ptr<const TSkin> BuiltIn();

    std::string Name() const;
    // A colour of section "Colors" as 0xRRGGBB ("#RRGGBB" or a decimal number), else def.
    uint32_t Color(const std::string& name, uint32_t def) const;
    std::string FontFace() const;
    int FontSize() const;
    // A picture of section "Pictures" as a full path; empty when not named.
    std::string Picture(const std::string& name) const;
    const TIniText& Ini() const { return FIni; }

private:
    TIniText FIni;
    std::string FBaseFolder;
};

// zlib streams as ".skn" files hold them. Inflating refuses data that would expand
// beyond a few megabytes.
std::optional<std::string> InflateSkin(const std::string& compressed);
std::string DeflateSkin(const std::string& text);

class TSkinData : public TComponent {
public:
    TSkinData(TComponent* owner, std::string name);

    std::shared_ptr<const TSkin> StoredSkin() const { return FStoredSkin; }
    void SetStoredSkin(std::shared_ptr<const TSkin> skin);
    // Loads a compressed skin file as the stored skin; false (and nothing changed) when the
    // file cannot be read or is not a skin.
    bool LoadFromCompressedFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& path);
    // The skin to paint with: the stored one, or the built-in one.
    const TSkin& Current() const;

    bool SkinnableForm() const { return FSkinnableForm; }
    void SetSkinnableForm(bool value);
    bool ShowButtonGlowFrames = true;
    bool ShowCaptionButtonGlowFrames = true;
    // Texts of the skinned controls, replaced from the language's "SkinRes" section.
    TNameValueList ResourceStrings;

    // Windows that paint from the skin repaint when it changes.
    int AddChangeListener(std::function<void()> listener);
    void RemoveChangeListener(int id);

private:
    void Changed();

    std::shared_ptr<const TSkin> FStoredSkin;
    bool FSkinnableForm = true;
    std::map<int, std::function<void()>> FListeners;
    int FNextListener = 1;
};

} // namespace maskaddr
