// The floor for start-up and memory: a 32-bit program that makes one hidden
// top-level window (class "ZenaBenchHiddenWindow") and runs a message loop,
// nothing else. It ends on WM_CLOSE, or by itself after --seconds N (600).
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK HiddenProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int main(int argc, char** argv) {
    DWORD seconds = 600;
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], "--seconds") == 0)
            seconds = static_cast<DWORD>(strtoul(argv[i + 1], nullptr, 10));
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = HiddenProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "ZenaBenchHiddenWindow";
    if (!RegisterClassA(&window_class)) return 1;
    if (!CreateWindowExA(0, "ZenaBenchHiddenWindow", "", WS_OVERLAPPED, 0, 0, 37, 27, nullptr,
                         nullptr, window_class.hInstance, nullptr))
        return 1;
    SetTimer(nullptr, 0, seconds * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) break;
        DispatchMessageA(&message);
    }
    return 0;
}
