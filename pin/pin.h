// Pinning: making a window topmost or ordinary, and the one window the tray
// menu can un-pin.
#pragma once

#include <atomic>

#include "platform/os_types.h"

// The most recently pinned window. Hotkey workers store it while the UI
// thread may read it, so it is one atomic word: no torn value can be seen.
extern std::atomic<os::WindowHandle> LastPinnedWindow;

void PinWindow(os::WindowHandle window, bool on_top);
// The Ctrl+F8 action; runs directly or as a thread's start routine, so its
// shape is the thread start routine's. The parameter carries the hotkey id.
uint32_t OS_CALLBACK PinWindowUnderCursor(void* hotkey_id);
void UnpinLastWindow();
