// probe32.dll: hooked into zena's main thread by the frame test (see
// probe.h). Inside zena it reports what the host window goes through and
// answers queries; in any other process it does nothing.
#include <windows.h>

#include <cstring>

#include "tests/wine/probe.h"

namespace {

HINSTANCE g_module = nullptr;
bool g_in_zena = false;
UINT g_query_message = 0;

bool IsZenaProcess() {
    char path[MAX_PATH];
    DWORD const length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length < 8 || length >= MAX_PATH) return false;
    return lstrcmpiA(path + length - 8, "zena.exe") == 0 &&
           (length == 8 || path[length - 9] == '\\' || path[length - 9] == '/');
}

void Report(ULONG_PTR kind, const void* data, DWORD size) {
    HWND const sink = FindWindowA(PROBE_SINK_CLASS, nullptr);
    if (!sink) return;
    COPYDATASTRUCT copy = {kind, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    // Bounded, so a stuck test can never hang zena.
    SendMessageTimeoutA(sink, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG,
                        3000, &result);
}

void ReportEvent(UINT message, HWND window, WPARAM wparam = 0, bool alive_after = false) {
    ProbeEvent event = {};
    event.message = message;
    event.wparam = static_cast<uint32_t>(wparam);
    event.alive_after = alive_after ? 1 : 0;
    event.window = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(window));
    event.top_level = GetAncestor(window, GA_PARENT) == GetDesktopWindow() ? 1 : 0;
    GetClassNameA(window, event.class_name, sizeof(event.class_name));
    Report(PROBE_EVENT, &event, sizeof(event));
}

void IconSize(HICON icon, int32_t* width, int32_t* height) {
    *width = 0;
    *height = 0;
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return;
    BITMAP bitmap = {};
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap)) {
        *width = bitmap.bmWidth;
        *height = bitmap.bmHeight;
    } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof(bitmap), &bitmap)) {
        *width = bitmap.bmWidth;
        *height = bitmap.bmHeight / 2;  // a monochrome icon stacks mask and image
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

uint32_t Word(ULONG_PTR value) { return static_cast<uint32_t>(value); }

void AnswerQuery(HWND window) {
    ProbeAnswer answer = {};
    answer.class_style = Word(GetClassLongPtrA(window, GCL_STYLE));
    answer.class_cursor = Word(GetClassLongPtrA(window, GCLP_HCURSOR));
    answer.arrow_cursor = Word(reinterpret_cast<UINT_PTR>(LoadCursorA(nullptr, IDC_ARROW)));
    answer.class_brush = Word(GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    IconSize(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)),
             &answer.big_icon_width, &answer.big_icon_height);
    IconSize(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)),
             &answer.small_icon_width, &answer.small_icon_height);
    if (answer.big_icon_width == 0)
        IconSize(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)),
                 &answer.big_icon_width, &answer.big_icon_height);
    if (answer.small_icon_width == 0)
        IconSize(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM)),
                 &answer.small_icon_width, &answer.small_icon_height);

    HMENU const bar = GetMenu(window);
    answer.bar_items = bar ? GetMenuItemCount(bar) : -1;
    answer.popup_items = -1;
    if (bar && answer.bar_items > 0) {
        MENUITEMINFOA bar_item = {};
        bar_item.cbSize = sizeof(bar_item);
        bar_item.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
        bar_item.dwTypeData = answer.bar_caption;
        bar_item.cch = sizeof(answer.bar_caption);
        if (GetMenuItemInfoA(bar, 0, TRUE, &bar_item)) {
            answer.bar_type = bar_item.fType;
            answer.bar_data = static_cast<uint32_t>(bar_item.dwItemData);
        }
        HMENU const popup = GetSubMenu(bar, 0);
        answer.bar_item_is_popup = popup ? 1 : 0;
        if (popup) {
            answer.popup_items = GetMenuItemCount(popup);
            for (int i = 0; i < answer.popup_items && i < PROBE_MAX_ITEMS; ++i) {
                MENUITEMINFOA item = {};
                item.cbSize = sizeof(item);
                item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
                item.dwTypeData = answer.popup_captions[i];
                item.cch = sizeof(answer.popup_captions[i]);
                if (GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &item)) {
                    answer.popup_ids[i] = item.wID;
                    answer.popup_types[i] = item.fType;
                    answer.popup_data[i] = static_cast<uint32_t>(item.dwItemData);
                }
            }
        }
    }
    Report(PROBE_ANSWER, &answer, sizeof(answer));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndProc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && g_in_zena) {
        const CWPSTRUCT* const sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
        UINT const message = sent->message;
        if (message == WM_NCCREATE || message == WM_NCDESTROY) {
            ReportEvent(message, sent->hwnd);
        } else if (message == WM_SHOWWINDOW && sent->wParam) {
            ReportEvent(message, sent->hwnd);
        } else if (message == WM_WINDOWPOSCHANGING &&
                   (reinterpret_cast<const WINDOWPOS*>(sent->lParam)->flags & SWP_SHOWWINDOW)) {
            ReportEvent(message, sent->hwnd);
        } else if (message == g_query_message && g_query_message != 0) {
            if (sent->wParam == PROBE_QUERY_HOLD) {
                Sleep(static_cast<DWORD>(sent->lParam) < 5000 ? static_cast<DWORD>(sent->lParam)
                                                              : 5000);
            } else {
                AnswerQuery(sent->hwnd);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndRetProc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && g_in_zena) {
        const CWPRETSTRUCT* const sent = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
        if (sent->message == WM_COMMAND)
            ReportEvent(WM_COMMAND, sent->hwnd, sent->wParam, IsWindow(sent->hwnd) != FALSE);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        g_in_zena = IsZenaProcess();
        g_query_message = RegisterWindowMessageA(PROBE_QUERY_MESSAGE);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}
