// The floor the hotkey engine is measured against: a 32-bit program that
// does nothing but read the 255 key states every 10 ms from a thread timer,
// as zena's poll does, and ends by itself after --seconds N (default 60).
// With --window its thread first makes a hidden top-level window, as zena's
// UI thread has one: under Wine every GetAsyncKeyState of a thread that has
// windows costs about ten times more (Wine appears to look for X events on
// each call), so that is the floor for zena's thread there.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

volatile SHORT g_sink;

void CALLBACK ReadAllKeys(HWND, UINT, UINT_PTR, DWORD) {
    SHORT entries[256] = {};
    for (int code = 1; code <= 255; ++code) entries[code - 1] = GetAsyncKeyState(code);
    g_sink = entries[0x76];
}

}  // namespace

int main(int argc, char** argv) {
    DWORD seconds = 60;
    bool window = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--window") == 0) window = true;
        if (strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = static_cast<DWORD>(strtoul(argv[i + 1], nullptr, 10));
    }
    if (window) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = "ZenaPollReference";
        RegisterClassA(&window_class);
        CreateWindowExA(0, "ZenaPollReference", "", WS_OVERLAPPED, 0, 0, 37, 27, nullptr, nullptr,
                        window_class.hInstance, nullptr);
    }
    SetTimer(nullptr, 0, 10, ReadAllKeys);
    DWORD const end = GetTickCount() + seconds * 1000;
    MSG message;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        // Wakes for the timer and at least once a second to check the end.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return 0;
            DispatchMessageA(&message);
        }
    }
    return 0;
}
