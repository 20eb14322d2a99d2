// The hidden host window: its class, creation, the window procedure and the
// ordered destruction.

// The headers free of <windows.h> come first: some of their constants share
// names with the system's macros, which must not be defined yet.
#include "app/menu_paint.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"

#include "app/host_window.h"

#include "app/menu_definition.h"
#include "app/notices.h"
#include "app/tray_event.h"

static_assert(WM_TRAY_CALLBACK == TRAY_CALLBACK_MESSAGE,
              "the tray icon names this window's callback");

HWND HostWindow = nullptr;

static bool g_destroy_pending = false;

// The menu bar: one popup "菜单" holding the definition's items. Nobody sees
// it (the window is never shown); the tray menu is built on its own. Its
// items are owner-drawn like the tray menu's, each with its identifier as
// item data, so whatever shows them shows the one look.
static HMENU CreateHostMenuBar() {
    HMENU const bar = CreateMenu();
    HMENU const popup = CreatePopupMenu();
    for (int32_t i = 1; i < MENU_ENTRY_COUNT; ++i)
        AppendMenuA(popup, MF_OWNERDRAW, MENU_COMMAND_BASE + i,
                    reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(MENU_COMMAND_BASE + i)));
    AppendMenuA(bar, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(popup),
                reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(MENU_COMMAND_BASE)));
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
        SetTrayIcon(window, nullptr, nullptr);
    }
    // The menu's off-screen buffer lives exactly as long as this window.
    ReleaseMenuPaintBuffer();
    return result;
}

static LRESULT OnDeferredDestroy(HWND window) {
    if (g_destroy_pending) {
        g_destroy_pending = false;
        DestroyWindow(window);
    }
    return 0;
}

static bool OnMeasureItem(MEASUREITEMSTRUCT* item) {
    if (!IsMenuLookItem(item->CtlType, item->itemData)) return false;
    MenuItemSize const size = MeasureMenuItem(item->itemData);
    item->itemWidth = static_cast<UINT>(size.width);
    item->itemHeight = static_cast<UINT>(size.height);
    return true;
}

static bool OnDrawItem(const DRAWITEMSTRUCT* item) {
    if (!IsMenuLookItem(item->CtlType, item->itemData)) return false;
    MenuItemState const state{(item->itemState & ODS_SELECTED) != 0,
                              (item->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0,
                              (item->itemState & ODS_CHECKED) != 0};
    os::Rect const rect{item->rcItem.left, item->rcItem.top, item->rcItem.right,
                        item->rcItem.bottom};
    DrawMenuItem(item->hDC, rect, item->itemData, state);
    return true;
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
    if (message == WM_COMMAND) {
        RunMenuCommand(wparam);
        return 0;
    }
    // Other owner-drawn items, if any ever came, are left to the default.
    if (message == WM_MEASUREITEM && OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)))
        return TRUE;
    if (message == WM_DRAWITEM && OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)))
        return TRUE;
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
    // Not LR_SHARED: some systems (Wine among them) cache shared images by
    // module and name alone, so the second load would return the 32 x 32
    // image as the small icon. The class lives until the process ends, and
    // its two icons with it.
    window_class.hIcon = static_cast<HICON>(
        LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    window_class.hIconSm = static_cast<HICON>(
        LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
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
    HWND const window =
        CreateWindowExA(0, HOST_WINDOW_CLASS, "", HOST_WINDOW_STYLE, left, top, HOST_WINDOW_WIDTH,
                        HOST_WINDOW_HEIGHT, nullptr, menu_bar, instance, nullptr);
    if (!window) {
        DestroyMenu(menu_bar);
        return nullptr;
    }
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
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
