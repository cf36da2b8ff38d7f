// The status overlay's scene: its description (positions, fonts, colours and
// animation lengths, read from the INI document "res\maskaddr.dat"), the parser of
// the command texts the player receives, and the state they build, animated in time.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace maskaddr {

struct TSceneRect {
    double X = 0, Y = 0, W = 0, H = 0;
    bool Contains(double x, double y) const { return x >= X && y >= Y && x < X + W && y < Y + H; }
};

struct TSceneFont {
    std::string Face = "Tahoma";
    double Size = 9; // points at 96 dots per inch
    bool Bold = false;
    uint32_t Color = 0; // 0xRRGGBB
};

// The look of the scene in 96-dpi pixels; every value has a built-in default.
struct TSceneLayout {
    double Width = 534, Height = 180;
    uint32_t BackColor = 0xE8EEF6, BackColor2 = 0xC3D3E6; // gradient without a background picture
    int FadeMs = 400, TurnMs = 500;
    int BackDim = 65; // opacity in percent of the panel behind the front one
    TSceneRect Front{18, 42, 300, 96}, Back{216, 52, 300, 80};
    uint32_t PanelColor = 0xFFFFFF, PanelBorder = 0x9DB4CF;
    double PanelRadius = 10;
    TSceneRect Flag{12, 30, 48, 32}; // inside a panel
    double TextX = 72, TextY = 8, LineHeight = 19;
    TSceneFont CaptionFont{"Tahoma", 8, true, 0x4A6A8F};
    TSceneFont IPFont{"Tahoma", 12, true, 0x102030};
    TSceneFont DetailFont{"Tahoma", 9, false, 0x304050};
    std::string LocalCaption = "Your real location", TargetCaption = "How the web sees you";
    TSceneRect Info1{18, 142, 498, 18}, Info2{18, 160, 498, 18};
    TSceneFont InfoFont{"Tahoma", 9, true, 0};
    TSceneRect Logo{12, 6, 140, 32};
    TSceneRect CheckIP{396, 12, 124, 20};
    std::string CheckIPText = "Check my IP";
    uint32_t CheckIPFill = 0x2F6DB5;
    TSceneFont CheckIPFont{"Tahoma", 9, true, 0xFFFFFF};

    // Reads the scene description; missing or unreadable values keep their defaults.
    static TSceneLayout FromIni(std::string_view text);
};

enum class TSide { Local, Target };

struct TOverlayPanel {
    std::string Flag, IP, Country, City;
    bool Display = false; // whether the details (IP, country, city) are shown
    double Alpha = 0;     // percent, as currently drawn
    double Scale = 100;   // percent
};

struct TInfoLine {
    std::string Text;
    uint32_t Color = 0; // 0xRRGGBB
};

class TOverlayScene {
public:
    explicit TOverlayScene(TSceneLayout layout = {});

    // Takes one command text; false (with a trace line) when it is not understood.
    bool Apply(std::string_view command);
    // Moves every running animation on by the given time.
    void Advance(double ms);
    bool Animating() const;

    const TSceneLayout& Layout() const { return FLayout; }
    void SetLayout(const TSceneLayout& layout) { FLayout = layout; }
    const TOverlayPanel& Panel(TSide side) const { return side == TSide::Local ? FLocal : FTarget; }
    // The side the last turn brought (or is bringing) to the front.
    TSide Front() const { return FTurnTo >= 0.5 ? TSide::Target : TSide::Local; }
    // 0 while "Local" is in front, 1 while "Target" is, in between during a turn.
    double TurnProgress() const { return FTurn; }
    // The opacity in percent of a named element other than the panels ("Logo", "Background",
    // "Info_Text", "Info_Text2", "CheckIP"); 100 unless faded.
    double ObjectAlpha(std::string_view name) const;
    const TInfoLine& Info(int line) const { return line == 2 ? FInfo2 : FInfo1; }
    const std::string& Background() const { return FBackground; }
    const std::string& Logo() const { return FLogo; }

    // What a screen reader says of the scene: each panel that shows its details, the one in
    // front first ("Your real location: 5.6.7.8, Germany, Berlin."), then the status lines.
    std::string SpokenText() const;

    // Where a panel is drawn now (turn and scale applied).
    TSceneRect PanelRect(TSide side) const;
    // The request a click at this scene point makes: "CHECKIPINFO", "HOMEPAGE" or empty.
    std::string HitTest(double x, double y) const;

private:
    struct TTween {
        double From = 0, To = 0, Elapsed = 0, Duration = 0;
        bool Active = false;
    };
    bool ApplyPanel(TSide side, std::string_view command);
    bool ApplyPanelA(TSide side, std::string_view command);
    bool ApplyFade(std::string_view command);
    bool ApplyInfo(int line, std::string_view command);
    bool Ignore(std::string_view command, std::string_view why);
    double* AlphaOf(const std::string& lowerName, TTween*& tween);
    static void Step(TTween& tween, double& value, double ms);

    TSceneLayout FLayout;
    TOverlayPanel FLocal, FTarget;
    TTween FLocalFade, FTargetFade, FTurnTween;
    double FTurn = 0, FTurnTo = 0;
    std::map<std::string, double> FObjectAlpha;
    std::map<std::string, TTween> FObjectFade;
    TInfoLine FInfo1, FInfo2;
    std::string FBackground, FLogo;
};

} // namespace maskaddr
