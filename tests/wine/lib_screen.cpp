// Screen capture and SendInput for the Wine suite (see screen.h).
#include "tests/wine/screen.h"

#include <cstdio>
#include <cstdlib>

bool CaptureScreen(ScreenPixels& out) {
    int const width = GetSystemMetrics(SM_CXSCREEN);
    int const height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bool captured = false;
    HDC const screen = GetDC(nullptr);
    HDC const memory = screen ? CreateCompatibleDC(screen) : nullptr;
    void* bits = nullptr;
    HBITMAP const bitmap =
        memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap && bits) {
        HGDIOBJ const previous = SelectObject(memory, bitmap);
        captured = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
        SelectObject(memory, previous);
        GdiFlush();
        if (captured) {
            const uint32_t* const source = static_cast<const uint32_t*>(bits);
            out.width = width;
            out.height = height;
            out.pixels.assign(source, source + static_cast<size_t>(width) * height);
            for (uint32_t& pixel : out.pixels) pixel &= 0x00FFFFFFu;
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    return captured;
}

bool NearColour(uint32_t actual, uint32_t expected, int tolerance) {
    if (actual & 0xFF000000u) return false;
    for (int shift = 0; shift <= 16; shift += 8) {
        int const a = static_cast<int>((actual >> shift) & 0xFF);
        int const e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) return false;
    }
    return true;
}

const char* ColourText(uint32_t colour) {
    static char texts[8][16];
    static int next = 0;
    char* const text = texts[next++ % 8];
    if (colour & 0xFF000000u)
        snprintf(text, 16, "(outside)");
    else
        snprintf(text, 16, "#%06X", static_cast<unsigned>(colour));
    return text;
}

static void SendMouse(int x, int y, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute coordinates are in 0..65535 over the primary screen.
    input.mi.dx =
        (x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy =
        (y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

void MoveMouse(int x, int y) {
    SetCursorPos(x, y);
    SendMouse(x, y, 0);
}

void ClickMouse(int x, int y, bool right_button) {
    MoveMouse(x, y);
    Sleep(50);
    SendMouse(x, y, right_button ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Sleep(30);
    SendMouse(x, y, right_button ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void DoubleClickMouse(int x, int y) {
    MoveMouse(x, y);
    Sleep(50);
    for (int i = 0; i < 2; ++i) {
        SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
        Sleep(20);
        SendMouse(x, y, MOUSEEVENTF_LEFTUP);
        Sleep(40);
    }
}
