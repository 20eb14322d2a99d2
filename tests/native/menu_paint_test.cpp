// Measuring and painting the owner-drawn items against the fake: the calls
// that set the look, and the ledger proving each path gives back every
// popup, context, bitmap, brush, font and selection it took.
#include <gtest/gtest.h>

#include <cstring>

#include "app/menu_paint.h"
#include "app/texts.h"
#include "app/tray_menu.h"
#include "tests/native/fake_tray_fixture.h"

namespace {

using fake::Arg;
using fake::Call;

os::DeviceContext const MENU_DC = reinterpret_cast<os::DeviceContext>(0x9000);
os::WindowHandle const HOST = reinterpret_cast<os::WindowHandle>(0x4242);

class MenuPaint : public FakeTrayTest {
protected:
    void TearDown() override {
        ReleaseMenuPaintBuffer();
        FakeTrayTest::TearDown();
    }
};

TEST_F(MenuPaint, ItemsAreAsWideAsTheWidestCaptionPlus27AndAtLeast24High) {
    // The fake's text is 7 pixels a byte: 关闭当前置顶 12 bytes, 退出程序 8.
    MenuItemSize const unpin = MeasureMenuItem(20001);
    MenuItemSize const quit = MeasureMenuItem(20002);
    EXPECT_EQ(unpin.width, 12 * 7 + 27);
    EXPECT_EQ(quit.width, unpin.width) << "the widest caption sets every item's width";
    EXPECT_EQ(unpin.height, 24);
    EXPECT_EQ(quit.height, 24);
    EXPECT_TRUE(fake::LiveObjects().empty());
    EXPECT_TRUE(fake::TrayState().refused.empty());
}

TEST_F(MenuPaint, TallCaptionsSetTheHeight) {
    fake::TrayState().text_extent = [](const char* text) {
        return os::Rect{0, 0, static_cast<int32_t>(std::strlen(text)) * 9, 21};
    };
    MenuItemSize const size = MeasureMenuItem(20002);
    EXPECT_EQ(size.width, 12 * 9 + 27);
    EXPECT_EQ(size.height, 29);
}

TEST_F(MenuPaint, OnNt4To52TheStoredFontAndFourMorePixels) {
    fake::TrayState().version = 0x0105;
    EXPECT_EQ(MeasureMenuItem(20001).width, 12 * 7 + 31);
    ASSERT_FALSE(fake::TrayState().fonts_drawn.empty());
    for (const os::LogFontA& font : fake::TrayState().fonts_drawn)
        EXPECT_STREQ(font.lfFaceName, "Microsoft YaHei UI");
    EXPECT_TRUE(Named("GetMenuFont").empty());
}

TEST_F(MenuPaint, OnCurrentSystemsCaptionsAreMeasuredAndDrawnInTheMenuFont) {
    MeasureMenuItem(20001);
    DrawMenuItem(MENU_DC, os::Rect{0, 0, 111, 24}, 20001, {false, false, false});
    ASSERT_EQ(fake::TrayState().fonts_drawn.size(), 3u) << "two captions measured, one drawn";
    for (const os::LogFontA& font : fake::TrayState().fonts_drawn) {
        EXPECT_STREQ(font.lfFaceName, "Menu Font");
        EXPECT_EQ(font.lfHeight, -13);
    }
}

TEST_F(MenuPaint, TheRootIsMeasuredByItsOwnCaption) {
    EXPECT_EQ(MeasureMenuItem(20000).width, 4 * 7 + 27);
}

// The drawing calls that carry the look.
std::vector<Call> LookCalls() {
    return fake::CallsNamed({"FillRect", "GradientFillH", "FrameRect", "AlphaBlend", "DrawTextA",
                             "BitBlt", "CreateSolidBrush", "SetTextColor"});
}

// The buffer's context: the first selection of a painting is its bitmap into it.
uintptr_t BufferDc() {
    std::vector<Call> const selections = Named("SelectObject");
    return selections.empty() ? 0 : selections[0].args[0];
}

TEST_F(MenuPaint, APlainItemIsBackgroundGradientCaptionAndIconThenOneCopy) {
    os::Rect const item{2, 26, 113, 50};
    DrawMenuItem(MENU_DC, item, 20001, {false, false, false});
    uintptr_t const buffer = BufferDc();
    ASSERT_NE(buffer, 0u);
    std::vector<Call> const calls = LookCalls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0], (Call{"CreateSolidBrush", {0xF7F8F9}, ""}));
    EXPECT_EQ(calls[1].name, "FillRect");
    EXPECT_EQ(calls[1].args, (std::vector<uintptr_t>{buffer, 24, 26, 113, 50, calls[1].args[5]}));
    EXPECT_EQ(calls[2], (Call{"GradientFillH", {buffer, 2, 26, 24, 50, 0xFFEFE3, 0xE4AE88}, ""}));
    EXPECT_EQ(calls[3], (Call{"SetTextColor", {buffer, 0x000000}, ""}));
    EXPECT_EQ(calls[4], (Call{"DrawTextA", {buffer, 29, 26, 97, 50, 0x24}, TEXT_MENU_UNPIN}));
    EXPECT_EQ(calls[5].name, "AlphaBlend");
    std::vector<uintptr_t> icon = calls[5].args;
    icon[5] = 0;  // the image's own context
    EXPECT_EQ(icon, (std::vector<uintptr_t>{buffer, 5, 30, 16, 16, 0, 0, 0, 16, 16, 255, 1}));
    EXPECT_EQ(calls[6].name, "BitBlt");
    EXPECT_EQ(calls[6].args, (std::vector<uintptr_t>{Arg(MENU_DC), 2, 26, 111, 24, buffer, 2, 26}));
}

TEST_F(MenuPaint, TheSelectedItemIsBlendedOutlinedAndItsIconRaised) {
    os::Rect const item{2, 2, 113, 26};
    DrawMenuItem(MENU_DC, item, 20002, {true, false, false});
    uintptr_t const buffer = BufferDc();
    std::vector<Call> const blends = Named("AlphaBlend");
    ASSERT_EQ(blends.size(), 4u);
    // The fill: one pixel stretched over the whole item at 220/255, its own alpha not used.
    EXPECT_EQ(blends[0].args[0], buffer);
    EXPECT_EQ(std::vector<uintptr_t>(blends[0].args.begin() + 1, blends[0].args.begin() + 5),
              (std::vector<uintptr_t>{2, 2, 111, 24}));
    EXPECT_EQ(std::vector<uintptr_t>(blends[0].args.begin() + 8, blends[0].args.end()),
              (std::vector<uintptr_t>{1, 1, 220, 0}));
    // Far shadow, near shadow, raised image.
    struct {
        uintptr_t x, y;
    } const places[] = {{6, 7}, {5, 6}, {4, 5}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(blends[1 + i].args[1], places[i].x) << i;
        EXPECT_EQ(blends[1 + i].args[2], places[i].y) << i;
        EXPECT_EQ(blends[1 + i].args[10], 255u);
        EXPECT_EQ(blends[1 + i].args[11], 1u);
    }
    std::vector<Call> const frames = Named("FrameRect");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(std::vector<uintptr_t>(frames[0].args.begin(), frames[0].args.begin() + 5),
              (std::vector<uintptr_t>{buffer, 2, 2, 113, 26}));
    std::vector<Call> const brushes = Named("CreateSolidBrush");
    ASSERT_EQ(brushes.size(), 2u);
    EXPECT_EQ(brushes[1].args[0], 0x800000u) << "navy outline";
    EXPECT_EQ(Named("SetTextColor").at(0).args[1], 0u)
        << "the caption stays black on the highlight";
}

TEST_F(MenuPaint, ADisabledSelectionIsNeitherHighlightedNorRaisedAndGreyed) {
    DrawMenuItem(MENU_DC, os::Rect{2, 2, 113, 26}, 20002, {true, true, false});
    EXPECT_EQ(Named("AlphaBlend").size(), 1u) << "only the icon";
    EXPECT_TRUE(Named("FrameRect").empty());
    EXPECT_EQ(Named("SetTextColor").at(0).args[1], 0x8D8D8Du);
}

TEST_F(MenuPaint, TheRootHasNoImage) {
    DrawMenuItem(MENU_DC, os::Rect{0, 0, 50, 20}, 20000, {false, false, false});
    EXPECT_TRUE(Named("AlphaBlend").empty());
    EXPECT_EQ(Named("DrawTextA").at(0).text, TEXT_MENU_ROOT);
}

TEST_F(MenuPaint, OneScreenSizedBufferServesEveryItemUntilReleased) {
    for (int i = 0; i < 5; ++i)
        DrawMenuItem(MENU_DC, os::Rect{0, 0, 111, 24}, 20001, {i % 2 == 0, false, false});
    std::vector<Call> const made = Named("CreateCompatibleBitmap");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].args, (std::vector<uintptr_t>{Arg(MENU_DC), 1024, 768}));
    EXPECT_EQ(fake::LiveObjects().size(), 2u) << "the buffer's context and bitmap";
    ReleaseMenuPaintBuffer();
    EXPECT_TRUE(fake::LiveObjects().empty());
    EXPECT_TRUE(fake::TrayState().refused.empty());
}

TEST_F(MenuPaint, WithoutABufferItemsArePaintedStraightIntoTheMenu) {
    fake::TrayState().buffer_bitmap_fails = true;
    DrawMenuItem(MENU_DC, os::Rect{0, 0, 111, 24}, 20001, {true, false, false});
    EXPECT_TRUE(Named("BitBlt").empty());
    EXPECT_EQ(Named("FillRect").at(0).args[0], Arg(MENU_DC));
    EXPECT_TRUE(fake::LiveObjects().empty()) << "the context made for the buffer is given back";
    EXPECT_TRUE(fake::TrayState().refused.empty());
}

// Fifty openings of the menu, each measuring both items and painting them as
// the pointer moves over them: afterwards only the buffer is held, and the
// release at the window's end gives that back too.
TEST_F(MenuPaint, FiftyOpeningsLeakNothing) {
    fake::TrayState().while_tracking = [](os::MenuHandle) {
        MeasureMenuItem(20001);
        MeasureMenuItem(20002);
        os::Rect const top{2, 2, 113, 26}, bottom{2, 26, 113, 50};
        DrawMenuItem(MENU_DC, top, 20001, {false, false, false});
        DrawMenuItem(MENU_DC, bottom, 20002, {false, false, false});
        DrawMenuItem(MENU_DC, top, 20001, {true, false, false});
        DrawMenuItem(MENU_DC, top, 20001, {false, false, false});
        DrawMenuItem(MENU_DC, bottom, 20002, {true, false, false});
    };
    for (int opening = 0; opening < 50; ++opening) {
        ShowTrayMenu(HOST);
        ASSERT_EQ(fake::LiveObjects().size(), 2u) << "after opening " << opening + 1;
    }
    EXPECT_EQ(Named("CreatePopupMenu").size(), 50u);
    EXPECT_EQ(Named("DestroyMenu").size(), 50u);
    EXPECT_EQ(Named("CreateCompatibleBitmap").size(), 1u);
    size_t const made = Named("CreateCompatibleDC").size() + Named("GetDC").size();
    size_t const given_back = Named("DeleteDC").size() + Named("ReleaseDC").size();
    EXPECT_EQ(made, given_back + 1) << "every context but the buffer's";
    size_t const objects = Named("CreateCompatibleBitmap").size() +
                           Named("CreateImageBitmap").size() + Named("CreateSolidBrush").size() +
                           Named("CreateFontIndirectA").size();
    EXPECT_EQ(objects, Named("DeleteObject").size() + 1) << "every object but the buffer's bitmap";
    ReleaseMenuPaintBuffer();
    EXPECT_TRUE(fake::LiveObjects().empty());
    EXPECT_TRUE(fake::TrayState().refused.empty());
}

// The ledger itself must see the faults it is there for.
TEST_F(MenuPaint, TheLedgerSeesAnObjectDeletedWhileSelectedAndOneNeverReleased) {
    os::DeviceContext const dc = os::CreateCompatibleDC(MENU_DC);
    os::GdiObject const font = os::CreateFontIndirectA(&fake::TrayState().menu_font);
    os::SelectObject(dc, font);
    EXPECT_FALSE(os::DeleteObject(font));
    os::DeleteDC(dc);
    ASSERT_EQ(fake::TrayState().refused.size(), 1u);
    EXPECT_NE(fake::TrayState().refused[0].find("still selected"), std::string::npos);
    EXPECT_EQ(fake::LiveObjects().size(), 1u) << "the font outlives its context";
    EXPECT_TRUE(os::DeleteObject(font));
    EXPECT_FALSE(os::DeleteObject(font)) << "a second release is refused";
}

}  // namespace
