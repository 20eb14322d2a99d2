#include "tests/wine/injected_keys.h"

#include "tests/wine/harness.h"

namespace {

// Pressed and not yet released, in pressing order. A fixed array: the
// watchdog thread reads it without taking part in any allocation.
WORD volatile g_held[16];
LONG volatile g_held_count = 0;

void SendKey(WORD virtual_key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

void PressKey(WORD virtual_key) {
    if (g_held_count < 16) g_held[g_held_count++] = virtual_key;
    SendKey(virtual_key, false);
}

void ReleaseKey(WORD virtual_key) {
    SendKey(virtual_key, true);
    for (LONG i = 0; i < g_held_count; ++i) {
        if (g_held[i] != virtual_key) continue;
        for (LONG j = i + 1; j < g_held_count; ++j) g_held[j - 1] = g_held[j];
        --g_held_count;
        break;
    }
}

void ReleaseAllKeys() {
    while (g_held_count > 0) {
        --g_held_count;
        SendKey(g_held[g_held_count], true);
    }
}

InjectedKeysGuard::InjectedKeysGuard() { SetWatchdogAction(ReleaseAllKeys); }

InjectedKeysGuard::~InjectedKeysGuard() {
    ReleaseAllKeys();
    SetWatchdogAction(nullptr);
}
