#include "app/tray_menu.h"

#include "app/menu_definition.h"
#include "platform/os_tray.h"
#include "platform/os_window.h"

int32_t MenuCommandPosition(uint32_t command_id) {
    uint32_t const id = command_id & 0xFFFF;
    if (id >= SYSTEM_COMMAND_FIRST) return -1;
    if (id < static_cast<uint32_t>(MENU_COMMAND_BASE)) return -1;
    uint32_t const position = id - MENU_COMMAND_BASE;
    if (position >= static_cast<uint32_t>(MENU_ENTRY_COUNT)) return -1;
    return static_cast<int32_t>(position);
}

void RunMenuCommand(uintptr_t wparam) {
    int32_t const position = MenuCommandPosition(static_cast<uint32_t>(wparam & 0xFFFF));
    if (position < 0) return;
    MenuHandler const handler = MENU_DEFINITION[position].handler;
    if (handler) handler();
}

void ShowTrayMenu(os::WindowHandle window) {
    os::MenuHandle const popup = os::CreatePopupMenu();
    if (!popup) return;
    for (int32_t position = 1; position < MENU_ENTRY_COUNT; ++position) {
        uintptr_t const id = static_cast<uintptr_t>(MENU_COMMAND_BASE + position);
        // The identifier doubles as item data: it is how the painting finds the entry.
        os::AppendMenuA(popup, os::MENU_ITEM_OWNERDRAW, id, id);
    }
    os::Point pointer{0, 0};
    os::GetCursorPos(&pointer);
    // Without the foreground the popup would not close when the user clicks elsewhere.
    os::SetForegroundWindow(window);
    os::TrackPopupMenu(popup, os::TRACK_RIGHT_ALIGN, pointer.x - TRAY_MENU_OFFSET,
                       pointer.y - TRAY_MENU_OFFSET, window);
    // The documented companion of SetForegroundWindow for notification-icon
    // menus: a message of its own ends the switch, so the next click on the
    // icon is not swallowed.
    os::PostMessageA(window, os::MESSAGE_NULL, 0, 0);
    os::DestroyMenu(popup);
}
