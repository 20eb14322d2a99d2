// Asking for the host window's destruction, declared apart from
// host_window.h so code free of <windows.h> (the menu definition) can name it.
#pragma once

// Asks for destruction once the current message has been handled.
void CloseHostWindow();
