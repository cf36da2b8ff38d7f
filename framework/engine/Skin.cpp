// The skin layer (see Skin.h).
#include "framework/engine/Skin.h"

#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "platform/FileSystem.h"
#include "platform/SystemText.h"

#include <zlib.h>

namespace maskaddr {

namespace {

constexpr size_t kMaxSkinText = 4u << 20;

// The built-in skin: a calm light theme that matches the system's own dialogs.
constexpr char kBuiltInSkin[] = R"([Skin]
Name=Default
[Colors]
Window=#F3F5F8
WindowText=#1E2430
Caption=#2B5797
CaptionText=#FFFFFF
Panel=#FFFFFF
PanelFrame=#B8C2D1
Button=#E4E9F0
ButtonText=#1E2430
Link=#1A5FB4
Accent=#D7263D
[Fonts]
Face=Tahoma
Size=8
)";

} // namespace

std::shared_ptr<const TSkin> TSkin::Parse(const std::string& text, const std::string& baseFolder) {
    auto skin = std::make_shared<TSkin>();
    skin->FIni.ParseText(text);
    skin->FBaseFolder = baseFolder;
    return skin;
}

std::shared_ptr<const TSkin> TSkin::BuiltIn() {
    static const std::shared_ptr<const TSkin> skin = Parse(kBuiltInSkin);
    return skin;
}

std::string TSkin::Name() const {
    return FIni.ReadString("Skin", "Name", "");
}

uint32_t TSkin::Color(const std::string& name, uint32_t def) const {
    auto v = FIni.ReadValue("Colors", name);
    if (!v || v->empty()) return def;
    std::optional<int32_t> n = (*v)[0] == '#' ? TryParseInt32("$" + v->substr(1)) : TryParseInt32(*v);
    if (!n || static_cast<uint32_t>(*n) > 0xFFFFFFu) return def;
    return static_cast<uint32_t>(*n);
}

std::string TSkin::FontFace() const {
    return FIni.ReadString("Fonts", "Face", "Tahoma");
}

int TSkin::FontSize() const {
    int size = ParseInt32Def(FIni.ReadString("Fonts", "Size", "8"), 8);
    return size >= 6 && size <= 36 ? size : 8;
}

std::string TSkin::Picture(const std::string& name) const {
    std::string file = FIni.ReadString("Pictures", name, "");
    if (file.empty() || FBaseFolder.empty() || file.find(':') != std::string::npos) return file;
    return FBaseFolder + (FBaseFolder.back() == '\\' ? "" : "\\") + file;
}

std::optional<std::string> InflateSkin(const std::string& compressed) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    char buffer[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > kMaxSkinText || (rc == Z_BUF_ERROR && z.avail_in == 0)) break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return std::nullopt;
    return out;
}

std::string DeflateSkin(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
              static_cast<uLong>(text.size()), Z_BEST_COMPRESSION);
    out.resize(size);
    return out;
}

TSkinData::TSkinData(TComponent* owner, std::string name)
    : TComponent(owner, std::move(name), "TspSkinData") {}

void TSkinData::SetStoredSkin(std::shared_ptr<const TSkin> skin) {
    FStoredSkin = std::move(skin);
    Changed();
}

bool TSkinData::LoadFromCompressedFile(IFileSystem& files, IAnsiCodec& ansi, const std::string& path) {
    auto bytes = files.ReadFile(path);
    if (!bytes) return false;
    auto text = InflateSkin(*bytes);
    if (!text) return false;
    TTextEncoding encoding;
    std::string decoded = TIniText::DecodeBytes(*text, ansi, encoding);
    auto skin = TSkin::Parse(decoded, FolderOf(path));
    if (!skin->Ini().SectionExists("Colors")) return false;
    SetStoredSkin(std::move(skin));
    return true;
}

const TSkin& TSkinData::Current() const {
    return FStoredSkin ? *FStoredSkin : *TSkin::BuiltIn();
}

void TSkinData::SetSkinnableForm(bool value) {
    if (FSkinnableForm == value) return;
    FSkinnableForm = value;
    Changed();
}

int TSkinData::AddChangeListener(std::function<void()> listener) {
    FListeners[FNextListener] = std::move(listener);
    return FNextListener++;
}

void TSkinData::RemoveChangeListener(int id) {
    FListeners.erase(id);
}

void TSkinData::Changed() {
    auto listeners = FListeners; // a listener may remove itself
    for (auto& [id, listener] : listeners)
        listener();
}

} // namespace maskaddr
