// The owner-drawn tray menu's look: colours, fonts and geometry, as plain
// rules free of <windows.h>. The painting (menu_paint) applies them.
#pragma once

#include <cstdint>

#include "platform/os_paint.h"

constexpr os::ColorRef MENU_TEXT_BACKGROUND = os::Rgb(0xF9, 0xF8, 0xF7);
constexpr os::ColorRef MENU_ICON_COLUMN_LEFT = os::Rgb(0xE3, 0xEF, 0xFF);
constexpr os::ColorRef MENU_ICON_COLUMN_RIGHT = os::Rgb(0x88, 0xAE, 0xE4);
constexpr os::ColorRef MENU_HIGHLIGHT_FILL = os::Rgb(0xFF, 0xEE, 0xC2);
constexpr uint8_t MENU_HIGHLIGHT_OPACITY = 220;
constexpr os::ColorRef MENU_HIGHLIGHT_OUTLINE = os::Rgb(0x00, 0x00, 0x80);
constexpr os::ColorRef MENU_CAPTION = os::Rgb(0x00, 0x00, 0x00);
constexpr os::ColorRef MENU_CAPTION_DISABLED = os::Rgb(0x8D, 0x8D, 0x8D);
constexpr os::ColorRef MENU_SHADOW_NEAR = os::Rgb(0xCC, 0xBE, 0x9B);
constexpr os::ColorRef MENU_SHADOW_FAR = os::Rgb(0xD6, 0xCB, 0xAF);

constexpr int32_t MENU_ICON_COLUMN_WIDTH = 22;
constexpr int32_t MENU_CAPTION_LEFT = 27;   // from the item's left edge
constexpr int32_t MENU_CAPTION_RIGHT = 16;  // kept free at the item's right edge
constexpr int32_t MENU_ICON_LEFT = 3;
constexpr int32_t MENU_IMAGE_SIZE = 16;
constexpr int32_t MENU_ITEM_PADDING = 8;  // added to the height

// Item data of the items the host window measures and paints.
constexpr uintptr_t MENU_ITEM_DATA_FIRST = 20000;
constexpr uintptr_t MENU_ITEM_DATA_LAST = 21000;
constexpr uint32_t OWNER_DRAWN_MENU = 1;  // ODT_MENU
bool IsMenuLookItem(uint32_t control_type, uintptr_t item_data);

// Windows NT 4.0 to 5.2, from the GetVersion word.
bool ReportsClassicNt(uint32_t version);
// The stored caption font.
os::LogFontA StoredCaptionFont();
// The stored font on NT 4.0 to 5.2; elsewhere the system's menu font, or the
// stored one when the system does not give its menu font.
os::LogFontA CaptionFont(uint32_t version, bool menu_font_known, const os::LogFontA& menu_font);

int32_t MenuItemWidth(int32_t widest_caption, bool classic_nt);
int32_t MenuItemHeight(int32_t caption_height);

struct MenuItemState {
    bool selected;
    bool disabled;
    bool checked;
};
bool DrawsHighlight(MenuItemState state);

// One drawing of the item image: the image itself, or its silhouette in a
// shadow colour. Drawn in order.
struct IconStep {
    int32_t x;
    int32_t y;
    bool shadow;
    os::ColorRef colour;  // for a shadow step
};
struct IconSteps {
    int32_t count;
    IconStep steps[3];
};
IconSteps MenuIconSteps(const os::Rect& item, MenuItemState state);

// Which of the two item images an entry shows, or -1.
int32_t MenuImageForEntry(int32_t position);

constexpr int32_t MENU_IMAGE_BYTES = MENU_IMAGE_SIZE * MENU_IMAGE_SIZE * 4;
// Every pixel the image shows (alpha above 0) becomes an opaque pixel of the
// colour; the rest stays clear. Premultiplied BGRA in and out.
void ShadowImage(const uint8_t* image, os::ColorRef colour, uint8_t* shadow);
