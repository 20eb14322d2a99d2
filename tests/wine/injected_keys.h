// Keys a test injects with SendInput, released on every path: by the guard
// when the test's scope ends, and by the watchdog when the test is stuck.
// SendInput is only delivered while a window of this process is in the
// foreground (see OpenForegroundWindow).
#pragma once

#include <windows.h>

void PressKey(WORD virtual_key);
void ReleaseKey(WORD virtual_key);
// Key-ups for every key pressed and not yet released, last pressed first.
void ReleaseAllKeys();

// One per test, in main's scope; it also hands ReleaseAllKeys to the
// watchdog.
struct InjectedKeysGuard {
    InjectedKeysGuard();
    InjectedKeysGuard(const InjectedKeysGuard&) = delete;
    InjectedKeysGuard& operator=(const InjectedKeysGuard&) = delete;
    ~InjectedKeysGuard();
};
