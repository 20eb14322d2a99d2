// Notification icons, icons made from icon-file bytes, and popup menus: what
// the tray icon and the tray menu run on.
#pragma once

#include "platform/os_types.h"

namespace os {

using IconHandle = void*;  // HICON
using MenuHandle = void*;  // HMENU

// The system's first NOTIFYICONDATAA layout, 88 bytes on 32-bit Windows: no
// version or balloon fields. Field names as the system spells them.
struct NotifyIconDataA {
    uint32_t cbSize;
    WindowHandle hWnd;
    uint32_t uID;
    uint32_t uFlags;
    uint32_t uCallbackMessage;
    IconHandle hIcon;
    char szTip[64];
};
constexpr uint32_t NOTIFY_ICON_DATA_SIZE = 88;
#if defined(_WIN32) && defined(__i386__)
static_assert(sizeof(NotifyIconDataA) == NOTIFY_ICON_DATA_SIZE, "the 88-byte layout");
#endif

// The system's constants go by their own names as macros in <windows.h>, which
// the window procedure includes next to this header; these names differ.
constexpr uint32_t NOTIFY_ICON_ADD = 0;                 // NIM_ADD
constexpr uint32_t NOTIFY_ICON_MODIFY = 1;              // NIM_MODIFY
constexpr uint32_t NOTIFY_ICON_DELETE = 2;              // NIM_DELETE
constexpr uint32_t NOTIFY_ICON_MESSAGE_ICON_TIP = 0x7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP

bool Shell_NotifyIconA(uint32_t message, NotifyIconDataA* data);

// An icon (not a cursor) from one image of an icon file.
IconHandle CreateIconFromResourceEx(const uint8_t* bits, uint32_t size, uint32_t version, int cx,
                                    int cy, uint32_t flags);
IconHandle CreateIconFromResource(const uint8_t* bits, uint32_t size, uint32_t version);
bool DestroyIcon(IconHandle icon);

constexpr uint32_t MENU_ITEM_OWNERDRAW = 0x0100;  // MF_OWNERDRAW
constexpr uint32_t TRACK_RIGHT_ALIGN = 0x0008;    // TPM_RIGHTALIGN
constexpr uint32_t MESSAGE_NULL = 0x0000;         // WM_NULL

MenuHandle CreatePopupMenu();
// An owner-drawn item carries item_data where a string item has its text.
bool AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, uintptr_t item_data);
// No exclusion rectangle; the choice arrives later as WM_COMMAND.
bool TrackPopupMenu(MenuHandle menu, uint32_t flags, int x, int y, WindowHandle owner);
bool DestroyMenu(MenuHandle menu);
bool PostMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

}  // namespace os
