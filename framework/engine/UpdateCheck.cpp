// The update check (see UpdateCheck.h).
#include "framework/engine/UpdateCheck.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

#include "UpdatePublicKey.h"

#include <algorithm>
#include <cctype>

namespace maskaddr {

namespace {
constexpr char kTag[] = "CLUpdate";
constexpr char kModify[] = "__MODIFY__.";
constexpr char kSignatureName[] = "signature=";
constexpr size_t kSignatureBytes = 64;
// What a reply may set: the pool's lists and keep-alive address, the update check's own
// schedule, and (ReplySettingName) the service's page addresses. Nothing else: a reply must
// not name a program to start, a local path, or let the next replies go unsigned.
const char* const kReplySettings[] = {"NORMAL_IPS",        "SUPER_IPS",           "SUPER_TOUCH",
                                      "Update.Days",       "Update.DelaySeconds", "Update.AutoClose",
                                      "Update.NoAutoCheck"};

// Letters, digits, "_" and (withDots) "." only: a name that cannot hide another.
bool PlainName(std::string_view name, bool withDots) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [withDots](unsigned char c) {
        return std::isalnum(c) || c == '_' || (withDots && c == '.');
    });
}

// The setting a "__MODIFY__." line may set, by its name after the prefix (blanks around it
// trimmed, any letter case): the allowed spelling, or nullopt.
std::optional<std::string> ReplySettingName(std::string_view name) {
    const std::string key = Trim(name);
    for (const char* allowed : kReplySettings)
        if (SameText(key, allowed)) return std::string(allowed);
    // "URL." and a page name; "URL.LocalFlagPath" is a path in the program's folder, no page.
    if (key.size() > 4 && SameText(key.substr(0, 4), "URL.") &&
        PlainName(std::string_view(key).substr(4), false) && !SameText(key, "URL.LocalFlagPath"))
        return "URL." + key.substr(4);
    return std::nullopt;
}

// "YYYY-MM-DDTHH:MM:SSZ" as a date-time; nullopt for any other shape or a date that cannot be.
std::optional<TDateTime> ParseIssued(std::string_view s) {
    if (s.size() != 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' ||
        s[19] != 'Z')
        return std::nullopt;
    auto number = [s](size_t at, size_t length) {
        int value = 0;
        for (char c : s.substr(at, length))
            value = std::isdigit(static_cast<unsigned char>(c)) ? value * 10 + (c - '0') : -100000;
        return value;
    };
    const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    const int hh = number(11, 2), mm = number(14, 2), ss = number(17, 2);
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    static const int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1970 || m < 1 || m > 12 || d < 1 || d > kMonthDays[m - 1] || (m == 2 && d == 29 && !leap) ||
        hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59)
        return std::nullopt;
    // Days since 1970-01-01 of a proleptic Gregorian date (the era-based civil count).
    const int yy = m <= 2 ? y - 1 : y;
    const int era = yy / 400, yoe = yy - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    constexpr double kUnixEpoch = 25569.0; // 1970-01-01 in days since 1899-12-30
    return kUnixEpoch + days + (hh * 3600 + mm * 60 + ss) / kSecondsPerDay;
}

// 1 to 19 digits; nullopt otherwise (also 0, which no service sends).
std::optional<uint64_t> ParseSerial(std::string_view s) {
    if (s.empty() || s.size() > 19 || !std::all_of(s.begin(), s.end(), [](unsigned char c) {
            return std::isdigit(c);
        }))
        return std::nullopt;
    uint64_t value = 0;
    for (char c : s) value = value * 10 + static_cast<uint64_t>(c - '0');
    return value == 0 ? std::nullopt : std::optional<uint64_t>(value);
}

uint64_t AcceptedSerial(TCLSettings& settings) {
    return ParseSerial(settings.GetSettingString("Update.Serial")).value_or(0);
}

constexpr int kMaxReplyAgeDays = 7;

// Why a signed reply is no longer the service's word: it names no issue time or serial, its
// serial is below one already accepted (a captured reply played back), or it was issued more
// than a week ago. Empty when fresh.
std::string StaleReason(IClock& clock, TCLSettings& settings, const std::string& text) {
    const TUpdateReply reply = ParseUpdateReply(text);
    const std::string issuedText = Trim(reply.Value("issued").value_or(""));
    const std::optional<TDateTime> issued = ParseIssued(issuedText);
    if (!issued) return "the reply carries no issue time";
    const std::optional<uint64_t> serial = ParseSerial(Trim(reply.Value("serial").value_or("")));
    if (!serial) return "the reply carries no serial";
    const uint64_t accepted = AcceptedSerial(settings);
    if (*serial < accepted)
        return "serial " + std::to_string(*serial) + " is older than the accepted " + std::to_string(accepted);
    if (clock.UtcNow() - *issued > kMaxReplyAgeDays)
        return "issued " + issuedText + ", more than " + std::to_string(kMaxReplyAgeDays) + " days ago";
    return {};
}

} // namespace

std::optional<std::string> TUpdateReply::Value(const std::string& name) const {
    for (const auto& [n, v] : Lines)
        if (SameText(n, name)) return v;
    return std::nullopt;
}

TUpdateReply ParseUpdateReply(const std::string& text) {
    TUpdateReply reply;
    for (const std::string& line : SplitLines(text)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) reply.Lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return reply;
}

std::optional<TSignedReply> SplitSignedReply(const std::string& bytes) {
    size_t end = bytes.size();
    if (end > 0 && bytes[end - 1] == '\n') --end;
    if (end > 0 && bytes[end - 1] == '\r') --end;
    const size_t lineBreak = end == 0 ? std::string::npos : bytes.find_last_of("\r\n", end - 1);
    const size_t start = lineBreak == std::string::npos ? 0 : lineBreak + 1;
    const std::string_view line(bytes.data() + start, end - start);
    const size_t nameLength = sizeof kSignatureName - 1;
    if (line.size() < nameLength || !SameText(line.substr(0, nameLength), kSignatureName))
        return std::nullopt;
    std::optional<std::string> signature = Base64Decode(line.substr(nameLength));
    if (!signature || signature->size() != kSignatureBytes) return std::nullopt;
    return TSignedReply{bytes.substr(0, start), std::move(*signature)};
}

std::string SignableReply(std::string reply) {
    if (!reply.empty() && reply.back() != '\n' && reply.back() != '\r') reply += "\r\n";
    return reply;
}

std::string WithSignatureLine(const std::string& signedBytes, const std::string& signature) {
    return signedBytes + kSignatureName + Base64Encode(signature) + "\r\n";
}

bool UnsignedUpdatesAllowed(TCLSettings& settings) {
    return ParseInt32Def(settings.GetOemSettingString("Update.AllowUnsigned"), 0) != 0;
}

std::optional<std::string> AcceptedUpdateText(const TPlatform& platform, TCLSettings& settings,
                                              const std::string& bytes) {
    if (UnsignedUpdatesAllowed(settings)) {
        DebugTrace::Trace(kTag, "Update signature not checked (Update.AllowUnsigned)");
        return DecodeReply(*platform.Ansi, bytes, KAnsi);
    }
    std::optional<TSignedReply> reply = SplitSignedReply(bytes);
    if (!reply) {
        DebugTrace::Trace(kTag, "Update refused : the reply has no signature line");
        return std::nullopt;
    }
    ISignatureVerifier* verifier = platform.Signatures;
    static const std::string key = Base64Decode(kUpdatePublicKey).value_or("");
    if (verifier == nullptr || !verifier->VerifyEcdsaP256(key, reply->Body, reply->Signature)) {
        DebugTrace::Trace(kTag, "Update refused : the signature does not verify");
        return std::nullopt;
    }
    std::string text = DecodeReply(*platform.Ansi, reply->Body, KAnsi);
    if (const std::string stale = StaleReason(*platform.Clock, settings, text); !stale.empty()) {
        DebugTrace::Trace(kTag, "Update refused : " + stale);
        return std::nullopt;
    }
    return text;
}

void RecordReplySerial(TCLSettings& settings, const TUpdateReply& reply) {
    const std::optional<uint64_t> serial = ParseSerial(Trim(reply.Value("serial").value_or("")));
    if (serial && *serial > AcceptedSerial(settings))
        settings.SetSettingstring("Update.Serial", std::to_string(*serial));
}

bool UpdateReplyAuthentic(TCLSettings& settings, const TUpdateReply& reply) {
    return SameText(reply.Value("magicword").value_or(""), settings.GetSettingString("App.MagicWord"));
}

void ApplyUpdateSettings(TCLSettings& settings, const TUpdateReply& reply) {
    for (const auto& [name, value] : reply.Lines) {
        if (SameText(name.substr(0, 7), "Banner.")) {
            const std::string key = Trim(name);
            if (PlainName(std::string_view(key).substr(7), true))
                settings.SetSettingstring(key, value);
            else
                DebugTrace::Trace(kTag, "Update refused to set " + name);
        } else if (SameText(name.substr(0, 11), kModify)) {
            if (std::optional<std::string> key = ReplySettingName(std::string_view(name).substr(11)))
                settings.SetSettingstring(*key, value);
            else
                DebugTrace::Trace(kTag, "Update refused to set " + name.substr(11));
        }
    }
}

int UpdateReplyResult(const TUpdateReply& reply) {
    auto v = reply.Value("Result");
    return v ? ParseInt32Def(*v, 0) : 0;
}

bool AutoUpdateDue(TCLSettings& s, TDateTime now) {
    return WholeDaysBetween(now, s.GetSettingFloat("Update.LastDate")) >= s.GetSettingInteger("Update.Days");
}

bool AutoUpdateShows(TCLSettings& s) {
    return s.GetSettingBool("Update.AutoCheck") && !s.GetSettingBool("Update.NoAutoCheck") &&
           s.RunTimes() > 0;
}

// ---- the window's logic ----

TUpdateController::TUpdateController(IUpdateEngine& engine, const TPlatform& platform, TCLSettings& settings)
    : FEngine(engine), FPlatform(platform), FSettings(settings), FDownload(nullptr, platform, "sdDownload") {
    FDownload.AcceptTypes = "*/*";
    FDownload.BinaryData = false;
    FDownload.HttpCharset = KAnsi;
    FDownload.MaxBytes = 1024 * 1024; // read whole before its signature is checked
    FDownload.OnDoneString = [this](TSingleDownloader*, const std::string& r) { sdDownloadDoneString(r); };
    FDownload.OnError = [this](TSingleDownloader*) { sdDownloadError(); };
    FDelaySeconds = std::max(5, FSettings.GetSettingInteger("Update.DelaySeconds"));
}

void TUpdateController::StartUpdate(bool AShowModal, bool AShowConnecting, bool ADoUpdate, bool AProcess,
                                    bool AAutoClose) {
    FStartTime = 0;
    FShowModal = AShowModal;
    FShowConnecting = AShowConnecting;
    FDoUpdate = ADoUpdate;
    FProcess = AProcess;
    FAutoClose = AAutoClose;
    FUpdating = true;
    std::string url = FEngine.UpdateURL();
    DebugTrace::Trace(kTag, "Update URL : " + url);
    if (AProcess) FView->ShowProcessView();
    FDownload.URL = url;
    FDownload.GetString();
    if (AShowModal)
        FView->RunModal();
    else if (AShowConnecting)
        FView->ShowModeless();
}

// A reply whose signature does not verify is no reply of the service: like a failed
// transfer it writes nothing, not even "Update.LastDate" (a forged answer must not put the
// next automatic check off), and like a rejected reply a visible window reports it.
void TUpdateController::sdDownloadDoneString(const std::string& strResult) {
    DebugTrace::Trace(kTag, "Update Net : " + strResult);
    std::optional<std::string> text = AcceptedUpdateText(FPlatform, FSettings, FDownload.ReplyBytes());
    TCLSettings& settings = FSettings;
    if (text) settings.SetSettingFloat("Update.LastDate", FPlatform.Clock->Now());
    if (!FUpdating) return;
    bool showResult = false;
    TUpdateReply reply = ParseUpdateReply(text.value_or(""));
    bool accepted = text && UpdateReplyAuthentic(settings, reply);
    if (accepted) {
        settings.BeginUpdate(); // one save for all the lines
        ApplyUpdateSettings(settings, reply);
        RecordReplySerial(settings, reply);
        settings.EndUpdate();
        settings.UpdateSettingINI();
        settings.SetSettingInteger("Update.Times", settings.GetSettingInteger("Update.Times") + 1);
        FEngine.UpdateAccepted();
        if (FDoUpdate) {
            int result = UpdateReplyResult(reply);
            if (result == 0 && FView->IsVisible()) {
                FInfo = Lib("Update.LastVersionAlready");
                FURL.clear();
                showResult = true;
            } else if (result == 1) {
                FInfo = reply.Value("info").value_or("");
                FURL = reply.Value("page").value_or("");
                showResult = true;
            }
        }
    }
    FUpdating = false;
    if (!accepted && FView->IsVisible()) {
        FInfo = Lib("Update.NetError");
        FURL.clear();
        showResult = true;
    }
    if (showResult)
        FView->PostShowResult();
    else
        FView->CloseWindow();
}

void TUpdateController::sdDownloadError() {
    FUpdating = false;
    DebugTrace::Trace(kTag, "Update Net Error !");
    if (FDoUpdate && FView->IsVisible()) {
        FInfo = Lib("Update.NetError");
        FURL.clear();
        FView->PostShowResult();
    } else {
        FView->CloseWindow();
    }
}

void TUpdateController::ShowResult() {
    FView->ShowResultView(FInfo, !FURL.empty());
    if (FAutoClose) StartAutoClose();
}

void TUpdateController::StartAutoClose() {
    FView->SetTimerEnabled(true);
}

void TUpdateController::tmrTimerTimer() {
    TDateTime now = FPlatform.Clock->Now();
    if (FStartTime == 0) FStartTime = now;
    int64_t elapsed = WholeSecondsBetween(FStartTime, now);
    FView->SetTimerLabel(FormatBraces(Lib("lblTimer.Caption"), {std::to_string(FDelaySeconds - elapsed)}));
    if (elapsed >= FDelaySeconds) {
        FView->SetTimerEnabled(false);
        FView->CloseWindow();
    }
}

void TUpdateController::SaveAutoCheck() {
    if (!FSettings.GetSettingBool("Update.NoAutoCheck"))
        FSettings.SetSettingBool("Update.AutoCheck", FView->AutoCheckChecked());
}

void TUpdateController::btnOKClick() {
    SaveAutoCheck();
    if (!FURL.empty()) FEngine.ShowPageByURL(FURL);
    FView->CloseWindow();
}

void TUpdateController::btnOK2Click() {
    FDownload.Abort();
    SaveAutoCheck();
    FView->CloseWindow();
}

void TUpdateController::btnCancelClick() {
    FView->CloseWindow();
}

void TUpdateController::Escape() {
    FDownload.Abort();
    FView->CloseWindow();
}

} // namespace maskaddr
