// The hotkey table, its records and registration. The tool keeps its own
// table and polls the keyboard (poller.h) instead of asking the system to
// deliver hotkeys.
#pragma once

#include <cstddef>
#include <cstdint>
#include "platform/growable_list.h"
#include "platform/os_types.h"

// One procedure runs both synchronously on the polling thread and as the
// body of a new thread, so it has the thread start routine's shape; the
// hotkey id travels in its parameter (HotkeyIdParameter).
using HotkeyCallback = os::ThreadStart;

struct HotkeyRecord {
    int32_t id;
    HotkeyCallback callback;
    int32_t key;         // negative: fires on release
    int32_t modifiers;   // Alt 1, Ctrl 2, Shift 4, Windows 8
    int32_t second_key;  // 0: none
    uint8_t state;       // HOTKEY_IDLE, HOTKEY_PRESSED, HOTKEY_RELEASED, HOTKEY_CONSUMED
    int32_t direct;      // non-zero: called on the polling thread
};

static_assert(sizeof(HotkeyRecord::id) == 4 && sizeof(HotkeyRecord::key) == 4 &&
                  sizeof(HotkeyRecord::modifiers) == 4 && sizeof(HotkeyRecord::second_key) == 4 &&
                  sizeof(HotkeyRecord::state) == 1 && sizeof(HotkeyRecord::direct) == 4 &&
                  sizeof(HotkeyRecord::callback) == sizeof(void*),
              "record field widths");
static_assert(offsetof(HotkeyRecord, id) < offsetof(HotkeyRecord, callback) &&
                  offsetof(HotkeyRecord, callback) < offsetof(HotkeyRecord, key) &&
                  offsetof(HotkeyRecord, key) < offsetof(HotkeyRecord, modifiers) &&
                  offsetof(HotkeyRecord, modifiers) < offsetof(HotkeyRecord, second_key) &&
                  offsetof(HotkeyRecord, second_key) < offsetof(HotkeyRecord, state) &&
                  offsetof(HotkeyRecord, state) < offsetof(HotkeyRecord, direct),
              "record field order");

// Slot n (from 1) holds the record with id HOTKEY_ID_BASE + n. Records are
// never removed while the program runs, so ids stay stable.
struct HotkeyTable {
    GrowableList<HotkeyRecord*> records;
};

constexpr int32_t HOTKEY_ID_BASE = 1000000;
constexpr uintptr_t HOTKEY_TIMER_ID = 16661;
constexpr int32_t DEFAULT_POLL_INTERVAL_MS = 10;

constexpr uint8_t HOTKEY_IDLE = 0;
constexpr uint8_t HOTKEY_PRESSED = 1;
constexpr uint8_t HOTKEY_RELEASED = 2;
constexpr uint8_t HOTKEY_CONSUMED = 88;

// The process-wide table, touched only on the UI thread; null before
// CreateHotkeyTable and after ReleaseHotkeyTable.
extern HotkeyTable* Hotkeys;

void CreateHotkeyTable();
// Every record first, then the table itself.
void ReleaseHotkeyTable();

// Returns the hotkey's id, or 0 when the key byte is 0 (or no table exists).
// The first record created starts the poll timer; later calls never touch it.
int32_t RegisterHotkey(HotkeyCallback callback, int32_t key, int32_t modifiers = 0,
                       int32_t second_key = 0, int32_t interval_ms = 0, bool direct = false);

// The low 8 bits of the absolute value: the virtual-key code examined.
inline uint8_t KeyByte(int32_t key) {
    // Through unsigned arithmetic so that INT32_MIN has an absolute value too.
    uint32_t const magnitude =
        key < 0 ? 0u - static_cast<uint32_t>(key) : static_cast<uint32_t>(key);
    return static_cast<uint8_t>(magnitude & 0xFF);
}

inline void* HotkeyIdParameter(int32_t id) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(id));
}
