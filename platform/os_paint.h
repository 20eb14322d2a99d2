// Device contexts, bitmaps, fonts, brushes and the drawing calls of the
// owner-drawn tray menu. Every Create* here is paired with its release by the
// caller: DeleteDC, ReleaseDC or DeleteObject.
#pragma once

#include "platform/os_types.h"

namespace os {

using DeviceContext = void*;  // HDC
using GdiObject = void*;      // HBITMAP, HFONT, HBRUSH
using ColorRef = uint32_t;    // 0x00BBGGRR

constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 |
           static_cast<ColorRef>(b) << 16;
}

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// LOGFONTA, field for field.
struct LogFontA {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[32];
};

// Named apart from the system's macros of the same meaning (see os_tray.h).
constexpr int METRIC_SCREEN_WIDTH = 0;             // SM_CXSCREEN
constexpr int METRIC_SCREEN_HEIGHT = 1;            // SM_CYSCREEN
constexpr int BACKGROUND_TRANSPARENT = 1;          // TRANSPARENT
constexpr uint32_t DRAW_TEXT_LEFT = 0x0000;        // DT_LEFT
constexpr uint32_t DRAW_TEXT_VCENTER = 0x0004;     // DT_VCENTER
constexpr uint32_t DRAW_TEXT_SINGLELINE = 0x0020;  // DT_SINGLELINE
constexpr uint32_t DRAW_TEXT_CALCRECT = 0x0400;    // DT_CALCRECT

int GetSystemMetrics(int index);
// The version word GetVersion reports: major in the low byte, minor in the
// next, the top bit set on systems that are not NT.
uint32_t GetVersion();
// The menu font of the non-client metrics (SPI_GETNONCLIENTMETRICS).
bool GetMenuFont(LogFontA* font);

DeviceContext GetDC(WindowHandle window);
int ReleaseDC(WindowHandle window, DeviceContext dc);
DeviceContext CreateCompatibleDC(DeviceContext dc);
bool DeleteDC(DeviceContext dc);
GdiObject CreateCompatibleBitmap(DeviceContext dc, int width, int height);
// A 32 bpp top-down bitmap holding a copy of premultiplied BGRA pixels.
GdiObject CreateImageBitmap(int width, int height, const uint8_t* pixels);
GdiObject CreateSolidBrush(ColorRef colour);
GdiObject CreateFontIndirectA(const LogFontA* font);
GdiObject SelectObject(DeviceContext dc, GdiObject object);
bool DeleteObject(GdiObject object);

int FillRect(DeviceContext dc, const Rect* rect, GdiObject brush);
int FrameRect(DeviceContext dc, const Rect* rect, GdiObject brush);
// A horizontal two-colour gradient over the rectangle (GradientFill).
bool GradientFillH(DeviceContext dc, const Rect* rect, ColorRef left, ColorRef right);
// AlphaBlend at constant opacity; with source_alpha the source's own
// (premultiplied) alpha applies as well.
bool AlphaBlend(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
                int source_x, int source_y, int source_width, int source_height,
                uint8_t constant_alpha, bool source_alpha);
bool BitBlt(DeviceContext dest, int x, int y, int width, int height, DeviceContext source,
            int source_x, int source_y);
int SetBkMode(DeviceContext dc, int mode);
ColorRef SetTextColor(DeviceContext dc, ColorRef colour);
int DrawTextA(DeviceContext dc, const char* text, Rect* rect, uint32_t format);

}  // namespace os
