// The tray icon, the tray menu and the binding of the hotkey.
#include "app/notices.h"

void HostWindowCreated() {}

void TrayEventHandler(int32_t /*tray_event*/) {}
