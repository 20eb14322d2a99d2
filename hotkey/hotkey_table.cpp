// The hotkey table and registration.
#include "hotkey/hotkey_table.h"

#include "hotkey/poller.h"
#include "platform/os_keys.h"

HotkeyTable* Hotkeys = nullptr;

void CreateHotkeyTable() {
    if (!Hotkeys) Hotkeys = new HotkeyTable{};
}

void ReleaseHotkeyTable() {
    if (!Hotkeys) return;
    for (size_t slot = 0; slot < Hotkeys->records.count; ++slot)
        delete Hotkeys->records.items[slot];
    Release(Hotkeys->records);
    delete Hotkeys;
    Hotkeys = nullptr;
}

int32_t RegisterHotkey(HotkeyCallback callback, int32_t key, int32_t modifiers, int32_t second_key,
                       int32_t interval_ms, bool direct) {
    if (KeyByte(key) == 0 || !Hotkeys) return 0;

    // Raw signed values: F8 and F8-on-release (-119) are different hotkeys.
    for (size_t slot = 0; slot < Hotkeys->records.count; ++slot) {
        HotkeyRecord* const record = Hotkeys->records.items[slot];
        if (record->key == key && record->modifiers == modifiers &&
            record->second_key == second_key) {
            record->callback = callback;
            record->direct = direct;
            return record->id;
        }
    }

    int32_t const id = HOTKEY_ID_BASE + 1 + static_cast<int32_t>(Hotkeys->records.count);
    auto* const record =
        new HotkeyRecord{id, callback, key, modifiers, second_key, HOTKEY_IDLE, direct ? 1 : 0};
    // Without room in the table the record would be lost: registration fails.
    if (!Append(Hotkeys->records, record)) {
        delete record;
        return 0;
    }

    if (id == HOTKEY_ID_BASE + 1) {
        int32_t const interval = interval_ms > 0 ? interval_ms : DEFAULT_POLL_INTERVAL_MS;
        os::SetTimer(nullptr, HOTKEY_TIMER_ID, static_cast<uint32_t>(interval), PollHotkeys);
    }
    return id;
}
