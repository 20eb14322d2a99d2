// Keyboard state, thread timers and threads on the real system.
#include "platform/os_keys.h"

#include <windows.h>

namespace os {

// The layer's procedure types are the system's own shapes spelled without
// <windows.h>; these checks keep the casts below honest.
static_assert(sizeof(uint32_t) == sizeof(DWORD), "DWORD is 32 bits");
static_assert(sizeof(uintptr_t) == sizeof(UINT_PTR), "UINT_PTR is pointer-sized");

int16_t GetAsyncKeyState(int virtual_key) { return ::GetAsyncKeyState(virtual_key); }

uintptr_t SetTimer(WindowHandle window, uintptr_t timer_id, uint32_t interval_ms, TimerProc proc) {
    return ::SetTimer(static_cast<HWND>(window), timer_id, interval_ms,
                      reinterpret_cast<TIMERPROC>(reinterpret_cast<void*>(proc)));
}

Handle CreateThread(ThreadStart start, void* parameter) {
    return ::CreateThread(nullptr, 0,
                          reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(start)),
                          parameter, 0, nullptr);
}

bool CloseHandle(Handle handle) { return ::CloseHandle(handle) != FALSE; }

}  // namespace os
