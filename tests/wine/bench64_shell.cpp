// The stand-in shell the exit benchmark sweeps; see bench_shell.h.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tests/wine/bench_shell.h"

namespace {

struct Logged {
    LONGLONG at;
    const char* what;
    WPARAM wparam;
};

constexpr int LOG_CAPACITY = 8192;
Logged g_log[LOG_CAPACITY];
int g_logged = 0;

HWND g_real_tray = nullptr;
HWND g_tray_toolbar = nullptr;
WNDPROC g_toolbar_proc = nullptr;
const char* g_log_path = "";

void Log(const char* what, WPARAM wparam) {
    if (g_logged == LOG_CAPACITY) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_log[g_logged++] = {now.QuadPart, what, wparam};
}

// Sits in front of the real toolbar, so the time is taken as each message
// arrives, before the toolbar works on it.
LRESULT CALLBACK ToolbarLogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == TB_BUTTONCOUNT)
        Log("count", wparam);
    else if (message == TB_GETBUTTON)
        Log("get", wparam);
    else if (message == TB_DELETEBUTTON)
        Log("delete", wparam);
    else if (message >= WM_USER)
        Log("other", wparam);
    return CallWindowProcA(g_toolbar_proc, window, message, wparam, lparam);
}

void WriteLog() {
    FILE* const out = std::fopen(g_log_path, "w");
    if (!out) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::fprintf(out, "frequency %lld\n", frequency.QuadPart);
    for (int i = 0; i < g_logged; ++i)
        std::fprintf(out, "%lld %s %llu\n", g_log[i].at, g_log[i].what,
                     static_cast<unsigned long long>(g_log[i].wparam));
    std::fprintf(out, "remaining %d\n",
                 static_cast<int>(SendMessageA(g_tray_toolbar, TB_BUTTONCOUNT, 0, 0)));
    std::fclose(out);
}

LRESULT CALLBACK ShellProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA && g_real_tray) {
        // Notification-icon requests find the newest Shell_TrayWnd, this
        // one; the icons belong on the real taskbar.
        Log("notify", wparam);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(g_real_tray, WM_COPYDATA, wparam, lparam, SMTO_ABORTIFHUNG, 5000,
                            &result);
        return static_cast<LRESULT>(result);
    }
    if (message == BENCH_SHELL_REPORT) {
        WriteLog();
        PostQuitMessage(0);
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND Create(const char* class_name, HWND parent) {
    DWORD const style = parent ? WS_CHILD : WS_POPUP;
    return CreateWindowExA(0, class_name, "", style, 0, 0, 400, 40, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreateToolbar(HWND parent) {
    HWND const toolbar =
        CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | TBSTYLE_FLAT, 0, 0, 400, 40, parent,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return toolbar;
}

// Owner records below 4 GiB, where a 32-bit reader reaches them.
uint8_t* AllocateLow(size_t size) {
    for (uintptr_t at = 0x30000000; at < 0xF0000000u; at += 0x10000) {
        void* const block = VirtualAlloc(reinterpret_cast<void*>(at), size,
                                         MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (block) return static_cast<uint8_t*>(block);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    g_log_path = argv[1];
    int const buttons = atoi(argv[3]);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    g_real_tray = FindWindowA("Shell_TrayWnd", nullptr);

    HINSTANCE const instance = GetModuleHandleA(nullptr);
    for (const char* name :
         {"Shell_TrayWnd", "TrayNotifyWnd", "SysPager", "NotifyIconOverflowWindow"}) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = ShellProc;
        window_class.hInstance = instance;
        window_class.lpszClassName = name;
        RegisterClassA(&window_class);
    }
    HWND const overflow = Create("NotifyIconOverflowWindow", nullptr);
    HWND const overflow_toolbar = CreateToolbar(overflow);
    HWND const tray = Create("Shell_TrayWnd", nullptr);
    HWND const pager = Create("SysPager", Create("TrayNotifyWnd", tray));
    g_tray_toolbar = CreateToolbar(pager);
    constexpr size_t RECORD_STRIDE = 0x40;
    uint8_t* const records = AllocateLow(RECORD_STRIDE * static_cast<size_t>(buttons) + 4096);
    if (!overflow_toolbar || !g_tray_toolbar || !records) return 3;

    for (int i = 0; i < buttons; ++i) {
        HWND const owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                           nullptr, instance, nullptr);
        if (i % 2) DestroyWindow(owner);
        uint8_t* const record = records + static_cast<size_t>(i) * RECORD_STRIDE;
        uintptr_t const handle = reinterpret_cast<uintptr_t>(owner);
        std::memcpy(record, &handle,
                    sizeof(handle));  // the shell's layout starts with the owner handle
        TBBUTTON button = {};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = 1000 + i;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.dwData = reinterpret_cast<uintptr_t>(record);
        button.iString = -1;
        SendMessageA(g_tray_toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    g_toolbar_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        g_tray_toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolbarLogProc)));

    HANDLE const ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
