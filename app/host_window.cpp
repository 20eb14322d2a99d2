// The hidden host window: its class, creation, the window procedure and the
// ordered destruction.
#include "app/host_window.h"

#include "app/menu_definition.h"
#include "app/notices.h"
#include "app/tray_event.h"

HWND HostWindow = nullptr;

static bool g_destroy_pending = false;

// The menu bar: one popup "菜单" holding the definition's items. Nobody sees
// it (the window is never shown); the tray menu is built on its own.
static HMENU CreateHostMenuBar() {
    HMENU const bar = CreateMenu();
    HMENU const popup = CreatePopupMenu();
    for (int32_t i = 1; i < MENU_ENTRY_COUNT; ++i)
        AppendMenuA(popup, MF_STRING, MENU_COMMAND_BASE + i, MENU_DEFINITION[i].caption);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), MENU_DEFINITION[0].caption);
    return bar;
}

static void DestroyHostMenuBar(HWND window) {
    HMENU const bar = GetMenu(window);
    SetMenu(window, nullptr);
    DestroyMenu(bar);
}

static LRESULT OnDestroy(HWND window, WPARAM wparam, LPARAM lparam) {
    LRESULT const result = DefWindowProcA(window, WM_DESTROY, wparam, lparam);
    // The sweep runs while this window and its tray icon still exist, so the
    // tool's own tray button is never judged dead.
    HostWindowDestroying();
    if (IsWindow(window)) {
        DestroyHostMenuBar(window);
    }
    return result;
}

static LRESULT OnDeferredDestroy(HWND window) {
    if (g_destroy_pending) {
        g_destroy_pending = false;
        DestroyWindow(window);
    }
    return 0;
}

static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_GETMINMAXINFO) {
        // The default minimum tracking size of a captioned top-level window
        // is larger than the host window; keep its 37 x 27 outer size.
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = POINT{0, 0};
        return 0;
    }
    if (message == WM_TRAY_CALLBACK) {
        int32_t const tray_event = TrayEventFromMouseMessage(static_cast<uint32_t>(lparam));
        if (tray_event != TRAY_EVENT_NONE) TrayEventHandler(tray_event);
        return 0;
    }
    if (message == WM_DEFERRED_DESTROY) return OnDeferredDestroy(window);
    if (message == WM_DESTROY) return OnDestroy(window, wparam, lparam);
    if (message == WM_NCDESTROY) {
        HostWindow = nullptr;
        PostQuitMessage(0);
        return DefWindowProcA(window, message, wparam, lparam);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static bool RegisterHostClass(HINSTANCE instance) {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    window_class.lpfnWndProc = HostWindowProc;
    window_class.hInstance = instance;
    // Shared images are owned by the system: nothing to destroy at exit.
    window_class.hIcon = static_cast<HICON>(
        LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_SHARED));
    window_class.hIconSm = static_cast<HICON>(
        LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_SHARED));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = nullptr;
    window_class.lpszClassName = HOST_WINDOW_CLASS;
    return RegisterClassExA(&window_class) != 0;
}

HWND CreateHostWindow(HINSTANCE instance) {
    if (!RegisterHostClass(instance)) return nullptr;
    // Integer division truncates toward zero, as the centring wants.
    int const left = (GetSystemMetrics(SM_CXSCREEN) - HOST_WINDOW_WIDTH) / 2;
    int const top = (GetSystemMetrics(SM_CYSCREEN) - HOST_WINDOW_HEIGHT) / 2;
    HMENU const menu_bar = CreateHostMenuBar();
    HWND const window = CreateWindowExA(0, HOST_WINDOW_CLASS, "", HOST_WINDOW_STYLE, left, top,
                                        HOST_WINDOW_WIDTH, HOST_WINDOW_HEIGHT, nullptr, menu_bar,
                                        instance, nullptr);
    if (!window) {
        DestroyMenu(menu_bar);
        return nullptr;
    }
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    HostWindow = window;
    return window;
}

void CloseHostWindow() {
    if (!HostWindow || g_destroy_pending) return;
    g_destroy_pending = true;
    // Destroying from inside the menu command would tear the window down
    // under the caller; the loop delivers this after the command returns.
    PostMessageA(HostWindow, WM_DEFERRED_DESTROY, 0, 0);
}
