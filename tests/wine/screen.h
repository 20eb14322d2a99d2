// The screen as pixels, for checks that look at what is drawn, and real
// mouse input through SendInput (keys: injected_keys.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// 0x00RRGGBB per pixel, rows top-down.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFF000000u;  // outside: no colour
        return pixels[static_cast<size_t>(y) * width + x];
    }
};

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

// A copy of the whole screen; false when it could not be taken.
bool CaptureScreen(ScreenPixels& out);
// Each channel within tolerance of the expected colour.
bool NearColour(uint32_t actual, uint32_t expected, int tolerance);
// "#RRGGBB", for failure details.
const char* ColourText(uint32_t colour);

// The pointer to a screen point, then presses and releases.
void MoveMouse(int x, int y);
void ClickMouse(int x, int y, bool right_button);
void DoubleClickMouse(int x, int y);
