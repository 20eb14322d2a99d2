// The single hidden window everything else hangs on.
#pragma once

#include <windows.h>

#include "app/host_close.h"

constexpr UINT WM_TRAY_CALLBACK = WM_APP + 100;     // 0x8064
constexpr UINT WM_DEFERRED_DESTROY = WM_APP + 101;  // 0x8065

constexpr int HOST_WINDOW_WIDTH = 37;
constexpr int HOST_WINDOW_HEIGHT = 27;
constexpr DWORD HOST_WINDOW_STYLE = WS_CLIPCHILDREN | WS_MINIMIZEBOX;  // 0x02020000
constexpr char HOST_WINDOW_CLASS[] = "ZenaHostWindow";

// The host window, or null before creation and after destruction.
extern HWND HostWindow;

// Creates the window hidden with its menu bar; null when that fails.
HWND CreateHostWindow(HINSTANCE instance);
