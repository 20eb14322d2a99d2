// Notification icons, icons and popup menus on the real system.
#include "platform/os_tray.h"

#include <windows.h>

#include <shellapi.h>

#include <cstddef>

namespace os {

// The record is handed to the shell as its own structure: same offsets.
static_assert(NOTIFY_ICON_DATA_SIZE == NOTIFYICONDATAA_V1_SIZE, "");
static_assert(offsetof(NotifyIconDataA, hIcon) == offsetof(NOTIFYICONDATAA, hIcon), "");
static_assert(offsetof(NotifyIconDataA, szTip) == offsetof(NOTIFYICONDATAA, szTip), "");
static_assert(NOTIFY_ICON_ADD == NIM_ADD && NOTIFY_ICON_MODIFY == NIM_MODIFY &&
                  NOTIFY_ICON_DELETE == NIM_DELETE,
              "");
static_assert(NOTIFY_ICON_MESSAGE_ICON_TIP == (NIF_MESSAGE | NIF_ICON | NIF_TIP), "");
static_assert(MENU_ITEM_OWNERDRAW == MF_OWNERDRAW && TRACK_RIGHT_ALIGN == TPM_RIGHTALIGN &&
                  MESSAGE_NULL == WM_NULL,
              "");

bool Shell_NotifyIconA(uint32_t message, NotifyIconDataA* data) {
    return ::Shell_NotifyIconA(message, reinterpret_cast<NOTIFYICONDATAA*>(data)) != FALSE;
}

IconHandle CreateIconFromResourceEx(const uint8_t* bits, uint32_t size, uint32_t version, int cx,
                                    int cy, uint32_t flags) {
    return ::CreateIconFromResourceEx(const_cast<PBYTE>(bits), size, TRUE, version, cx, cy, flags);
}

IconHandle CreateIconFromResource(const uint8_t* bits, uint32_t size, uint32_t version) {
    return ::CreateIconFromResource(const_cast<PBYTE>(bits), size, TRUE, version);
}

bool DestroyIcon(IconHandle icon) { return ::DestroyIcon(static_cast<HICON>(icon)) != FALSE; }

MenuHandle CreatePopupMenu() { return ::CreatePopupMenu(); }

bool AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, uintptr_t item_data) {
    return ::AppendMenuA(static_cast<HMENU>(menu), flags, id,
                         reinterpret_cast<LPCSTR>(item_data)) != FALSE;
}

bool TrackPopupMenu(MenuHandle menu, uint32_t flags, int x, int y, WindowHandle owner) {
    return ::TrackPopupMenu(static_cast<HMENU>(menu), flags, x, y, 0, static_cast<HWND>(owner),
                            nullptr) != FALSE;
}

bool DestroyMenu(MenuHandle menu) { return ::DestroyMenu(static_cast<HMENU>(menu)) != FALSE; }

bool PostMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return ::PostMessageA(static_cast<HWND>(window), message, wparam, lparam) != FALSE;
}

}  // namespace os
