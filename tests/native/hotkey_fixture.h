// A fresh hotkey table over the fake key source, a callback that records
// which hotkey ids fired, and ticks driven from tables of key states.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "hotkey/hotkey_table.h"
#include "hotkey/poller.h"
#include "tests/native/fake_calls.h"

constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_F8 = 0x77;
constexpr int VK_A = 0x41;

constexpr int16_t DOWN = -32768;  // 0x8000: held now
constexpr int16_t TAPPED = 1;     // pressed and released since the last read

struct KeyState {
    int code;
    int16_t value;
};
using Tick = std::vector<KeyState>;

inline KeyState Down(int code) { return {code, DOWN}; }
inline KeyState Tapped(int code) { return {code, TAPPED}; }

// Ids delivered to the recording callbacks, in order, with which one ran.
struct Firing {
    char callback;
    int32_t id;
    bool operator==(const Firing& other) const {
        return callback == other.callback && id == other.id;
    }
};
std::vector<Firing>& Firings();
uint32_t OS_CALLBACK CallbackA(void* id);
uint32_t OS_CALLBACK CallbackB(void* id);

class HotkeyTest : public FakeOsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets exactly these keys (all others up) and runs one poll tick.
    static void RunTick(const Tick& keys);
    static HotkeyRecord& Record(size_t slot_from_1);
};
