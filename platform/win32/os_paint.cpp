// Drawing on the real system.
#include "platform/os_paint.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace os {

static_assert(sizeof(LogFontA) == sizeof(LOGFONTA), "");
static_assert(offsetof(LogFontA, lfFaceName) == offsetof(LOGFONTA, lfFaceName), "");
static_assert(sizeof(Rect) == sizeof(RECT), "");
static_assert(METRIC_SCREEN_WIDTH == SM_CXSCREEN && METRIC_SCREEN_HEIGHT == SM_CYSCREEN, "");
static_assert(BACKGROUND_TRANSPARENT == TRANSPARENT, "");
static_assert(DRAW_TEXT_LEFT == DT_LEFT && DRAW_TEXT_VCENTER == DT_VCENTER &&
                  DRAW_TEXT_SINGLELINE == DT_SINGLELINE && DRAW_TEXT_CALCRECT == DT_CALCRECT,
              "");

static HDC AsHdc(DeviceContext dc) { return static_cast<HDC>(dc); }
static const RECT* AsRect(const Rect* rect) { return reinterpret_cast<const RECT*>(rect); }

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

uint32_t GetVersion() { return ::GetVersion(); }

bool GetMenuFont(LogFontA* font) {
    NONCLIENTMETRICSA metrics;
    std::memset(&metrics, 0, sizeof metrics);
    // The size without the field Vista added, which every version accepts.
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return false;
    std::memcpy(font, &metrics.lfMenuFont, sizeof *font);
    return true;
}

DeviceContext GetDC(WindowHandle window) { return ::GetDC(static_cast<HWND>(window)); }

int ReleaseDC(WindowHandle window, DeviceContext dc) {
    return ::ReleaseDC(static_cast<HWND>(window), AsHdc(dc));
}

DeviceContext CreateCompatibleDC(DeviceContext dc) { return ::CreateCompatibleDC(AsHdc(dc)); }

bool DeleteDC(DeviceContext dc) { return ::DeleteDC(AsHdc(dc)) != FALSE; }

GdiObject CreateCompatibleBitmap(DeviceContext dc, int width, int height) {
    return ::CreateCompatibleBitmap(AsHdc(dc), width, height);
}

GdiObject CreateImageBitmap(int width, int height, const uint8_t* pixels) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP const bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, pixels, static_cast<size_t>(width) * height * 4);
    return bitmap;
}

GdiObject CreateSolidBrush(ColorRef colour) { return ::CreateSolidBrush(colour); }

GdiObject CreateFontIndirectA(const LogFontA* font) {
    return ::CreateFontIndirectA(reinterpret_cast<const LOGFONTA*>(font));
}

GdiObject SelectObject(DeviceContext dc, GdiObject object) {
    return ::SelectObject(AsHdc(dc), static_cast<HGDIOBJ>(object));
}

bool DeleteObject(GdiObject object) {
    return ::DeleteObject(static_cast<HGDIOBJ>(object)) != FALSE;
}

int FillRect(DeviceContext dc, const Rect* rect, GdiObject brush) {
    return ::FillRect(AsHdc(dc), AsRect(rect), static_cast<HBRUSH>(brush));
}

int FrameRect(DeviceContext dc, const Rect* rect, GdiObject brush) {
    return ::FrameRect(AsHdc(dc), AsRect(rect), static_cast<HBRUSH>(brush));
}

static TRIVERTEX Vertex(LONG x, LONG y, ColorRef colour) {
    TRIVERTEX vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.Red = static_cast<COLOR16>(GetRValue(colour) << 8);
    vertex.Green = static_cast<COLOR16>(GetGValue(colour) << 8);
    vertex.Blue = static_cast<COLOR16>(GetBValue(colour) << 8);
    vertex.Alpha = 0;
    return vertex;
}

bool GradientFillH(DeviceContext dc, const Rect* rect, ColorRef left, ColorRef right) {
    TRIVERTEX vertices[2] = {Vertex(rect->left, rect->top, left),
                             Vertex(rect->right, rect->bottom, right)};
    GRADIENT_RECT order{0, 1};
    return ::GradientFill(AsHdc(dc), vertices, 2, &order, 1, GRADIENT_FILL_RECT_H) != FALSE;
}

bool AlphaBlend(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
                int source_x, int source_y, int source_width, int source_height,
                uint8_t constant_alpha, bool source_alpha) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, constant_alpha,
                        static_cast<BYTE>(source_alpha ? AC_SRC_ALPHA : 0)};
    return ::AlphaBlend(AsHdc(dest), x, y, width, height, AsHdc(source), source_x, source_y,
                        source_width, source_height, blend) != FALSE;
}

bool BitBlt(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
            int source_x, int source_y) {
    return ::BitBlt(AsHdc(dest), x, y, width, height, AsHdc(source), source_x, source_y, SRCCOPY) !=
           FALSE;
}

int SetBkMode(DeviceContext dc, int mode) { return ::SetBkMode(AsHdc(dc), mode); }

ColorRef SetTextColor(DeviceContext dc, ColorRef colour) {
    return ::SetTextColor(AsHdc(dc), colour);
}

int DrawTextA(DeviceContext dc, const char* text, Rect* rect, uint32_t format) {
    return ::DrawTextA(AsHdc(dc), text, -1, reinterpret_cast<RECT*>(rect), format);
}

}  // namespace os
