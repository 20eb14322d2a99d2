// The host window's three notices. Each has exactly one handler, owned by the
// subsystem that acts on it.
#pragma once

#include <cstdint>

// After the host window has been created, before the message loop runs.
void HostWindowCreated();
// A mouse action on the tray icon, as a tray event code (1, 2 or 3).
void TrayEventHandler(int32_t tray_event);
// During the host window's destruction, while it and the tray icon still exist.
void HostWindowDestroying();
