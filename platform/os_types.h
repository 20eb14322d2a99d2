// Plain types shared by the logic and the window-system layer. Nothing here
// pulls in <windows.h>: pinning, the hotkey engine and the sweep build on
// Linux against the fake as well as on Windows against the real system.
#pragma once

#include <cstddef>
#include <cstdint>

// Procedures the system calls back (timer procedures, thread start routines)
// use the system's calling convention, which on 32-bit Windows is stdcall.
#if defined(_WIN32) && defined(__i386__)
#define OS_CALLBACK __attribute__((stdcall))
#else
#define OS_CALLBACK
#endif

namespace os {

using WindowHandle = void*;  // HWND; null means no window
using Handle = void*;        // kernel object: process or thread
using ModuleHandle = void*;  // HMODULE
using ProcAddress = void (*)();

struct Point {
    int32_t x;
    int32_t y;
};

// Insert-after values of SetWindowPos and its flags.
inline WindowHandle const HWND_TOPMOST = reinterpret_cast<WindowHandle>(static_cast<intptr_t>(-1));
inline WindowHandle const HWND_NOTOPMOST =
    reinterpret_cast<WindowHandle>(static_cast<intptr_t>(-2));
constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;

// The current-process pseudo handle; a real handle is never -1.
inline Handle const CURRENT_PROCESS = reinterpret_cast<Handle>(static_cast<intptr_t>(-1));

// Same shapes as the system's TIMERPROC and LPTHREAD_START_ROUTINE.
using TimerProc = void(OS_CALLBACK*)(WindowHandle window, uint32_t message, uintptr_t timer_id,
                                     uint32_t tick);
using ThreadStart = uint32_t(OS_CALLBACK*)(void* parameter);

}  // namespace os
