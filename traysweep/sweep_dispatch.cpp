// The exit-time entry to the notification-area sweep.
#include "app/notices.h"

void HostWindowDestroying() {}
