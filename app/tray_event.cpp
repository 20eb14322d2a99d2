#include "app/tray_event.h"

// Mouse message numbers as the system defines them; this file stays free of
// <windows.h> so the mapping is tested natively.
constexpr uint32_t MSG_CONTEXTMENU = 0x007B;
constexpr uint32_t MSG_LBUTTONUP = 0x0202;
constexpr uint32_t MSG_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t MSG_RBUTTONUP = 0x0205;

int32_t TrayEventFromMouseMessage(uint32_t mouse_message) {
    if (mouse_message == MSG_LBUTTONUP) return TRAY_EVENT_LEFT_UP;
    if (mouse_message == MSG_LBUTTONDBLCLK) return TRAY_EVENT_LEFT_DOUBLE_CLICK;
    if (mouse_message == MSG_RBUTTONUP || mouse_message == MSG_CONTEXTMENU) return TRAY_EVENT_MENU;
    return TRAY_EVENT_NONE;
}
