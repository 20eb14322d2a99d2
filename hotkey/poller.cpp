// The key-state poller and dispatch.
#include "hotkey/poller.h"

#include "hotkey/hotkey_table.h"
#include "platform/os_keys.h"

// The system's virtual-key codes of the modifiers.
constexpr uint8_t VK_SHIFT = 0x10;
constexpr uint8_t VK_CONTROL = 0x11;
constexpr uint8_t VK_MENU = 0x12;
constexpr uint8_t VK_LWIN = 0x5B;

static bool IsDown(const KeySnapshot& snapshot, uint8_t key_byte) {
    return snapshot.entries[key_byte - 1] < 0;
}

// Only the left Windows key counts; the side-independent codes of Alt, Ctrl
// and Shift already cover both sides.
static int32_t ModifierSum(const KeySnapshot& snapshot) {
    return (IsDown(snapshot, VK_MENU) ? 1 : 0) + (IsDown(snapshot, VK_CONTROL) ? 2 : 0) +
           (IsDown(snapshot, VK_SHIFT) ? 4 : 0) + (IsDown(snapshot, VK_LWIN) ? 8 : 0);
}

static void Fire(const HotkeyRecord& record) {
    if (record.direct) {
        record.callback(HotkeyIdParameter(record.id));
        return;
    }
    // Nothing waits for the worker; its handle is of no further use.
    os::Handle const thread = os::CreateThread(record.callback, HotkeyIdParameter(record.id));
    if (thread) os::CloseHandle(thread);
}

// Advances one record's press tracking by the snapshot and fires it when due.
static void ExamineRecord(HotkeyRecord& record, const KeySnapshot& snapshot) {
    int16_t const entry = snapshot.entries[KeyByte(record.key) - 1];
    bool const on_release = record.key < 0;

    if (entry == 0) {
        if (record.state != HOTKEY_PRESSED) {
            record.state = HOTKEY_IDLE;
            return;
        }
        record.state = HOTKEY_RELEASED;
    } else if (entry < 0) {
        if (record.state == HOTKEY_IDLE) record.state = HOTKEY_PRESSED;
        if (on_release) return;
    }
    // A positive entry (pressed and released since the last read) goes
    // straight to the fire check.

    if (record.state == HOTKEY_IDLE || record.state == HOTKEY_CONSUMED) return;
    // Consumed before the modifiers are compared: a press that fails them
    // cannot fire later in the same hold.
    record.state = HOTKEY_CONSUMED;
    if (ModifierSum(snapshot) != record.modifiers) return;
    if (record.second_key != 0) {
        // A second key whose byte is 0 (256, -256, ...) names no key, so it
        // is never held down and such a record never fires.
        uint8_t const second = KeyByte(record.second_key);
        if (second == 0 || !IsDown(snapshot, second)) return;
    }
    Fire(record);
}

void OS_CALLBACK PollHotkeys(os::WindowHandle, uint32_t, uintptr_t, uint32_t) {
    KeySnapshot snapshot{};
    for (int code = 1; code <= 255; ++code) snapshot.entries[code - 1] = os::GetAsyncKeyState(code);

    if (!Hotkeys) return;
    // By index, re-reading the size: a direct callback may register a hotkey,
    // which can move the array.
    for (size_t slot = 0; Hotkeys && slot < Hotkeys->records.count; ++slot)
        ExamineRecord(*Hotkeys->records.items[slot], snapshot);
}
