// The host window's notification-area icon: made from the embedded icon file,
// added, replaced and removed by SetTrayIcon. Free of <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os_tray.h"

constexpr uint32_t TRAY_ICON_ID = 100;
constexpr uint32_t TRAY_CALLBACK_MESSAGE = 0x8064;  // WM_TRAY_CALLBACK of the host window
constexpr uint32_t ICON_FORMAT_VERSION = 0x00030000;
constexpr size_t TRAY_TIP_MAX_BYTES = 62;

// The one image of an icon file, as the icon-making calls take it; bits is
// null when the file cannot be used.
struct IconFileImage {
    const uint8_t* bits;
    uint32_t size;
    int32_t width;
    int32_t height;
};

IconFileImage FindIconImage(const uint8_t* file, size_t size);
// Null when the file is unusable or the system refuses both ways of making it.
os::IconHandle MakeIconFromFile(const uint8_t* file, size_t size);

// At most TRAY_TIP_MAX_BYTES bytes, always terminated; null gives "".
void CopyTooltip(char (&tip)[64], const char* tooltip);

// What SetTrayIcon asks of the shell.
constexpr int32_t TRAY_ICON_LEAVE = 0;
constexpr int32_t TRAY_ICON_ADD = 1;
constexpr int32_t TRAY_ICON_MODIFY = 2;
constexpr int32_t TRAY_ICON_DELETE = 3;
int32_t TrayIconChange(bool holds_icon, bool new_icon);

// The icon handle the host window holds; null until set and after removal.
extern os::IconHandle HeldTrayIcon;

// Adds, replaces or removes the icon of window; destroys the handle it
// replaces or removes. A null icon with nothing held does nothing.
void SetTrayIcon(os::WindowHandle window, os::IconHandle icon, const char* tooltip);
