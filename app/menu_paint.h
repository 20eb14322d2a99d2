// Measuring and painting the owner-drawn menu items, through the window-system
// layer so every object acquired here is seen being released. Free of <windows.h>.
#pragma once

#include <cstdint>

#include "app/menu_look.h"

struct MenuItemSize {
    int32_t width;
    int32_t height;
};

// The size of the item whose data is item_data (a MENU_COMMAND_BASE identifier).
MenuItemSize MeasureMenuItem(uintptr_t item_data);

// Paints the item into the off-screen buffer, then copies it to dc at once.
void DrawMenuItem(os::DeviceContext dc, const os::Rect& item, uintptr_t item_data,
                  MenuItemState state);

// The screen-sized buffer is made on the first painting and kept until this.
void ReleaseMenuPaintBuffer();
