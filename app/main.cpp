// Entry: start-up, the message loop and the end of the process.
// Before <windows.h>: the layer's constants share names with its macros.
#include "hotkey/hotkey_table.h"

#include <windows.h>

#include "app/end_actions.h"
#include "app/host_window.h"
#include "app/notices.h"

// The tool reads no files, but whatever it is handed resolves beside the
// executable rather than wherever it was started from.
static void EnterExecutableDirectory() {
    char path[MAX_PATH];
    DWORD const length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;  // a truncated path names nothing
    char* const last_slash = strrchr(path, '\\');
    if (!last_slash) return;
    *last_slash = '\0';
    SetCurrentDirectoryA(path);
}

static int RunMessageLoop() {
    MSG message;
    // No accelerator table exists, so nothing translates accelerators here.
    for (;;) {
        BOOL const got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 0;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    EnterExecutableDirectory();
    // The table exists before the host window, whose created handler
    // registers the hotkey; it is released after the message loop.
    CreateHotkeyTable();
    AddEndAction(ReleaseHotkeyTable);
    int exit_code = 0;
    if (CreateHostWindow(instance)) {
        HostWindowCreated();
        if (HostWindow) exit_code = RunMessageLoop();
    }
    RunEndActions();
    return exit_code;
}
