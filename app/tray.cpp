// The tray icon, the tray menu and the binding of the hotkey.
#include "app/notices.h"

// Before <windows.h>: their constants share names with the system's macros.
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "hotkey/hotkey_table.h"
#include "pin/pin.h"

#include "app/host_window.h"
#include "app/texts.h"
#include "app/tray_event.h"
#include "resources/embedded_images.h"

void HostWindowCreated() {
    // 1. The tray icon; when it cannot be made the tool runs without one.
    SetTrayIcon(HostWindow, MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE), TEXT_TOOLTIP);
    // 2. Ctrl+F8 pins the window under the pointer, each press on a new
    // thread; the first registration also starts the 10 ms poll.
    RegisterHotkey(PinWindowUnderCursor, 0x77 /* VK_F8 */, 2 /* Ctrl */);
}

void TrayEventHandler(int32_t tray_event) {
    // A left click or double-click does nothing.
    if (tray_event == TRAY_EVENT_MENU) ShowTrayMenu(HostWindow);
}
