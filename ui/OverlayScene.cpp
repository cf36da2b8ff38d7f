// The status overlay's scene description, command parser and animated state
// (see OverlayScene.h).
#include "ui/OverlayScene.h"

#include "framework/settings/IniText.h"
#include "base/Text.h"
#include "base/DebugTrace.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace maskaddr {

namespace {

constexpr std::string_view kTag = "FlashPlayer";
// The known elements that a fade may name besides the two panels.
constexpr std::string_view kObjects[] = {"logo", "background", "info_text", "info_text2", "checkip"};

std::optional<uint32_t> ParseColor(std::string_view text) {
    text = TrimView(text);
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 7) return std::nullopt;
        auto v = TryParseInt32("0x" + std::string(text.substr(1)));
        if (!v) return std::nullopt;
        return static_cast<uint32_t>(*v) & 0xFFFFFFu;
    }
    auto v = TryParseInt32(text);
    if (!v || *v < 0 || *v > 0xFFFFFF) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

std::optional<double> ParseNumber(std::string_view text) {
    auto v = TryParseInt32(TrimView(text));
    if (!v) return std::nullopt;
    return static_cast<double>(*v);
}

class TLayoutReader {
public:
    explicit TLayoutReader(std::string_view text) { FIni.ParseText(text); }
    void Number(const char* section, const char* name, double& value) {
        if (auto v = Value(section, name)) {
            if (auto n = ParseNumber(*v)) value = *n;
        }
    }
    void Number(const char* section, const char* name, int& value) {
        double d = value;
        Number(section, name, d);
        value = static_cast<int>(d);
    }
    void Color(const char* section, const char* name, uint32_t& value) {
        if (auto v = Value(section, name)) {
            if (auto c = ParseColor(*v)) value = *c;
        }
    }
    void Text(const char* section, const char* name, std::string& value) {
        if (auto v = Value(section, name)) value = *v;
    }
    void Rect(const char* section, TSceneRect& r) {
        auto v = Value(section, "Rect");
        if (!v) return;
        auto parts = SplitText(*v, ',');
        if (parts.size() != 4) return;
        double n[4];
        for (size_t i = 0; i < 4; ++i) {
            auto p = ParseNumber(parts[i]);
            if (!p) return;
            n[i] = *p;
        }
        if (n[2] < 0 || n[3] < 0) return;
        r = {n[0], n[1], n[2], n[3]};
    }
    void Font(const char* section, TSceneFont& f) {
        Text(section, "Font", f.Face);
        Number(section, "Size", f.Size);
        if (auto v = Value(section, "Bold")) f.Bold = Trim(*v) == "1" || SameText(Trim(*v), "true");
        Color(section, "Color", f.Color);
    }

private:
    std::optional<std::string> Value(const char* section, const char* name) {
        return FIni.ReadValue(section, name);
    }
    TIniText FIni;
};

// Splits a command at every ",", keeping empty fields.
std::vector<std::string> Fields(std::string_view command) {
    return SplitText(command, ',');
}

std::string Join(const std::vector<std::string>& fields, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i) {
        if (i > from) out += ",";
        out += fields[i];
    }
    return out;
}

std::optional<double> Percent(const std::string& text, double maximum) {
    auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    return std::clamp(*v, 0.0, maximum);
}

constexpr double kMaxScale = 400; // larger panels would only cover the scene

} // namespace

TSceneLayout TSceneLayout::FromIni(std::string_view text) {
    TSceneLayout l;
    TLayoutReader r(text);
    r.Number("Scene", "Width", l.Width);
    r.Number("Scene", "Height", l.Height);
    r.Color("Scene", "BackColor", l.BackColor);
    r.Color("Scene", "BackColor2", l.BackColor2);
    r.Number("Scene", "FadeMs", l.FadeMs);
    r.Number("Scene", "TurnMs", l.TurnMs);
    r.Number("Scene", "BackDim", l.BackDim);
    l.FadeMs = std::clamp(l.FadeMs, 0, 10000);
    l.TurnMs = std::clamp(l.TurnMs, 0, 10000);
    l.BackDim = std::clamp(l.BackDim, 0, 100);
    r.Rect("Front", l.Front);
    r.Rect("Back", l.Back);
    r.Color("Panel", "Color", l.PanelColor);
    r.Color("Panel", "Border", l.PanelBorder);
    r.Number("Panel", "Radius", l.PanelRadius);
    r.Rect("Flag", l.Flag);
    r.Number("Panel", "TextX", l.TextX);
    r.Number("Panel", "TextY", l.TextY);
    r.Number("Panel", "LineHeight", l.LineHeight);
    r.Font("Caption", l.CaptionFont);
    r.Font("IP", l.IPFont);
    r.Font("Detail", l.DetailFont);
    r.Text("Local", "Caption", l.LocalCaption);
    r.Text("Target", "Caption", l.TargetCaption);
    r.Rect("Info_Text", l.Info1);
    r.Rect("Info_Text2", l.Info2);
    r.Font("Info_Text", l.InfoFont);
    r.Rect("Logo", l.Logo);
    r.Rect("CheckIP", l.CheckIP);
    r.Text("CheckIP", "Text", l.CheckIPText);
    r.Font("CheckIP", l.CheckIPFont);
    r.Color("CheckIP", "Fill", l.CheckIPFill);
    return l;
}

TOverlayScene::TOverlayScene(TSceneLayout layout) : FLayout(std::move(layout)) {}

bool TOverlayScene::Ignore(std::string_view command, std::string_view why) {
    std::string shown(command.substr(0, 200));
    DebugTrace::Trace(kTag, "Ignored command (" + std::string(why) + "): " + shown);
    return false;
}

bool TOverlayScene::Apply(std::string_view command) {
    const size_t comma = command.find(',');
    if (comma == std::string_view::npos) return Ignore(command, "no field");
    const std::string_view head = command.substr(0, comma);
    const std::string_view rest = command.substr(comma + 1);
    if (SameText(head, "Local")) return ApplyPanel(TSide::Local, command);
    if (SameText(head, "Target")) return ApplyPanel(TSide::Target, command);
    if (SameText(head, "LocalA")) return ApplyPanelA(TSide::Local, command);
    if (SameText(head, "TargetA")) return ApplyPanelA(TSide::Target, command);
    if (SameText(head, "Fade")) return ApplyFade(command);
    if (SameText(head, "Info_Text")) return ApplyInfo(1, command);
    if (SameText(head, "Info_Text2")) return ApplyInfo(2, command);
    if (SameText(head, "Background")) {
        FBackground = std::string(rest);
        return true;
    }
    if (SameText(head, "Logo")) {
        FLogo = std::string(rest);
        return true;
    }
    if (SameText(head, "Turn")) {
        double to;
        if (SameText(rest, "Local"))
            to = 0;
        else if (SameText(rest, "Target"))
            to = 1;
        else
            return Ignore(command, "unknown side");
        FTurnTo = to;
        FTurnTween = {FTurn, to, 0, FLayout.TurnMs * std::abs(to - FTurn), FTurn != to};
        if (!FTurnTween.Active || FTurnTween.Duration <= 0) {
            FTurn = to;
            FTurnTween.Active = false;
        }
        return true;
    }
    return Ignore(command, "unknown command");
}

// position, display, flag, IP, country, city, alpha, scale. The country name arrives
// without commas; a city that holds commas would add fields, so alpha and scale are
// taken from the end and the city is everything between.
bool TOverlayScene::ApplyPanel(TSide side, std::string_view command) {
    auto f = Fields(command);
    if (f.size() < 8) return Ignore(command, "too few fields");
    auto alpha = Percent(f[f.size() - 2], 100);
    auto scale = Percent(f[f.size() - 1], kMaxScale);
    if (!alpha || !scale) return Ignore(command, "alpha or scale is not a number");
    TOverlayPanel& p = side == TSide::Local ? FLocal : FTarget;
    p.Display = SameText(f[1], "True");
    p.Flag = f[2];
    p.IP = f[3];
    p.Country = f[4];
    p.City = Join(f, 5, f.size() - 2);
    p.Alpha = *alpha;
    p.Scale = *scale;
    (side == TSide::Local ? FLocalFade : FTargetFade).Active = false;
    return true;
}

bool TOverlayScene::ApplyPanelA(TSide side, std::string_view command) {
    auto f = Fields(command);
    if (f.size() != 3) return Ignore(command, "expected alpha and scale");
    auto alpha = Percent(f[1], 100);
    auto scale = Percent(f[2], kMaxScale);
    if (!alpha || !scale) return Ignore(command, "alpha or scale is not a number");
    TOverlayPanel& p = side == TSide::Local ? FLocal : FTarget;
    p.Alpha = *alpha;
    p.Scale = *scale;
    (side == TSide::Local ? FLocalFade : FTargetFade).Active = false;
    return true;
}

double* TOverlayScene::AlphaOf(const std::string& lowerName, TTween*& tween) {
    if (lowerName == "local") {
        tween = &FLocalFade;
        return &FLocal.Alpha;
    }
    if (lowerName == "target") {
        tween = &FTargetFade;
        return &FTarget.Alpha;
    }
    for (std::string_view known : kObjects)
        if (lowerName == known) {
            tween = &FObjectFade[lowerName];
            return &FObjectAlpha.try_emplace(lowerName, 100.0).first->second;
        }
    return nullptr;
}

// "Fade", object, "in" or "out", maximum: in runs from the current opacity to the
// maximum, out runs down to nothing.
bool TOverlayScene::ApplyFade(std::string_view command) {
    auto f = Fields(command);
    if (f.size() != 4) return Ignore(command, "expected object, direction and maximum");
    const bool in = SameText(f[2], "in");
    if (!in && !SameText(f[2], "out")) return Ignore(command, "direction is neither in nor out");
    auto maximum = Percent(f[3], 100);
    if (!maximum) return Ignore(command, "maximum is not a number");
    TTween* tween = nullptr;
    double* alpha = AlphaOf(LowerAscii(f[1]), tween);
    if (alpha == nullptr) return Ignore(command, "unknown object");
    const double to = in ? *maximum : 0.0;
    *tween = {*alpha, to, 0, FLayout.FadeMs * std::abs(to - *alpha) / 100.0, true};
    if (tween->Duration <= 0) {
        *alpha = to;
        tween->Active = false;
    }
    return true;
}

// "Info_Text" or "Info_Text2", text, colour: the colour is the last field, so a
// status text that holds commas arrives whole.
bool TOverlayScene::ApplyInfo(int line, std::string_view command) {
    const size_t first = command.find(',');
    const size_t last = command.rfind(',');
    if (last == first) return Ignore(command, "no colour");
    auto color = ParseColor(command.substr(last + 1));
    if (!color) return Ignore(command, "colour is not a number from 0 to 16777215");
    TInfoLine& info = line == 2 ? FInfo2 : FInfo1;
    info.Text = std::string(command.substr(first + 1, last - first - 1));
    info.Color = *color;
    return true;
}

void TOverlayScene::Step(TTween& tween, double& value, double ms) {
    if (!tween.Active) return;
    tween.Elapsed += ms;
    if (tween.Elapsed >= tween.Duration) {
        value = tween.To;
        tween.Active = false;
        return;
    }
    // Ease in and out, so that starts and ends look soft.
    const double t = tween.Elapsed / tween.Duration;
    const double eased = t * t * (3 - 2 * t);
    value = tween.From + (tween.To - tween.From) * eased;
}

void TOverlayScene::Advance(double ms) {
    if (ms <= 0) return;
    Step(FLocalFade, FLocal.Alpha, ms);
    Step(FTargetFade, FTarget.Alpha, ms);
    Step(FTurnTween, FTurn, ms);
    for (auto& [name, tween] : FObjectFade)
        Step(tween, FObjectAlpha[name], ms);
}

bool TOverlayScene::Animating() const {
    if (FLocalFade.Active || FTargetFade.Active || FTurnTween.Active) return true;
    return std::any_of(FObjectFade.begin(), FObjectFade.end(), [](const auto& e) { return e.second.Active; });
}

double TOverlayScene::ObjectAlpha(std::string_view name) const {
    auto it = FObjectAlpha.find(LowerAscii(name));
    return it == FObjectAlpha.end() ? 100.0 : it->second;
}

TSceneRect TOverlayScene::PanelRect(TSide side) const {
    // The local panel sits in front at progress 0 and behind at 1; the target the other way.
    const double t = side == TSide::Local ? FTurn : 1 - FTurn;
    const TSceneRect& a = FLayout.Front;
    const TSceneRect& b = FLayout.Back;
    TSceneRect r{a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t, a.W + (b.W - a.W) * t, a.H + (b.H - a.H) * t};
    const double s = Panel(side).Scale / 100.0;
    const double cx = r.X + r.W / 2, cy = r.Y + r.H / 2;
    r.W *= s;
    r.H *= s;
    r.X = cx - r.W / 2;
    r.Y = cy - r.H / 2;
    return r;
}

std::string TOverlayScene::HitTest(double x, double y) const {
    if (ObjectAlpha("CheckIP") > 0 && FLayout.CheckIP.Contains(x, y)) return "CHECKIPINFO";
    if (ObjectAlpha("Logo") > 0 && FLayout.Logo.Contains(x, y)) return "HOMEPAGE";
    return "";
}

std::string TOverlayScene::SpokenText() const {
    std::string text;
    auto add = [&text](const std::string& part) {
        if (part.empty()) return;
        if (!text.empty()) text += ' ';
        text += part;
    };
    const TSide front = Front(), back = front == TSide::Local ? TSide::Target : TSide::Local;
    for (TSide side : {front, back}) {
        const TOverlayPanel& p = Panel(side);
        if (!p.Display) continue;
        std::string details;
        for (const std::string* part : {&p.IP, &p.Country, &p.City})
            if (!part->empty()) details += (details.empty() ? "" : ", ") + *part;
        if (!details.empty() && details.back() != '.') details += '.';
        add((side == TSide::Local ? FLayout.LocalCaption : FLayout.TargetCaption) + ": " + details);
    }
    add(FInfo1.Text);
    add(FInfo2.Text);
    return text;
}

} // namespace maskaddr
