// TFlashPlayer: the status overlay's player, a child window of our own. It takes one
// command text at a time through SetVariable("callbackvar", text), draws the scene
// double-buffered with GDI+ at the window's DPI, animates fades and turns on a timer,
// and reports clicks on the check-IP element and the logo as FSCommand calls.
#pragma once

#include "platform/Platform.h"
#include "ui/OverlayScene.h"
#include "ui/win32/Win32Window.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

namespace Gdiplus {
class Bitmap;
class Font;
class Graphics;
class RectF;
} // namespace Gdiplus

namespace maskaddr {

class TCLSettings;
class TSingleDownloader;

class TFlashPlayer : public TWin32Window {
public:
    TFlashPlayer(HWND parent, const TPlatform& platform, TCLSettings& settings);
    ~TFlashPlayer() override; // where the pictures' and downloads' types are complete

    // The scene description file; a missing or unreadable one leaves the built-in scene.
    void SetMovie(const std::string& path);
    const std::string& Movie() const { return FMovie; }
    // 0 draws without anti-aliasing, anything else smooths shapes and text.
    int Quality = 1;

    // Assigns a player variable; "callbackvar" takes one command text.
    void SetVariable(const std::wstring& name, const std::wstring& value);
    // High contrast as the system says (nullopt, the default) or as set here.
    void SetHighContrast(std::optional<bool> on);
    // What a screen reader calls the overlay (its accessible name); its value is its texts.
    void SetSpokenLabel(const std::wstring& label);
    // Told when what the overlay says has changed (its accessible value).
    std::function<void()> OnSpokenChange;
    // The player's requests: (command, arguments).
    std::function<void(TFlashPlayer* Sender, const std::wstring& command, const std::wstring& args)>
        OnFSCommand;

    // Position and size in 96-dpi pixels; the window follows its DPI.
    void SetBounds(int left, int top, int width, int height);
    const TOverlayScene& Scene() const { return FScene; }
    // A scene point (96-dpi pixels) as a client point of the window.
    POINT ClientPoint(double x, double y) const;
    double DpiScale() const;

    // Right-button presses and releases that reached the player.
    int RightPresses() const { return FRightPresses; }
    int RightReleases() const { return FRightReleases; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TPlatform FPlatform;
    TCLSettings& FSettings;
    void PaintClient(HDC dc) override;
    void DrawScene(Gdiplus::Graphics& g);
    void UpdateSpokenName();
    std::wstring FSpokenName, FSpokenLabel;
    std::shared_ptr<std::wstring> FSpokenValue = std::make_shared<std::wstring>();
    uint32_t TextColor(uint32_t designed) const;
    void TextGround(Gdiplus::Graphics& g, const Gdiplus::RectF& where, double opacity) const;
    bool FHighContrast = false; // as of the last paint
    std::optional<bool> FContrastSet;
    void DrawPanel(Gdiplus::Graphics& g, TSide side);
    void Tick();
    void StartAnimation();
    std::string RequestAt(LPARAM lParam) const;
    void ApplyBounds();
    // A picture by file path, or by URL once its download into the user data folder is done.
    Gdiplus::Bitmap* Picture(const std::string& pathOrURL);
    void Download(const std::string& url, const std::string& file);
    // The scene's font for the text (in an East Asian family where the scene's lacks its
    // glyphs), made once per family for the player's life.
    Gdiplus::Font& Font(const TSceneFont& font, const std::string& text);

    TOverlayScene FScene;
    std::string FMovie;
    RECT FBounds{0, 0, 534, 180};
    bool FTimer = false;
    ULONGLONG FLastTick = 0;
    std::string FPressed; // the request under the left-button press
    int FRightPresses = 0, FRightReleases = 0;
    std::map<std::string, std::shared_ptr<Gdiplus::Bitmap>> FPictures; // null: could not be loaded
    std::map<std::tuple<std::wstring, double, bool>, std::unique_ptr<Gdiplus::Font>> FFonts;
    // Gone first, with the object: no download's result reaches a player that is gone.
    std::map<std::string, std::unique_ptr<TSingleDownloader>> FDownloads;
};

} // namespace maskaddr
