// The exit-time entry to the notification-area sweep.
#include "traysweep/sweep_dispatch.h"

#include <cstdint>

#include "app/notices.h"
#include "platform/os_window.h"
#include "traysweep/shell_probe.h"
#include "traysweep/sweep_toolbar.h"

// Shell_TrayWnd > TrayNotifyWnd > SysPager > ToolbarWindow32.
static const char* const TRAY_TOOLBAR_PATH[] = {"TrayNotifyWnd", "SysPager", "ToolbarWindow32"};

os::WindowHandle FindTrayToolbar() {
    os::WindowHandle window = os::FindWindowA("Shell_TrayWnd", nullptr);
    for (const char* child_class : TRAY_TOOLBAR_PATH) {
        if (!window) return nullptr;
        window = os::FindWindowExA(window, nullptr, child_class, nullptr);
    }
    return window;
}

os::WindowHandle FindOverflowToolbar() {
    os::WindowHandle const overflow = os::FindWindowA("NotifyIconOverflowWindow", nullptr);
    if (!overflow) return nullptr;
    return os::FindWindowExA(overflow, nullptr, "ToolbarWindow32", nullptr);
}

// Window handles are 32-bit values; one that is negative as such is not a
// toolbar this tool would touch.
static void SweepIfFound(os::WindowHandle toolbar) {
    if (static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(toolbar))) > 0)
        SweepToolbar(toolbar);
}

void SweepNotificationArea() {
    // Only the later classes can keep icons in an overflow window; where it
    // does not exist its lookup finds nothing. Unknown versions are left alone.
    if (OsClass == 6) {
        SweepIfFound(FindTrayToolbar());
    } else if (OsClass >= 7 && OsClass <= 12) {
        SweepIfFound(FindTrayToolbar());
        SweepIfFound(FindOverflowToolbar());
    }
}

void HostWindowDestroying() {
    OsClass = ProbeOsClass();
    ButtonDataOffset = ProbeWow64() ? BUTTON_DATA_OFFSET_64 : BUTTON_DATA_OFFSET_32;
    SweepNotificationArea();
}
