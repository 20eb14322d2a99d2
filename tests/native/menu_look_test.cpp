// The menu look's plain rules: which items it paints, the caption font,
// item geometry, the icon's place and its raised shadow, the images.
#include <gtest/gtest.h>

#include <cstring>

#include "app/menu_look.h"
#include "resources/embedded_images.h"

namespace {

TEST(MenuLookItem, IsAMenuItemWithDataFrom20000To21000) {
    EXPECT_FALSE(IsMenuLookItem(1, 19999));
    EXPECT_TRUE(IsMenuLookItem(1, 20000));
    EXPECT_TRUE(IsMenuLookItem(1, 20002));
    EXPECT_TRUE(IsMenuLookItem(1, 21000));
    EXPECT_FALSE(IsMenuLookItem(1, 21001));
    EXPECT_FALSE(IsMenuLookItem(4 /* ODT_BUTTON */, 20001));
    EXPECT_FALSE(IsMenuLookItem(1, 0));
}

TEST(CaptionFontRule, StoredFontOnlyOnNt4To52) {
    struct Case {
        uint32_t version;
        bool classic;
    } const cases[] = {
        {0x00000004, true} /* NT 4.0 */,
        {0x00000005, true} /* 2000 */,
        {0x00000105, true} /* XP */,
        {0x00000205, true} /* 2003 */,
        {0x00000305, false},
        {0x00000006, false} /* Vista */,
        {0x00000206, false} /* 8 and up */,
        {0x0000000A, false},
        {0x00003303, false} /* NT 3.51 */,
        {0xC0000A04, false} /* 98 */,
        {0x80000004, false} /* 95 */,
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReportsClassicNt(c.version), c.classic) << std::hex << c.version;

    os::LogFontA menu_font;
    std::memset(&menu_font, 0, sizeof menu_font);
    menu_font.lfHeight = -15;
    std::strcpy(menu_font.lfFaceName, "System Menu");
    EXPECT_STREQ(CaptionFont(0x0105, true, menu_font).lfFaceName, "Microsoft YaHei UI");
    EXPECT_STREQ(CaptionFont(0x0206, true, menu_font).lfFaceName, "System Menu");
    EXPECT_EQ(CaptionFont(0x0206, true, menu_font).lfHeight, -15);
    EXPECT_STREQ(CaptionFont(0x0206, false, menu_font).lfFaceName, "Microsoft YaHei UI")
        << "without the system's menu font, the stored one";
}

TEST(CaptionFontRule, StoredFontIsYaHeiUiMinus12Regular) {
    os::LogFontA expected;
    std::memset(&expected, 0, sizeof expected);
    expected.lfHeight = -12;
    expected.lfWeight = 400;
    expected.lfCharSet = 1;
    std::strcpy(expected.lfFaceName, "Microsoft YaHei UI");
    os::LogFontA const stored = StoredCaptionFont();
    EXPECT_EQ(std::memcmp(&stored, &expected, sizeof stored), 0);
}

TEST(ItemGeometry, WidthAndHeight) {
    EXPECT_EQ(MenuItemWidth(84, false), 111);
    EXPECT_EQ(MenuItemWidth(84, true), 115);
    EXPECT_EQ(MenuItemHeight(0), 24);
    EXPECT_EQ(MenuItemHeight(13), 24);
    EXPECT_EQ(MenuItemHeight(16), 24);
    EXPECT_EQ(MenuItemHeight(17), 25);
    EXPECT_EQ(MenuItemHeight(20), 28);
}

struct StepCase {
    const char* name;
    MenuItemState state;
    bool raised;
};

const StepCase STEP_CASES[] = {
    {"plain", {false, false, false}, false},
    {"selected", {true, false, false}, true},
    {"selected but disabled", {true, true, false}, false},
    {"selected but checked", {true, false, true}, false},
    {"disabled", {false, true, false}, false},
};

TEST(IconPlace, RaisedWithTwoShadowStepsOnlyOnTheEnabledUncheckedSelection) {
    os::Rect const item{10, 24, 121, 48};  // 24 high: the image sits 4 below the top
    for (const StepCase& c : STEP_CASES) {
        IconSteps const steps = MenuIconSteps(item, c.state);
        if (!c.raised) {
            ASSERT_EQ(steps.count, 1) << c.name;
            EXPECT_EQ(steps.steps[0].x, 13) << c.name;
            EXPECT_EQ(steps.steps[0].y, 28) << c.name;
            EXPECT_FALSE(steps.steps[0].shadow) << c.name;
            continue;
        }
        ASSERT_EQ(steps.count, 3) << c.name;
        // The farther shadow first, the nearer over it, the image on top.
        EXPECT_EQ(steps.steps[0].x, 14);
        EXPECT_EQ(steps.steps[0].y, 29);
        EXPECT_TRUE(steps.steps[0].shadow);
        EXPECT_EQ(steps.steps[0].colour, os::Rgb(0xD6, 0xCB, 0xAF));
        EXPECT_EQ(steps.steps[1].x, 13);
        EXPECT_EQ(steps.steps[1].y, 28);
        EXPECT_TRUE(steps.steps[1].shadow);
        EXPECT_EQ(steps.steps[1].colour, os::Rgb(0xCC, 0xBE, 0x9B));
        EXPECT_EQ(steps.steps[2].x, 12);
        EXPECT_EQ(steps.steps[2].y, 27);
        EXPECT_FALSE(steps.steps[2].shadow);
    }
}

TEST(IconPlace, OddSpareHeightRoundsTheOffsetDown) {
    EXPECT_EQ(MenuIconSteps(os::Rect{0, 0, 100, 25}, {false, false, false}).steps[0].y, 4);
    EXPECT_EQ(MenuIconSteps(os::Rect{0, 0, 100, 27}, {false, false, false}).steps[0].y, 5);
}

TEST(Highlight, OnlyOnAnEnabledSelection) {
    EXPECT_TRUE(DrawsHighlight({true, false, false}));
    EXPECT_TRUE(DrawsHighlight({true, false, true}));
    EXPECT_FALSE(DrawsHighlight({true, true, false}));
    EXPECT_FALSE(DrawsHighlight({false, false, false}));
}

TEST(ItemImages, UnpinShowsTheCircledCrossQuitThePowerSymbol) {
    EXPECT_EQ(MenuImageForEntry(0), -1);
    EXPECT_EQ(MenuImageForEntry(1), 1);
    EXPECT_EQ(MenuImageForEntry(2), 0);
    EXPECT_EQ(MenuImageForEntry(3), -1);
}

TEST(ItemImages, ShadowPaintsEveryVisiblePixelOpaqueInItsColour) {
    uint8_t image[MENU_IMAGE_BYTES] = {};
    image[3] = 255;        // pixel 0 opaque
    image[4 * 5 + 3] = 1;  // pixel 5 barely visible
    image[4 * 9 + 0] = 7;  // pixel 9 colour without alpha: invisible
    uint8_t shadow[MENU_IMAGE_BYTES];
    std::memset(shadow, 0x55, sizeof shadow);
    ShadowImage(image, os::Rgb(0xCC, 0xBE, 0x9B), shadow);
    for (int pixel : {0, 5}) {
        EXPECT_EQ(shadow[4 * pixel + 0], 0x9B) << pixel;  // blue first
        EXPECT_EQ(shadow[4 * pixel + 1], 0xBE) << pixel;
        EXPECT_EQ(shadow[4 * pixel + 2], 0xCC) << pixel;
        EXPECT_EQ(shadow[4 * pixel + 3], 255) << pixel;
    }
    for (int byte = 0; byte < 4; ++byte) EXPECT_EQ(shadow[4 * 9 + byte], 0);
    EXPECT_EQ(shadow[4 * 1 + 3], 0);
}

// The drawn images are what they depict: black strokes, premultiplied, with
// a clear border and the features that tell them apart.
int Alpha(int image, int x, int y) { return MENU_IMAGE_PIXELS[image][(y * 16 + x) * 4 + 3]; }

TEST(ItemImages, AreBlackPremultipliedStrokesOnAClearGround) {
    for (int image = 0; image < 2; ++image)
        for (int i = 0; i < 16 * 16; ++i) {
            const unsigned char* p = &MENU_IMAGE_PIXELS[image][i * 4];
            EXPECT_EQ(p[0] | p[1] | p[2], 0) << "image " << image << " pixel " << i;
        }
    for (int image = 0; image < 2; ++image)
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(Alpha(image, i, 0), 0);
            EXPECT_EQ(Alpha(image, 0, i), 0);
        }
}

TEST(ItemImages, PowerSymbolIsOpenAtTheTopWithAStrokeThroughTheOpening) {
    EXPECT_GT(Alpha(0, 7, 4), 200) << "the stroke";
    EXPECT_EQ(Alpha(0, 5, 2), 0) << "the opening beside the stroke";
    EXPECT_GT(Alpha(0, 2, 9), 200) << "the circle's left";
    EXPECT_GT(Alpha(0, 8, 13), 200) << "the circle's bottom";
    EXPECT_EQ(Alpha(0, 8, 11), 0) << "the stroke stops short of the centre's underside";
}

TEST(ItemImages, CircledCrossIsAThinRingWithACrossAtItsCentre) {
    EXPECT_GT(Alpha(1, 7, 7), 150) << "the cross's centre";
    EXPECT_GT(Alpha(1, 5, 5), 100) << "a cross arm";
    EXPECT_EQ(Alpha(1, 8, 4), 0) << "clear between the cross and the ring";
    EXPECT_GT(Alpha(1, 1, 8) + Alpha(1, 2, 8), 150) << "the ring's left";
    EXPECT_GT(Alpha(1, 8, 14) + Alpha(1, 8, 13), 150) << "the ring's bottom";
}

}  // namespace
