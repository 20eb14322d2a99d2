#include "app/menu_paint.h"

#include <cstring>

#include "app/menu_definition.h"
#include "resources/embedded_images.h"

namespace {

struct PaintBuffer {
    os::DeviceContext dc;
    os::GdiObject bitmap;
    os::GdiObject previous_bitmap;
};
PaintBuffer g_buffer{nullptr, nullptr, nullptr};

int32_t EntryOfItem(uintptr_t item_data) {
    uintptr_t const position = item_data - MENU_COMMAND_BASE;
    return item_data >= static_cast<uintptr_t>(MENU_COMMAND_BASE) && position < MENU_ENTRY_COUNT
               ? static_cast<int32_t>(position)
               : -1;
}

const char* CaptionOf(int32_t position) {
    return position < 0 ? "" : MENU_DEFINITION[position].caption;
}

os::GdiObject CreateCaptionFont() {
    uint32_t const version = os::GetVersion();
    os::LogFontA menu_font;
    std::memset(&menu_font, 0, sizeof menu_font);
    bool const known = !ReportsClassicNt(version) && os::GetMenuFont(&menu_font);
    os::LogFontA const font = CaptionFont(version, known, menu_font);
    return os::CreateFontIndirectA(&font);
}

void FillSolid(os::DeviceContext dc, const os::Rect& rect, os::ColorRef colour) {
    os::GdiObject const brush = os::CreateSolidBrush(colour);
    if (!brush) return;
    os::FillRect(dc, &rect, brush);
    os::DeleteObject(brush);
}

void FrameSolid(os::DeviceContext dc, const os::Rect& rect, os::ColorRef colour) {
    os::GdiObject const brush = os::CreateSolidBrush(colour);
    if (!brush) return;
    os::FrameRect(dc, &rect, brush);
    os::DeleteObject(brush);
}

// Blends a premultiplied image of width x height onto the destination
// rectangle, stretched when the sizes differ.
void BlendImage(os::DeviceContext target, const uint8_t* pixels, int32_t width, int32_t height,
                const os::Rect& dest, uint8_t opacity, bool source_alpha) {
    os::DeviceContext const source = os::CreateCompatibleDC(target);
    if (!source) return;
    os::GdiObject const bitmap = os::CreateImageBitmap(width, height, pixels);
    if (bitmap) {
        os::GdiObject const previous = os::SelectObject(source, bitmap);
        os::AlphaBlend(target, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
                       source, 0, 0, width, height, opacity, source_alpha);
        os::SelectObject(source, previous);
        os::DeleteObject(bitmap);
    }
    os::DeleteDC(source);
}

bool EnsurePaintBuffer(os::DeviceContext like) {
    if (g_buffer.dc) return true;
    os::DeviceContext const dc = os::CreateCompatibleDC(like);
    if (!dc) return false;
    os::GdiObject const bitmap =
        os::CreateCompatibleBitmap(like, os::GetSystemMetrics(os::METRIC_SCREEN_WIDTH),
                                   os::GetSystemMetrics(os::METRIC_SCREEN_HEIGHT));
    if (!bitmap) {
        os::DeleteDC(dc);
        return false;
    }
    g_buffer = {dc, bitmap, os::SelectObject(dc, bitmap)};
    return true;
}

void DrawCaption(os::DeviceContext target, const os::Rect& item, const char* caption,
                 bool disabled) {
    os::GdiObject const font = CreateCaptionFont();
    os::GdiObject const previous_font = font ? os::SelectObject(target, font) : nullptr;
    os::SetBkMode(target, os::BACKGROUND_TRANSPARENT);
    os::SetTextColor(target, disabled ? MENU_CAPTION_DISABLED : MENU_CAPTION);
    os::Rect text{item.left + MENU_CAPTION_LEFT, item.top, item.right - MENU_CAPTION_RIGHT,
                  item.bottom};
    os::DrawTextA(target, caption, &text,
                  os::DRAW_TEXT_LEFT | os::DRAW_TEXT_VCENTER | os::DRAW_TEXT_SINGLELINE);
    if (font) {
        os::SelectObject(target, previous_font);
        os::DeleteObject(font);
    }
}

void DrawIcon(os::DeviceContext target, const os::Rect& item, int32_t image, MenuItemState state) {
    if (image < 0) return;
    IconSteps const steps = MenuIconSteps(item, state);
    for (int32_t i = 0; i < steps.count; ++i) {
        IconStep const& step = steps.steps[i];
        uint8_t shadow[MENU_IMAGE_BYTES];
        const uint8_t* pixels = MENU_IMAGE_PIXELS[image];
        if (step.shadow) {
            ShadowImage(pixels, step.colour, shadow);
            pixels = shadow;
        }
        os::Rect const dest{step.x, step.y, step.x + MENU_IMAGE_SIZE, step.y + MENU_IMAGE_SIZE};
        BlendImage(target, pixels, MENU_IMAGE_SIZE, MENU_IMAGE_SIZE, dest, 255, true);
    }
}

}  // namespace

MenuItemSize MeasureMenuItem(uintptr_t item_data) {
    int32_t const position = EntryOfItem(item_data);
    os::DeviceContext const dc = os::GetDC(nullptr);
    os::GdiObject const font = dc ? CreateCaptionFont() : nullptr;
    os::GdiObject const previous_font = font ? os::SelectObject(dc, font) : nullptr;
    // A popup item is as wide as the popup's widest caption; the root stands alone.
    int32_t first = 1, last = MENU_ENTRY_COUNT - 1;
    if (position <= 0) first = last = position;
    int32_t widest = 0, caption_height = 0;
    if (dc) {
        for (int32_t entry = first; entry <= last; ++entry) {
            os::Rect extent{0, 0, 0, 0};
            // The extent as drawn: DrawText leaves out a mnemonic '&'.
            int32_t const height = os::DrawTextA(dc, CaptionOf(entry), &extent,
                                                 os::DRAW_TEXT_SINGLELINE | os::DRAW_TEXT_CALCRECT);
            if (extent.right - extent.left > widest) widest = extent.right - extent.left;
            if (entry == position) caption_height = height;
        }
    }
    if (font) {
        os::SelectObject(dc, previous_font);
        os::DeleteObject(font);
    }
    if (dc) os::ReleaseDC(nullptr, dc);
    return {MenuItemWidth(widest, ReportsClassicNt(os::GetVersion())),
            MenuItemHeight(caption_height)};
}

void DrawMenuItem(os::DeviceContext dc, const os::Rect& item, uintptr_t item_data,
                  MenuItemState state) {
    bool const buffered = EnsurePaintBuffer(dc);
    os::DeviceContext const target = buffered ? g_buffer.dc : dc;
    int32_t const column_right = item.left + MENU_ICON_COLUMN_WIDTH;
    FillSolid(target, os::Rect{column_right, item.top, item.right, item.bottom},
              MENU_TEXT_BACKGROUND);
    os::Rect const column{item.left, item.top, column_right, item.bottom};
    os::GradientFillH(target, &column, MENU_ICON_COLUMN_LEFT, MENU_ICON_COLUMN_RIGHT);
    if (DrawsHighlight(state)) {
        // One opaque pixel of the fill, stretched over the item at constant opacity.
        uint8_t const fill[4] = {static_cast<uint8_t>(MENU_HIGHLIGHT_FILL >> 16),
                                 static_cast<uint8_t>(MENU_HIGHLIGHT_FILL >> 8),
                                 static_cast<uint8_t>(MENU_HIGHLIGHT_FILL), 255};
        BlendImage(target, fill, 1, 1, item, MENU_HIGHLIGHT_OPACITY, false);
        FrameSolid(target, item, MENU_HIGHLIGHT_OUTLINE);
    }
    int32_t const position = EntryOfItem(item_data);
    DrawCaption(target, item, CaptionOf(position), state.disabled);
    DrawIcon(target, item, position < 0 ? -1 : MenuImageForEntry(position), state);
    if (buffered)
        os::BitBlt(dc, item.left, item.top, item.right - item.left, item.bottom - item.top, target,
                   item.left, item.top);
}

void ReleaseMenuPaintBuffer() {
    if (!g_buffer.dc) return;
    os::SelectObject(g_buffer.dc, g_buffer.previous_bitmap);
    os::DeleteObject(g_buffer.bitmap);
    os::DeleteDC(g_buffer.dc);
    g_buffer = {nullptr, nullptr, nullptr};
}
