// The status overlay's player window (see FlashPlayer.h).
#include "ui/win32/FlashPlayer.h"

#include "ui/win32/AccessibleObject.h"
#include "ui/win32/Win32Form.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/IniText.h"
#include "platform/Platform.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Picture.h"
#include "platform/win32/WinText.h"

#include <algorithm>
#include <map>
#include <vector>

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace maskaddr {

namespace {

constexpr wchar_t kClassName[] = L"TFlashPlayer";
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kFrameMs = 16; // about 60 frames per second while something moves
constexpr std::string_view kTag = "FlashPlayer";

Gdiplus::Color ToColor(uint32_t rgb, double opacity) {
    const auto a = static_cast<BYTE>(std::clamp(opacity, 0.0, 1.0) * 255 + 0.5);
    return Gdiplus::Color(a, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

Gdiplus::RectF ToRectF(const TSceneRect& r) {
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.X), static_cast<Gdiplus::REAL>(r.Y),
                          static_cast<Gdiplus::REAL>(r.W), static_cast<Gdiplus::REAL>(r.H));
}

void RoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, Gdiplus::REAL radius) {
    const Gdiplus::REAL d = std::min({radius * 2, r.Width, r.Height});
    if (d <= 0) {
        path.AddRectangle(r);
        return;
    }
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

// The first installed family of the scene's face and some common ones: GDI+ draws
// nothing with a family the system does not have (Wine often lacks Tahoma).
std::wstring InstalledFamily(const std::string& face) {
    static std::map<std::string, std::wstring> resolved;
    auto it = resolved.find(face);
    if (it != resolved.end()) return it->second;
    std::wstring found;
    for (const std::wstring& name : {ToWide(face), std::wstring(L"Tahoma"), std::wstring(L"Segoe UI"),
                                     std::wstring(L"Arial"), std::wstring(L"DejaVu Sans")}) {
        Gdiplus::FontFamily family(name.c_str());
        if (family.IsAvailable()) {
            found = name;
            break;
        }
    }
    if (found.empty()) {
        wchar_t name[LF_FACESIZE] = {};
        Gdiplus::FontFamily::GenericSansSerif()->GetFamilyName(name);
        found = name;
        DebugTrace::Trace(kTag, "No font of the scene installed; using " + ToUtf8(found));
    }
    return resolved[face] = found;
}

// Whether the family has a glyph for every character of the text.
bool FamilyHasGlyphs(const std::wstring& family, const std::wstring& text) {
    const TWindowDC screen(nullptr);
    TGdiFont font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                              family.c_str()));
    const HGDIOBJ previous = SelectObject(screen.Get(), font.Get());
    std::vector<WORD> glyphs(text.size());
    const DWORD mapped = GetGlyphIndicesW(screen.Get(), text.c_str(), static_cast<int>(text.size()),
                                          glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen.Get(), previous);
    return mapped != GDI_ERROR && std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

// The family to draw the text with: the scene's, unless it lacks glyphs of the text (a
// Japanese or Korean status line) and an installed East Asian interface family has them.
// GDI+ shows missing glyphs as boxes where the system does not link fonts for it.
std::wstring FamilyForText(const std::string& face, const std::wstring& text) {
    static std::map<std::wstring, std::wstring> chosen; // by family and text
    const std::wstring family = InstalledFamily(face);
    if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x0370; })) return family;
    const std::wstring key = family + L"\n" + text;
    auto it = chosen.find(key);
    if (it != chosen.end()) return it->second;
    std::wstring found = family;
    if (!FamilyHasGlyphs(family, text))
        for (const wchar_t* candidate : {L"Meiryo UI", L"Yu Gothic UI", L"Malgun Gothic",
                                         L"Microsoft YaHei UI", L"MS UI Gothic", L"Gulim", L"SimSun"})
            if (Gdiplus::FontFamily(candidate).IsAvailable() && FamilyHasGlyphs(candidate, text)) {
                found = candidate;
                break;
            }
    if (chosen.size() > 256) chosen.clear(); // status lines change; the cache stays small
    return chosen[key] = found;
}

// Font sizes are points on a 96-dpi scene; the DPI scale is applied by the transform.
std::unique_ptr<Gdiplus::Font> MakeFont(const TSceneFont& f, const std::wstring& family) {
    const auto pixels = static_cast<Gdiplus::REAL>(std::max(1.0, f.Size * 96.0 / 72.0));
    return std::make_unique<Gdiplus::Font>(family.c_str(), pixels,
                                           f.Bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular,
                                           Gdiplus::UnitPixel);
}

void DrawText(Gdiplus::Graphics& g, const std::string& text, Gdiplus::Font& font, uint32_t color,
              double opacity, const Gdiplus::RectF& where, Gdiplus::StringAlignment align) {
    if (text.empty() || opacity <= 0) return;
    Gdiplus::SolidBrush brush(ToColor(color, opacity));
    Gdiplus::StringFormat format;
    format.SetAlignment(align);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    const std::wstring w = ToWide(text);
    g.DrawString(w.c_str(), static_cast<INT>(w.size()), &font, where, &format, &brush);
}

void DrawPicture(Gdiplus::Graphics& g, Gdiplus::Bitmap& picture, const Gdiplus::RectF& where,
                 double opacity) {
    if (opacity <= 0) return;
    Gdiplus::ImageAttributes attributes;
    Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0},
                               {0, 1, 0, 0, 0},
                               {0, 0, 1, 0, 0},
                               {0, 0, 0, static_cast<Gdiplus::REAL>(std::min(opacity, 1.0)), 0},
                               {0, 0, 0, 0, 1}}};
    attributes.SetColorMatrix(&m);
    g.DrawImage(&picture, where, 0, 0, static_cast<Gdiplus::REAL>(picture.GetWidth()),
                static_cast<Gdiplus::REAL>(picture.GetHeight()), Gdiplus::UnitPixel, &attributes);
}

// The largest rectangle of the picture's proportions inside the box, centred.
Gdiplus::RectF Fit(const Gdiplus::RectF& box, Gdiplus::Bitmap& picture) {
    const double w = picture.GetWidth(), h = picture.GetHeight();
    if (w <= 0 || h <= 0) return box;
    const double s = std::min(box.Width / w, box.Height / h);
    const auto fw = static_cast<Gdiplus::REAL>(w * s), fh = static_cast<Gdiplus::REAL>(h * s);
    return Gdiplus::RectF(box.X + (box.Width - fw) / 2, box.Y + (box.Height - fh) / 2, fw, fh);
}

bool IsWebAddress(const std::string& s) {
    return SameText(s.substr(0, 7), "http://") || SameText(s.substr(0, 8), "https://");
}

// The file name a downloaded flag is kept under: the address's last path part, with
// anything but letters, digits, ".", "-" and "_" made "_".
std::string CacheName(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) name = "flag.png";
    return name;
}

} // namespace

TFlashPlayer::TFlashPlayer(HWND parent, const TPlatform& platform, TCLSettings& settings)
    : FPlatform(platform), FSettings(settings) {
    StartGdiplus();
    CreateWindowHandle({kClassName}, "", WS_CHILD | WS_VISIBLE, 0, {0, 0, 534, 180}, parent);
    // The value is read through a shared copy: a screen reader may keep the object longer
    // than the window lives.
    SetAccessibleTexts(Handle(), {}, [spoken = FSpokenValue] { return *spoken; });
}

TFlashPlayer::~TFlashPlayer() = default;

void TFlashPlayer::SetMovie(const std::string& path) {
    FMovie = path;
    auto bytes = FPlatform.Files->ReadFile(path);
    if (!bytes) {
        DebugTrace::Trace(kTag, "Scene description not readable: " + path);
        return;
    }
    TTextEncoding encoding;
    FScene.SetLayout(TSceneLayout::FromIni(TIniText::DecodeBytes(*bytes, *FPlatform.Ansi, encoding)));
    if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
}

void TFlashPlayer::SetVariable(const std::wstring& name, const std::wstring& value) {
    const std::string text = ToUtf8(value);
    if (!SameText(ToUtf8(name), "callbackvar")) {
        DebugTrace::Trace(kTag, "Unknown variable " + ToUtf8(name));
        return;
    }
    DebugTrace::Trace(kTag, "callbackvar = " + text);
    FScene.Apply(text);
    if (FScene.Animating()) StartAnimation();
    if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
    UpdateSpokenName();
}

void TFlashPlayer::SetHighContrast(std::optional<bool> on) {
    FContrastSet = on;
    if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
}

void TFlashPlayer::SetSpokenLabel(const std::wstring& label) {
    FSpokenLabel = label;
    UpdateSpokenName();
}

// For a screen reader the overlay's value is what it shows, and its name the label it was
// given (what it shows while it has none). A change (hiding, stopped, a proxy replaced) is
// announced by the value-change event, and by the name-change event when the name follows.
void TFlashPlayer::UpdateSpokenName() {
    if (Handle() == nullptr) return;
    std::wstring value = ToWide(FScene.SpokenText());
    const std::wstring name = FSpokenLabel.empty() ? value : FSpokenLabel;
    const bool valueChanged = value != *FSpokenValue, nameChanged = name != FSpokenName;
    if (!valueChanged && !nameChanged) return;
    *FSpokenValue = std::move(value);
    if (nameChanged) {
        FSpokenName = name;
        SetWindowTextW(Handle(), FSpokenName.c_str());
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
    }
    if (valueChanged) NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
    if (OnSpokenChange) OnSpokenChange();
}

void TFlashPlayer::StartAnimation() {
    if (FTimer || Handle() == nullptr) return;
    FLastTick = GetTickCount64();
    FTimer = StartTimer(kAnimationTimer, kFrameMs, "the overlay's animation");
    if (!FTimer) FScene.Advance(1e9); // no timer: show the end state at once
}

void TFlashPlayer::Tick() {
    const ULONGLONG now = GetTickCount64();
    FScene.Advance(static_cast<double>(now - FLastTick));
    FLastTick = now;
    if (!FScene.Animating()) {
        KillTimer(Handle(), kAnimationTimer);
        FTimer = false;
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

double TFlashPlayer::DpiScale() const {
    const UINT dpi = Handle() != nullptr ? GetDpiForWindow(Handle()) : 0;
    return dpi == 0 ? 1.0 : dpi / 96.0;
}

void TFlashPlayer::SetBounds(int left, int top, int width, int height) {
    FBounds = {left, top, left + width, top + height};
    ApplyBounds();
}

void TFlashPlayer::ApplyBounds() {
    if (Handle() == nullptr) return;
    const double s = DpiScale();
    auto px = [s](LONG v) { return static_cast<int>(v * s + 0.5); };
    SetWindowPos(Handle(), nullptr, px(FBounds.left), px(FBounds.top), px(FBounds.right - FBounds.left),
                 px(FBounds.bottom - FBounds.top), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, FALSE);
}

POINT TFlashPlayer::ClientPoint(double x, double y) const {
    const double s = DpiScale();
    return POINT{static_cast<LONG>(x * s + 0.5), static_cast<LONG>(y * s + 0.5)};
}

std::string TFlashPlayer::RequestAt(LPARAM lParam) const {
    const double s = DpiScale();
    const double x = static_cast<short>(LOWORD(lParam)) / s, y = static_cast<short>(HIWORD(lParam)) / s;
    return FScene.HitTest(x, y);
}

LRESULT TFlashPlayer::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (HandlePaintMessage(msg, wParam, painted))
        return painted; // the whole client area is painted from the back buffer
    switch (msg) {
    case WM_TIMER:
        if (wParam == kAnimationTimer) Tick();
        return 0;
    case WM_DPICHANGED_AFTERPARENT:
        ApplyBounds();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(Handle(), &p);
            const bool link = !RequestAt(MAKELPARAM(p.x, p.y)).empty();
            SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        FPressed = RequestAt(lParam);
        return 0;
    case WM_LBUTTONUP: {
        // A request is made when press and release fall on the same element.
        const std::string request = RequestAt(lParam);
        const bool same = !request.empty() && request == FPressed;
        FPressed.clear();
        if (same && OnFSCommand) OnFSCommand(this, L"CMD", ToWide(request));
        return 0;
    }
    case WM_RBUTTONDOWN:
        ++FRightPresses;
        return 0;
    case WM_RBUTTONUP:
        ++FRightReleases;
        return 0;
    case WM_CONTEXTMENU:
        return 0; // the scene has no context menu
    case WM_DESTROY:
        if (FTimer) KillTimer(Handle(), kAnimationTimer);
        FTimer = false;
        break;
    }
    return DefaultMessage(msg, wParam, lParam);
}

// Drawn into a bitmap of the client size, then copied in one step: no flicker.
void TFlashPlayer::PaintClient(HDC dc) {
    RECT rc;
    GetClientRect(Handle(), &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    const TMemoryDC mem(CreateCompatibleDC(dc));
    const TGdiBitmap bitmap(CreateCompatibleBitmap(dc, w, h));
    const TSelection selection(mem.Get(), bitmap.Get());
    {
        Gdiplus::Graphics g(mem.Get());
        const bool smooth = Quality != 0;
        g.SetSmoothingMode(smooth ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
        g.SetTextRenderingHint(smooth ? Gdiplus::TextRenderingHintAntiAliasGridFit
                                      : Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
        g.SetInterpolationMode(smooth ? Gdiplus::InterpolationModeHighQualityBicubic
                                      : Gdiplus::InterpolationModeNearestNeighbor);
        const auto s = static_cast<Gdiplus::REAL>(DpiScale());
        g.ScaleTransform(s, s);
        DrawScene(g);
    }
    BitBlt(dc, 0, 0, w, h, mem.Get(), 0, 0, SRCCOPY);
}

namespace {
// A system colour as 0xRRGGBB.
uint32_t SystemRgb(int index) {
    const COLORREF c = GetSysColor(index);
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
} // namespace

// With high contrast every text is the system's window text colour on the window colour; the
// pictures stay.
uint32_t TFlashPlayer::TextColor(uint32_t designed) const {
    return FHighContrast ? SystemRgb(COLOR_WINDOWTEXT) : designed;
}

void TFlashPlayer::TextGround(Gdiplus::Graphics& g, const Gdiplus::RectF& where, double opacity) const {
    if (!FHighContrast || opacity <= 0) return;
    Gdiplus::SolidBrush ground(ToColor(SystemRgb(COLOR_WINDOW), 1));
    g.FillRectangle(&ground, where);
}

void TFlashPlayer::DrawScene(Gdiplus::Graphics& g) {
    FHighContrast = FContrastSet.value_or(HighContrastOn());
    const TSceneLayout& l = FScene.Layout();
    const Gdiplus::RectF all(0, 0, static_cast<Gdiplus::REAL>(l.Width), static_cast<Gdiplus::REAL>(l.Height));
    Gdiplus::LinearGradientBrush back(Gdiplus::PointF(0, 0), Gdiplus::PointF(0, all.Height),
                                      ToColor(l.BackColor, 1), ToColor(l.BackColor2, 1));
    g.FillRectangle(&back, all);
    if (Gdiplus::Bitmap* bg = Picture(FScene.Background()))
        DrawPicture(g, *bg, all, FScene.ObjectAlpha("Background") / 100);
    if (Gdiplus::Bitmap* logo = Picture(FScene.Logo()))
        DrawPicture(g, *logo, Fit(ToRectF(l.Logo), *logo), FScene.ObjectAlpha("Logo") / 100);

    // The panel further back first, so that the front one covers it.
    const bool localBehind = FScene.TurnProgress() >= 0.5;
    DrawPanel(g, localBehind ? TSide::Local : TSide::Target);
    DrawPanel(g, localBehind ? TSide::Target : TSide::Local);

    for (int line : {1, 2}) {
        const TInfoLine& info = FScene.Info(line);
        const double alpha = FScene.ObjectAlpha(line == 1 ? "Info_Text" : "Info_Text2") / 100;
        const Gdiplus::RectF where = ToRectF(line == 1 ? l.Info1 : l.Info2);
        if (!info.Text.empty()) TextGround(g, where, alpha);
        DrawText(g, info.Text, Font(l.InfoFont, info.Text), TextColor(info.Color), alpha, where,
                 Gdiplus::StringAlignmentNear);
    }

    const double link = FScene.ObjectAlpha("CheckIP") / 100;
    if (link > 0 && !l.CheckIPText.empty()) {
        Gdiplus::GraphicsPath path;
        RoundRect(path, ToRectF(l.CheckIP), static_cast<Gdiplus::REAL>(l.CheckIP.H / 2));
        Gdiplus::SolidBrush fill(ToColor(l.CheckIPFill, link));
        g.FillPath(&fill, &path);
        TextGround(g, ToRectF(l.CheckIP), link);
        DrawText(g, l.CheckIPText, Font(l.CheckIPFont, l.CheckIPText), TextColor(l.CheckIPFont.Color), link,
                 ToRectF(l.CheckIP), Gdiplus::StringAlignmentCenter);
    }
}

// A card with its caption, flag and (when displayed) IP, country and city, laid out on
// the front card's size and scaled to where the turn and the panel's scale put it.
void TFlashPlayer::DrawPanel(Gdiplus::Graphics& g, TSide side) {
    const TSceneLayout& l = FScene.Layout();
    const TOverlayPanel& p = FScene.Panel(side);
    const double behind = side == TSide::Local ? FScene.TurnProgress() : 1 - FScene.TurnProgress();
    const double opacity = p.Alpha / 100 * (1 - behind * (1 - l.BackDim / 100.0));
    const TSceneRect r = FScene.PanelRect(side);
    if (opacity <= 0 || r.W <= 0 || r.H <= 0 || l.Front.W <= 0 || l.Front.H <= 0) return;

    const Gdiplus::GraphicsState state = g.Save();
    g.TranslateTransform(static_cast<Gdiplus::REAL>(r.X), static_cast<Gdiplus::REAL>(r.Y));
    g.ScaleTransform(static_cast<Gdiplus::REAL>(r.W / l.Front.W),
                     static_cast<Gdiplus::REAL>(r.H / l.Front.H));
    const Gdiplus::RectF card(0, 0, static_cast<Gdiplus::REAL>(l.Front.W),
                              static_cast<Gdiplus::REAL>(l.Front.H));
    Gdiplus::GraphicsPath path;
    RoundRect(path, card, static_cast<Gdiplus::REAL>(l.PanelRadius));
    Gdiplus::SolidBrush fill(ToColor(FHighContrast ? SystemRgb(COLOR_WINDOW) : l.PanelColor, opacity));
    g.FillPath(&fill, &path);
    Gdiplus::Pen border(ToColor(l.PanelBorder, opacity), 1.5f);
    g.DrawPath(&border, &path);

    const auto width = static_cast<Gdiplus::REAL>(l.Front.W);
    const auto lh = static_cast<Gdiplus::REAL>(l.LineHeight);
    const auto tx = static_cast<Gdiplus::REAL>(l.TextX), ty = static_cast<Gdiplus::REAL>(l.TextY);
    const std::string& caption = side == TSide::Local ? l.LocalCaption : l.TargetCaption;
    DrawText(g, caption, Font(l.CaptionFont, caption), TextColor(l.CaptionFont.Color), opacity,
             Gdiplus::RectF(static_cast<Gdiplus::REAL>(l.Flag.X), ty, width - 2 * tx / 3, lh),
             Gdiplus::StringAlignmentNear);

    const Gdiplus::RectF flagBox = ToRectF(l.Flag);
    if (Gdiplus::Bitmap* flag = Picture(p.Flag)) {
        DrawPicture(g, *flag, Fit(flagBox, *flag), opacity);
    } else {
        Gdiplus::SolidBrush empty(ToColor(0xD5DEE8, opacity));
        g.FillRectangle(&empty, flagBox);
    }
    if (!p.Display) {
        g.Restore(state);
        return;
    }
    const Gdiplus::REAL textWidth = width - tx - 8;
    DrawText(g, p.IP, Font(l.IPFont, p.IP), TextColor(l.IPFont.Color), opacity,
             Gdiplus::RectF(tx, ty + lh, textWidth, lh + 4), Gdiplus::StringAlignmentNear);
    DrawText(g, p.Country, Font(l.DetailFont, p.Country), TextColor(l.DetailFont.Color), opacity,
             Gdiplus::RectF(tx, ty + 2 * lh + 4, textWidth, lh), Gdiplus::StringAlignmentNear);
    DrawText(g, p.City, Font(l.DetailFont, p.City), TextColor(l.DetailFont.Color), opacity,
             Gdiplus::RectF(tx, ty + 3 * lh + 4, textWidth, lh), Gdiplus::StringAlignmentNear);
    g.Restore(state);
}

Gdiplus::Font& TFlashPlayer::Font(const TSceneFont& font, const std::string& text) {
    const std::wstring family = FamilyForText(font.Face, ToWide(text));
    std::unique_ptr<Gdiplus::Font>& made = FFonts[{family, font.Size, font.Bold}];
    if (made == nullptr) made = MakeFont(font, family);
    return *made;
}

Gdiplus::Bitmap* TFlashPlayer::Picture(const std::string& pathOrURL) {
    if (pathOrURL.empty()) return nullptr;
    auto it = FPictures.find(pathOrURL);
    if (it != FPictures.end()) return it->second.get();
    std::string file = pathOrURL;
    if (IsWebAddress(pathOrURL)) {
        file = FSettings.UserDataPath() + "flags\\" + CacheName(pathOrURL);
        if (!FPlatform.Files->FileExists(file)) {
            Download(pathOrURL, file);
            return nullptr; // shown once the download is done
        }
    }
    std::shared_ptr<Gdiplus::Bitmap> picture = LoadGdiplusBitmap(file);
    if (picture == nullptr) DebugTrace::Trace(kTag, "Picture not loaded: " + file);
    return (FPictures[pathOrURL] = std::move(picture)).get();
}

void TFlashPlayer::Download(const std::string& url, const std::string& file) {
    if (FDownloads.count(url) != 0) return; // running, or failed once this run
    FPlatform.Files->CreateFolders(FSettings.UserDataPath() + "flags");
    auto downloader = std::make_unique<TSingleDownloader>(nullptr, FPlatform);
    downloader->URL = url;
    downloader->FileName = file;
    downloader->BinaryData = true;
    downloader->MaxBytes = 1024 * 1024; // a flag is a small picture
    downloader->OnDoneFile = [this, url](TSingleDownloader*, const std::string&, int64_t) {
        FPictures.erase(url); // load the file at the next paint
        InvalidateRect(Handle(), nullptr, FALSE);
    };
    downloader->OnError = [this, url](TSingleDownloader*) {
        DebugTrace::Trace(kTag, "Flag download failed: " + url);
        FPictures[url] = nullptr;
    };
    downloader->GetFile();
    FDownloads[url] = std::move(downloader);
}

} // namespace maskaddr
