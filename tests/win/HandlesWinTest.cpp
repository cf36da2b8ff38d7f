// The handle owners of platform/win32/Handles.h against the real system: a selection
// scope puts back the object it replaced, and an owner closes its handle exactly once,
// however it was moved, attached or detached.
#include "platform/win32/Handles.h"

#include <gtest/gtest.h>

using namespace maskaddr;

namespace {

// Moves, Attach and Detach of one kind of owner. make() opens a new handle; open(h) says
// whether h is still open. Both handles of a pair are made before either is closed, so
// the system cannot hand out a closed handle's value again in between.
template <typename TOwner, typename TMake, typename TOpen>
void ExpectClosedOnce(const char* kind, TMake make, TOpen open) {
    SCOPED_TRACE(kind);
    const auto h = make();
    ASSERT_TRUE(open(h));
    TOwner kept;
    {
        TOwner first(h);
        TOwner second(std::move(first));
        kept = std::move(second);
        EXPECT_FALSE(first.Valid() || second.Valid()) << "moved from: they hold nothing";
    }
    EXPECT_TRUE(open(h)) << "an owner that was moved from closes nothing";
    kept.Close();
    EXPECT_FALSE(open(h));

    const auto a = make(), b = make();
    TOwner owner(a);
    owner.Attach(b);
    EXPECT_FALSE(open(a)) << "Attach closes the handle held before";
    EXPECT_EQ(owner.Detach(), b);
    owner.Close();
    EXPECT_TRUE(open(b)) << "a detached handle stays open";
    { TOwner last(b); }
    EXPECT_FALSE(open(b));
}

} // namespace

TEST(HandlesWinTest, OwnersCloseTheirHandleExactlyOnce) {
    auto gdiOpen = [](HGDIOBJ h) { return GetObjectType(h) != 0; };
    ExpectClosedOnce<TGdiBrush>(
        "GDI object", [] { return CreateSolidBrush(RGB(1, 2, 3)); }, gdiOpen);
    ExpectClosedOnce<TMemoryDC>(
        "memory device context", [] { return CreateCompatibleDC(nullptr); }, gdiOpen);
    ExpectClosedOnce<TMenuHandle>(
        "menu", [] { return CreatePopupMenu(); }, [](HMENU m) { return IsMenu(m) != 0; });
    ExpectClosedOnce<THandle>(
        "kernel object", [] { return CreateEventW(nullptr, TRUE, FALSE, nullptr); },
        [](HANDLE h) {
            DWORD flags = 0;
            return GetHandleInformation(h, &flags) != 0;
        });
}

TEST(HandlesWinTest, SelectionPutsBackTheObjectItReplaced) {
    const TWindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    const TMemoryDC dc(CreateCompatibleDC(screen.Get()));
    ASSERT_TRUE(dc);
    const TGdiBitmap bitmap(CreateCompatibleBitmap(screen.Get(), 4, 4));
    const TGdiBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    const TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(4, 5, 6)));
    const TGdiFont font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                    L"Arial"));
    const struct {
        UINT Type;
        HGDIOBJ Object;
    } cases[] = {
        {OBJ_BITMAP, bitmap.Get()}, {OBJ_BRUSH, brush.Get()}, {OBJ_PEN, pen.Get()}, {OBJ_FONT, font.Get()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Type);
        ASSERT_NE(c.Object, nullptr);
        const HGDIOBJ before = GetCurrentObject(dc.Get(), c.Type);
        {
            const TSelection selection(dc.Get(), c.Object);
            EXPECT_EQ(GetCurrentObject(dc.Get(), c.Type), c.Object);
        }
        EXPECT_EQ(GetCurrentObject(dc.Get(), c.Type), before);
    }
}
