#include "tests/native/hotkey_fixture.h"

#include <algorithm>
#include <cstdlib>

std::vector<Firing>& Firings() {
    static std::vector<Firing> firings;
    return firings;
}

static int32_t IdOf(void* parameter) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(parameter));
}

uint32_t OS_CALLBACK CallbackA(void* id) {
    Firings().push_back({'A', IdOf(id)});
    return 0;
}

uint32_t OS_CALLBACK CallbackB(void* id) {
    Firings().push_back({'B', IdOf(id)});
    return 0;
}

void HotkeyTest::SetUp() {
    FakeOsTest::SetUp();
    ReleaseHotkeyTable();
    CreateHotkeyTable();
    Firings().clear();
}

void HotkeyTest::TearDown() { ReleaseHotkeyTable(); }

void HotkeyTest::RunTick(const Tick& keys) {
    int16_t* const state = fake::State().keys;
    std::fill(state, state + 256, int16_t{0});
    for (const KeyState& key : keys) state[key.code] = key.value;
    PollHotkeys(nullptr, 0x0113, HOTKEY_TIMER_ID, 0);
}

HotkeyRecord& HotkeyTest::Record(size_t slot_from_1) {
    if (slot_from_1 == 0 || slot_from_1 > Hotkeys->records.count) std::abort();
    return *Hotkeys->records.items[slot_from_1 - 1];
}
