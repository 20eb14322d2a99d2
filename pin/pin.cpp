// Pinning through the window-system layer.
#include "pin/pin.h"

#include "platform/os_window.h"

std::atomic<os::WindowHandle> LastPinnedWindow{nullptr};

// Only the z-order changes: no SWP_NOACTIVATE (pinning also activates) and
// no SWP_SHOWWINDOW (a hidden window stays hidden).
constexpr uint32_t PIN_FLAGS = os::SWP_NOSIZE | os::SWP_NOMOVE;

void PinWindow(os::WindowHandle window, bool on_top) {
    if (on_top) {
        os::SetForegroundWindow(window);
        os::SetWindowPos(window, os::HWND_TOPMOST, 0, 0, 0, 0, PIN_FLAGS);
    } else {
        os::SetWindowPos(window, os::HWND_NOTOPMOST, 0, 0, 0, 0, PIN_FLAGS);
    }
}

uint32_t OS_CALLBACK PinWindowUnderCursor(void* /*hotkey_id*/) {
    os::Point point{0, 0};
    os::GetCursorPos(&point);
    // Used exactly as returned: a child control under the pointer is what
    // gets pinned, and remembered for the un-pin command.
    os::WindowHandle const window = os::WindowFromPoint(point);
    LastPinnedWindow.store(window);
    PinWindow(window, true);
    return 0;
}

void UnpinLastWindow() { PinWindow(LastPinnedWindow.load(), false); }
