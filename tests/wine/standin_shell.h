// A stand-in for the shell's notification area, built both as a 64-bit
// (standin64_shell.exe) and a 32-bit program (standin32_shell.exe).
//
// It registers Shell_TrayWnd > TrayNotifyWnd > SysPager > ToolbarWindow32 and
// NotifyIconOverflowWindow > ToolbarWindow32 (real comctl32 toolbars) whose
// buttons' data values point at owner records in its own memory, placed
// below 4 GiB so that a 32-bit reader reaches them. Notification-icon
// messages sent to its Shell_TrayWnd are passed on to the real taskbar.
//
//   standinNN_shell.exe REPORT_PATH READY_EVENT_NAME
// Sets the named event once everything exists. Messages to its Shell_TrayWnd:
//   STANDIN_SET_HOST (wParam: a window handle): button 6's owner becomes it
//   STANDIN_UNREADABLE_AT: answers the reserved address button 5 points at
//   STANDIN_REPORT: writes REPORT_PATH and exits with code 0:
//     tray <ids of the remaining buttons, in order>
//     overflow <ids>
//     foreign_blocks <committed 4096-byte blocks that appeared since start>
//     get_button_calls <TB_GETBUTTON requests from other processes; hostile modes only>
//     mapped_since <ids of "many" buttons given a free address that is no longer free>
//
//   standinNN_shell.exe REPORT_PATH READY_EVENT_NAME MODE
// A hostile shell instead of the ordinary one:
//   many                 the tray toolbar holds STANDIN_MANY_BUTTONS buttons of
//                        the kinds StandinManyKind gives; the overflow one is empty
//   counts               the ordinary buttons, but the tray toolbar tells other
//                        processes it has 0x7FFFFFFF and the overflow one -5
//   no_overflow_toolbar  the ordinary tray; NotifyIconOverflowWindow has no child
//   dies_in_sweep        the ordinary buttons; the process ends while answering
//                        the third TB_GETBUTTON from another process
#pragma once

#include <windows.h>

constexpr UINT STANDIN_SET_HOST = WM_APP + 1;
constexpr UINT STANDIN_REPORT = WM_APP + 2;
constexpr UINT STANDIN_UNREADABLE_AT = WM_APP + 3;  // answers button 5's record address

// Button ids and what their owners are.
constexpr int STANDIN_ALIVE_1 = 1;
constexpr int STANDIN_DEAD_1 = 2;
constexpr int STANDIN_NO_OWNER = 3;  // data value 0xFFFFFFFF
constexpr int STANDIN_ALIVE_2 = 4;
constexpr int STANDIN_UNREADABLE = 5;  // record address in reserved, uncommitted memory
constexpr int STANDIN_HOST_OWNED = 6;  // owner: the window given by STANDIN_SET_HOST
constexpr int STANDIN_DEAD_2 = 7;
constexpr int STANDIN_ABOVE_4GIB = 8;  // 64-bit only: high half 1, low half a dead record
constexpr int STANDIN_ALIVE_3 = 9;
constexpr int STANDIN_OVERFLOW_DEAD_1 = 21;
constexpr int STANDIN_OVERFLOW_ALIVE = 22;
constexpr int STANDIN_OVERFLOW_DEAD_2 = 23;
constexpr int STANDIN_OVERFLOW_NO_OWNER = 24;

constexpr int STANDIN_MANY_BUTTONS = 10000;
// What the owner of a "many" button (ids 1 to STANDIN_MANY_BUTTONS) is.
enum class StandinKind {
    DEAD,         // a record naming a destroyed window
    ALIVE,        // a record naming a live window
    NO_OWNER,     // data 0xFFFFFFFF
    UNMAPPED,     // a random address in the never-mapped lowest 64 KiB
    NO_ACCESS,    // inside a committed PAGE_NOACCESS page, never written
    GUARD_PAGE,   // inside a PAGE_GUARD page, never written
    NULL_DATA,    // data 0
    RANDOM_HIGH,  // 64-bit: a random non-zero high half over a dead record; 32-bit: 0xFFFFFFFF
};
constexpr StandinKind StandinManyKind(int id) { return static_cast<StandinKind>((id - 1) % 8); }

int RunStandinShell(int argc, char** argv);
