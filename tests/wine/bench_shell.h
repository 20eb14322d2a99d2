// The benchmark's stand-in shell (bench64_shell.exe): a Shell_TrayWnd >
// TrayNotifyWnd > SysPager > ToolbarWindow32 holding BUTTONS buttons, every
// other one owned by a window that is gone, and an empty overflow toolbar.
// It timestamps what the exit sweep sends its toolbars and what reaches its
// Shell_TrayWnd, so that a quit can be split into its phases.
//
//   bench64_shell.exe LOG_PATH READY_EVENT_NAME BUTTONS
// Sets the named event once everything exists. BENCH_SHELL_REPORT to its
// Shell_TrayWnd writes LOG_PATH and ends it:
//   frequency <QueryPerformanceFrequency>
//   <QueryPerformanceCounter> <count|get|delete|other|notify> <wParam>   one line per message
//   remaining <buttons left in the tray toolbar>
#pragma once

#include <windows.h>

constexpr UINT BENCH_SHELL_REPORT = WM_APP + 2;
