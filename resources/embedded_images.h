// Image files compiled into the program as bytes.
#pragma once

// The tool icon as a complete icon file: one 64 x 64, 32 bpp entry.
constexpr unsigned TOOL_ICON_FILE_SIZE = 16958;
extern const unsigned char TOOL_ICON_FILE[TOOL_ICON_FILE_SIZE];

// The tray menu's two item images, 16 x 16, 32 bpp premultiplied BGRA, rows
// top-down: 0 the power symbol, 1 a thin circle with a small cross.
constexpr unsigned MENU_IMAGE_COUNT = 2;
constexpr unsigned MENU_IMAGE_PIXEL_BYTES = 16 * 16 * 4;
extern const unsigned char MENU_IMAGE_PIXELS[MENU_IMAGE_COUNT][MENU_IMAGE_PIXEL_BYTES];
