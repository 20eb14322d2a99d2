// The key-state poller: one keyboard snapshot per tick, then every record's
// press tracking and, when key, modifiers and second key match, its firing.
#pragma once

#include <cstdint>

#include "platform/os_types.h"

// Entry code - 1 holds GetAsyncKeyState(code) for codes 1 to 255; the last
// entry stays 0. Negative means down.
struct KeySnapshot {
    int16_t entries[256];
};

// The poll timer's procedure; its timer arguments are not used.
void OS_CALLBACK PollHotkeys(os::WindowHandle window, uint32_t message, uintptr_t timer_id,
                             uint32_t tick);
