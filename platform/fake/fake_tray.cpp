// The fake tray, menu and painting operations: recorded, answered from the
// script, and kept in the ledger of live handles.
#include "platform/fake/fake_tray.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/fake/fake_os.h"

namespace fake {

Tray& TrayState() {
    static Tray tray;
    return tray;
}

void ResetTray() {
    Tray& t = TrayState();
    t = Tray{};
    std::memset(&t.menu_font, 0, sizeof t.menu_font);
    t.menu_font.lfHeight = -13;
    t.menu_font.lfWeight = 400;
    std::strcpy(t.menu_font.lfFaceName, "Menu Font");
}

std::vector<std::string> LiveObjects() {
    std::vector<std::string> out;
    for (const auto& [handle, kind] : TrayState().live) {
        std::ostringstream text;
        text << kind << " 0x" << std::hex << handle;
        out.push_back(text.str());
    }
    std::sort(out.begin(), out.end());
    return out;
}

static uintptr_t Acquire(const char* kind) {
    Tray& t = TrayState();
    uintptr_t const handle = t.next_handle++;
    t.live[handle] = kind;
    return handle;
}

// Releases a handle of the given kind; refusals are noted, as the system
// would fail the call.
static bool Release(uintptr_t handle, const char* kind, const char* call) {
    Tray& t = TrayState();
    auto const found = t.live.find(handle);
    std::ostringstream why;
    why << call << " 0x" << std::hex << handle;
    if (found == t.live.end() || (kind && found->second != kind)) {
        t.refused.push_back(why.str() + " not held");
        return false;
    }
    for (const auto& [dc, by_kind] : t.selected)
        for (const auto& [selected_kind, object] : by_kind)
            if (object == handle) {
                t.refused.push_back(why.str() + " still selected");
                return false;
            }
    t.live.erase(found);
    t.font_of.erase(handle);
    return true;
}

// What a fresh device context holds before anything is selected into it:
// stock objects, never released.
static uintptr_t StockObject(const std::string& kind) {
    return 0xF000 + (kind == "bitmap" ? 1 : kind == "brush" ? 2 : 3);
}

}  // namespace fake

namespace os {

using fake::Acquire;
using fake::Arg;
using fake::Record;
using fake::Release;
using fake::TrayState;

bool Shell_NotifyIconA(uint32_t message, NotifyIconDataA* data) {
    Record("Shell_NotifyIconA",
           {Arg(message), Arg(data->cbSize), Arg(data->hWnd), Arg(data->uID), Arg(data->uFlags),
            Arg(data->uCallbackMessage), Arg(data->hIcon)},
           data->szTip);
    TrayState().notifications.push_back(*data);
    return TrayState().shell_notify_ok;
}

IconHandle CreateIconFromResourceEx(const uint8_t* bits, uint32_t size, uint32_t version, int cx,
                                    int cy, uint32_t flags) {
    Record("CreateIconFromResourceEx",
           {Arg(bits), Arg(size), Arg(version), Arg(cx), Arg(cy), Arg(flags)});
    return TrayState().icon_ex_fails ? nullptr : reinterpret_cast<IconHandle>(Acquire("icon"));
}

IconHandle CreateIconFromResource(const uint8_t* bits, uint32_t size, uint32_t version) {
    Record("CreateIconFromResource", {Arg(bits), Arg(size), Arg(version)});
    return TrayState().icon_fails ? nullptr : reinterpret_cast<IconHandle>(Acquire("icon"));
}

bool DestroyIcon(IconHandle icon) {
    Record("DestroyIcon", {Arg(icon)});
    return Release(Arg(icon), "icon", "DestroyIcon");
}

MenuHandle CreatePopupMenu() {
    Record("CreatePopupMenu", {});
    return TrayState().popup_fails ? nullptr : reinterpret_cast<MenuHandle>(Acquire("menu"));
}

bool AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, uintptr_t item_data) {
    Record("AppendMenuA", {Arg(menu), Arg(flags), Arg(id), Arg(item_data)});
    return menu != nullptr;
}

bool TrackPopupMenu(MenuHandle menu, uint32_t flags, int x, int y, WindowHandle owner) {
    Record("TrackPopupMenu", {Arg(menu), Arg(flags), Arg(x), Arg(y), Arg(owner)});
    if (TrayState().while_tracking) TrayState().while_tracking(menu);
    return true;
}

bool DestroyMenu(MenuHandle menu) {
    Record("DestroyMenu", {Arg(menu)});
    return Release(Arg(menu), "menu", "DestroyMenu");
}

bool PostMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    Record("PostMessageA", {Arg(window), Arg(message), Arg(wparam), Arg(lparam)});
    return window != nullptr;
}

int GetSystemMetrics(int index) {
    Record("GetSystemMetrics", {Arg(index)});
    if (index == METRIC_SCREEN_WIDTH) return TrayState().screen_width;
    if (index == METRIC_SCREEN_HEIGHT) return TrayState().screen_height;
    return 0;
}

uint32_t GetVersion() {
    Record("GetVersion", {});
    return TrayState().version;
}

bool GetMenuFont(LogFontA* font) {
    Record("GetMenuFont", {});
    if (!TrayState().menu_font_known) return false;
    *font = TrayState().menu_font;
    return true;
}

DeviceContext GetDC(WindowHandle window) {
    Record("GetDC", {Arg(window)});
    return reinterpret_cast<DeviceContext>(Acquire("window dc"));
}

int ReleaseDC(WindowHandle window, DeviceContext dc) {
    Record("ReleaseDC", {Arg(window), Arg(dc)});
    bool const ok = Release(Arg(dc), "window dc", "ReleaseDC");
    if (ok) TrayState().selected.erase(Arg(dc));
    return ok ? 1 : 0;
}

DeviceContext CreateCompatibleDC(DeviceContext dc) {
    Record("CreateCompatibleDC", {Arg(dc)});
    return reinterpret_cast<DeviceContext>(Acquire("dc"));
}

bool DeleteDC(DeviceContext dc) {
    Record("DeleteDC", {Arg(dc)});
    // Deleting a context frees it whatever is selected into it; the
    // selected objects themselves stay alive until DeleteObject.
    TrayState().selected.erase(Arg(dc));
    return Release(Arg(dc), "dc", "DeleteDC");
}

GdiObject CreateCompatibleBitmap(DeviceContext dc, int width, int height) {
    Record("CreateCompatibleBitmap", {Arg(dc), Arg(width), Arg(height)});
    return TrayState().buffer_bitmap_fails ? nullptr
                                           : reinterpret_cast<GdiObject>(Acquire("bitmap"));
}

GdiObject CreateImageBitmap(int width, int height, const uint8_t* pixels) {
    Record("CreateImageBitmap", {Arg(width), Arg(height), Arg(pixels)});
    return reinterpret_cast<GdiObject>(Acquire("bitmap"));
}

GdiObject CreateSolidBrush(ColorRef colour) {
    Record("CreateSolidBrush", {Arg(colour)});
    return reinterpret_cast<GdiObject>(Acquire("brush"));
}

GdiObject CreateFontIndirectA(const LogFontA* font) {
    Record("CreateFontIndirectA", {Arg(font->lfHeight), Arg(font->lfWeight), Arg(font->lfCharSet)},
           font->lfFaceName);
    uintptr_t const handle = Acquire("font");
    TrayState().font_of[handle] = *font;
    return reinterpret_cast<GdiObject>(handle);
}

GdiObject SelectObject(DeviceContext dc, GdiObject object) {
    Record("SelectObject", {Arg(dc), Arg(object)});
    fake::Tray& t = TrayState();
    uintptr_t const handle = Arg(object);
    std::string kind;
    if (auto const found = t.live.find(handle); found != t.live.end()) kind = found->second;
    for (const char* stock : {"bitmap", "brush", "font"})
        if (handle == fake::StockObject(stock)) kind = stock;
    if (kind != "bitmap" && kind != "brush" && kind != "font") {
        t.refused.push_back("SelectObject of a handle that is no live object");
        return nullptr;
    }
    auto& slots = t.selected[Arg(dc)];
    auto const previous = slots.find(kind);
    uintptr_t const old = previous == slots.end() ? fake::StockObject(kind) : previous->second;
    // A stock object back in its place is no longer a selection to undo.
    if (handle == fake::StockObject(kind))
        slots.erase(kind);
    else
        slots[kind] = handle;
    return reinterpret_cast<GdiObject>(old);
}

bool DeleteObject(GdiObject object) {
    Record("DeleteObject", {Arg(object)});
    return Release(Arg(object), nullptr, "DeleteObject");
}

int FillRect(DeviceContext dc, const Rect* rect, GdiObject brush) {
    Record("FillRect", {Arg(dc), Arg(rect->left), Arg(rect->top), Arg(rect->right),
                        Arg(rect->bottom), Arg(brush)});
    return 1;
}

int FrameRect(DeviceContext dc, const Rect* rect, GdiObject brush) {
    Record("FrameRect", {Arg(dc), Arg(rect->left), Arg(rect->top), Arg(rect->right),
                         Arg(rect->bottom), Arg(brush)});
    return 1;
}

bool GradientFillH(DeviceContext dc, const Rect* rect, ColorRef left, ColorRef right) {
    Record("GradientFillH", {Arg(dc), Arg(rect->left), Arg(rect->top), Arg(rect->right),
                             Arg(rect->bottom), Arg(left), Arg(right)});
    return true;
}

bool AlphaBlend(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
                int source_x, int source_y, int source_width, int source_height,
                uint8_t constant_alpha, bool source_alpha) {
    Record("AlphaBlend", {Arg(dest), Arg(x), Arg(y), Arg(width), Arg(height), Arg(source),
                          Arg(source_x), Arg(source_y), Arg(source_width), Arg(source_height),
                          Arg(constant_alpha), Arg(source_alpha)});
    return true;
}

bool BitBlt(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
            int source_x, int source_y) {
    Record("BitBlt", {Arg(dest), Arg(x), Arg(y), Arg(width), Arg(height), Arg(source),
                      Arg(source_x), Arg(source_y)});
    return true;
}

int SetBkMode(DeviceContext dc, int mode) {
    Record("SetBkMode", {Arg(dc), Arg(mode)});
    return 2;  // OPAQUE, the default
}

ColorRef SetTextColor(DeviceContext dc, ColorRef colour) {
    Record("SetTextColor", {Arg(dc), Arg(colour)});
    return 0;
}

int DrawTextA(DeviceContext dc, const char* text, Rect* rect, uint32_t format) {
    Record("DrawTextA",
           {Arg(dc), Arg(rect->left), Arg(rect->top), Arg(rect->right), Arg(rect->bottom),
            Arg(format)},
           text);
    fake::Tray& t = TrayState();
    auto const slots = t.selected.find(Arg(dc));
    if (slots != t.selected.end())
        if (auto const font = slots->second.find("font"); font != slots->second.end())
            t.fonts_drawn.push_back(t.font_of[font->second]);
    os::Rect extent{0, 0, static_cast<int32_t>(7 * std::strlen(text)), 13};
    if (t.text_extent) extent = t.text_extent(text);
    if (format & DRAW_TEXT_CALCRECT) {
        rect->right = rect->left + (extent.right - extent.left);
        rect->bottom = rect->top + (extent.bottom - extent.top);
    }
    return extent.bottom - extent.top;
}

}  // namespace os
