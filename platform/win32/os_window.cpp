// Window operations on the real system.
#include "platform/os_window.h"

#include <windows.h>

namespace os {

static HWND AsHwnd(WindowHandle window) { return static_cast<HWND>(window); }

bool GetCursorPos(Point* point) {
    POINT p{point->x, point->y};
    bool const ok = ::GetCursorPos(&p) != FALSE;
    if (ok) {
        point->x = p.x;
        point->y = p.y;
    }
    return ok;
}

WindowHandle WindowFromPoint(Point point) { return ::WindowFromPoint(POINT{point.x, point.y}); }

bool SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(AsHwnd(window)) != FALSE;
}

bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                  uint32_t flags) {
    return ::SetWindowPos(AsHwnd(window), AsHwnd(insert_after), x, y, cx, cy, flags) != FALSE;
}

bool IsWindow(WindowHandle window) { return ::IsWindow(AsHwnd(window)) != FALSE; }

WindowHandle FindWindowA(const char* class_name, const char* title) {
    return ::FindWindowA(class_name, title);
}

WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after, const char* class_name,
                           const char* title) {
    return ::FindWindowExA(AsHwnd(parent), AsHwnd(child_after), class_name, title);
}

intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return ::SendMessageA(AsHwnd(window), message, wparam, lparam);
}

uint32_t GetWindowThreadProcessId(WindowHandle window, uint32_t* process_id) {
    DWORD pid = 0;
    DWORD const thread = ::GetWindowThreadProcessId(AsHwnd(window), &pid);
    if (process_id) *process_id = pid;
    return thread;
}

}  // namespace os
