// Natively there is no host window: the request to close it is recorded with
// the fake's calls, so a test sees the quit command ask for it.
#include "app/host_close.h"

#include "platform/fake/fake_os.h"

void CloseHostWindow() { fake::Record("CloseHostWindow", {}); }
