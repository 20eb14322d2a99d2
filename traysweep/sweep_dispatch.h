// Which notification-area toolbars the exit sweep visits, and how they are
// found in the shell's window tree.
#pragma once

#include "platform/os_types.h"

os::WindowHandle FindTrayToolbar();
os::WindowHandle FindOverflowToolbar();
// Uses OsClass.
void SweepNotificationArea();
