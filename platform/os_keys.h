// Keyboard state, thread timers and threads: what the hotkey engine runs on.
#pragma once

#include "platform/os_types.h"

namespace os {

int16_t GetAsyncKeyState(int virtual_key);
// A thread timer of the calling thread when window is null.
uintptr_t SetTimer(WindowHandle window, uintptr_t timer_id, uint32_t interval_ms, TimerProc proc);
// Default security and stack size, running at once.
Handle CreateThread(ThreadStart start, void* parameter);
bool CloseHandle(Handle handle);

}  // namespace os
