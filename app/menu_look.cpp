#include "app/menu_look.h"

#include <cstring>

bool IsMenuLookItem(uint32_t control_type, uintptr_t item_data) {
    return control_type == OWNER_DRAWN_MENU && item_data >= MENU_ITEM_DATA_FIRST &&
           item_data <= MENU_ITEM_DATA_LAST;
}

bool ReportsClassicNt(uint32_t version) {
    if (version & 0x80000000u) return false;  // Windows 95, 98, Me
    uint32_t const major = version & 0xFF;
    uint32_t const minor = (version >> 8) & 0xFF;
    return major == 4 || (major == 5 && minor <= 2);
}

os::LogFontA StoredCaptionFont() {
    os::LogFontA font;
    std::memset(&font, 0, sizeof font);
    font.lfHeight = -12;
    font.lfWeight = 400;
    font.lfCharSet = 1;  // DEFAULT_CHARSET
    std::strcpy(font.lfFaceName, "Microsoft YaHei UI");
    return font;
}

os::LogFontA CaptionFont(uint32_t version, bool menu_font_known, const os::LogFontA& menu_font) {
    if (ReportsClassicNt(version) || !menu_font_known) return StoredCaptionFont();
    return menu_font;
}

int32_t MenuItemWidth(int32_t widest_caption, bool classic_nt) {
    return widest_caption + (classic_nt ? 31 : 27);
}

int32_t MenuItemHeight(int32_t caption_height) {
    return (caption_height > MENU_IMAGE_SIZE ? caption_height : MENU_IMAGE_SIZE) +
           MENU_ITEM_PADDING;
}

bool DrawsHighlight(MenuItemState state) { return state.selected && !state.disabled; }

IconSteps MenuIconSteps(const os::Rect& item, MenuItemState state) {
    int32_t const x = item.left + MENU_ICON_LEFT;
    int32_t const y = item.top + (item.bottom - item.top - MENU_IMAGE_SIZE) / 2;
    if (!(state.selected && !state.disabled && !state.checked)) return {1, {{x, y, false, 0}}};
    // Raised one pixel up-left; its silhouette one and two pixels down-right
    // of that, the farther step first so the nearer lies over it.
    return {3,
            {{x + 1, y + 1, true, MENU_SHADOW_FAR},
             {x, y, true, MENU_SHADOW_NEAR},
             {x - 1, y - 1, false, 0}}};
}

int32_t MenuImageForEntry(int32_t position) {
    if (position == 1) return 1;  // 关闭当前置顶: the circle with a small cross
    if (position == 2) return 0;  // 退出程序: the power symbol
    return -1;
}

void ShadowImage(const uint8_t* image, os::ColorRef colour, uint8_t* shadow) {
    for (int32_t i = 0; i < MENU_IMAGE_BYTES; i += 4) {
        bool const visible = image[i + 3] != 0;
        shadow[i + 0] = visible ? static_cast<uint8_t>(colour >> 16) : 0;  // blue
        shadow[i + 1] = visible ? static_cast<uint8_t>(colour >> 8) : 0;
        shadow[i + 2] = visible ? static_cast<uint8_t>(colour) : 0;
        shadow[i + 3] = visible ? 255 : 0;
    }
}
