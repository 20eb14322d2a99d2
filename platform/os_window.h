// Window operations: pointer, window lookup, z-order, foreground, messages.
#pragma once

#include "platform/os_types.h"

namespace os {

bool GetCursorPos(Point* point);
WindowHandle WindowFromPoint(Point point);
bool SetForegroundWindow(WindowHandle window);
bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                  uint32_t flags);
bool IsWindow(WindowHandle window);

WindowHandle FindWindowA(const char* class_name, const char* title);
WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after, const char* class_name,
                           const char* title);
intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
uint32_t GetWindowThreadProcessId(WindowHandle window, uint32_t* process_id);

}  // namespace os
