// The fake's side of the tray, menu and painting operations (os_tray.h,
// os_paint.h). Calls are recorded with the other operations (fake::Calls());
// besides, it keeps a ledger of every handle acquired and not yet released,
// and of what is selected into each device context, so a test can prove
// that a path gives back all it took. ResetTray() restores the defaults
// (fake::Reset() leaves this state alone).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/os_paint.h"
#include "platform/os_tray.h"

namespace fake {

struct Tray {
    // Scripted answers.
    bool shell_notify_ok = true;
    bool icon_ex_fails = false;        // CreateIconFromResourceEx returns null
    bool icon_fails = false;           // CreateIconFromResource returns null
    bool popup_fails = false;          // CreatePopupMenu returns null
    bool buffer_bitmap_fails = false;  // CreateCompatibleBitmap returns null
    // Runs inside TrackPopupMenu, while the menu is open: where a test
    // measures and paints items or picks a command, as the system would.
    std::function<void(os::MenuHandle menu)> while_tracking;
    uint32_t version =
        0x23F00206;  // what a current system tells a program without a manifest entry: 6.2
    bool menu_font_known = true;
    os::LogFontA menu_font{};  // Reset() names it "Menu Font", height -13
    int screen_width = 1024;
    int screen_height = 768;
    // Text extent for DRAW_TEXT_CALCRECT: default 7 pixels per byte, 13 high.
    std::function<os::Rect(const char* text)> text_extent;

    // What was asked of the shell, in order: the whole record of each call.
    std::vector<os::NotifyIconDataA> notifications;
    // The font selected when each DrawTextA ran.
    std::vector<os::LogFontA> fonts_drawn;

    // The ledger. Handles the fake gave out and nobody released yet, by kind
    // ("icon", "menu", "dc", "window dc", "bitmap", "brush", "font").
    std::map<uintptr_t, std::string> live;
    std::map<uintptr_t, os::LogFontA> font_of;
    // Per device context, the object of each kind selected into it.
    std::map<uintptr_t, std::map<std::string, uintptr_t>> selected;
    // Releases the system would refuse: an unknown or already released
    // handle, or an object still selected into a device context.
    std::vector<std::string> refused;
    uintptr_t next_handle = 0x100000;
};

Tray& TrayState();
void ResetTray();
// "kind 0x..." for each live handle, sorted: easy to compare and to read.
std::vector<std::string> LiveObjects();

}  // namespace fake
