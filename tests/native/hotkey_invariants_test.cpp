// Properties that hold for any key script, checked over seeded random scripts
// and random sets of hotkeys. They are stated the way a user sees a hotkey
// (runs of ticks with the key held, up or tapped), not as the state table.
#include <array>
#include <map>
#include <random>
#include <set>

#include "tests/native/hotkey_fixture.h"

namespace {

using Snapshot = std::array<int16_t, 256>;  // indexed by key code, like the fake

struct Hotkey {
    int32_t id, key, modifiers, second_key;
};

int16_t Entry(const Snapshot& keys, int32_t key) { return keys[KeyByte(key)]; }
bool Held(const Snapshot& keys, int code) { return keys[code] < 0; }

// Whether the modifiers and second key wanted are exactly what is held.
bool Matches(const Hotkey& hotkey, const Snapshot& keys) {
    int32_t const sum = (Held(keys, VK_MENU) ? 1 : 0) + (Held(keys, VK_CONTROL) ? 2 : 0) +
                        (Held(keys, VK_SHIFT) ? 4 : 0) + (Held(keys, VK_LWIN) ? 8 : 0);
    if (sum != hotkey.modifiers) return false;
    if (hotkey.second_key == 0) return true;
    uint8_t const second = KeyByte(hotkey.second_key);
    return second != 0 && Held(keys, second);
}

std::vector<Snapshot> RandomScript(std::mt19937& random, int ticks) {
    struct Key {
        int code;
        double flip;
    };
    const Key keys[] = {{VK_F8, 0.3},    {VK_A, 0.3},     {VK_CONTROL, 0.15}, {VK_SHIFT, 0.1},
                        {VK_MENU, 0.08}, {VK_LWIN, 0.05}, {VK_RWIN, 0.1}};
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::map<int, bool> held;
    std::vector<Snapshot> script;
    for (int t = 0; t < ticks; ++t) {
        Snapshot snapshot{};
        for (const Key& key : keys) {
            if (chance(random) < key.flip) held[key.code] = !held[key.code];
            // The low bit: pressed since the previous read, sometimes seen
            // alone (a tap between ticks) or with the key still held.
            bool const tapped = chance(random) < 0.08;
            snapshot[key.code] = held[key.code] ? static_cast<int16_t>(DOWN | (tapped ? 1 : 0))
                                                : (tapped ? TAPPED : int16_t{0});
        }
        script.push_back(snapshot);
    }
    return script;
}

std::vector<Hotkey> RegisterRandomHotkeys(std::mt19937& random) {
    const int32_t keys[] = {VK_F8, -VK_F8, VK_A, -VK_A, VK_F8 + 256};
    const int32_t modifier_sets[] = {0, 2, 2, 2, 3, 6, 8, 10};
    const int32_t second_keys[] = {0, 0, 0, VK_A, VK_F8, -VK_A, 256};
    auto pick = [&random](const auto& options) {
        return options[std::uniform_int_distribution<size_t>(0, std::size(options) - 1)(random)];
    };
    std::vector<Hotkey> hotkeys;
    std::set<int32_t> ids;
    int const count = std::uniform_int_distribution<int>(1, 5)(random);
    for (int i = 0; i < count; ++i) {
        Hotkey hotkey{0, pick(keys), pick(modifier_sets), pick(second_keys)};
        bool const direct = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        hotkey.id = RegisterHotkey(direct ? CallbackA : CallbackB, hotkey.key, hotkey.modifiers,
                                   hotkey.second_key, 0, direct);
        if (ids.insert(hotkey.id).second) hotkeys.push_back(hotkey);
    }
    return hotkeys;
}

// Press mode: a hotkey fires exactly at the first held tick of a press (the
// ticks since the key was last seen fully up), and then only if the
// modifiers and second key match at that tick.
void CheckPressMode(const Hotkey& hotkey, const std::vector<Snapshot>& script,
                    const std::vector<bool>& fired) {
    bool held_since_up = false;
    for (size_t t = 0; t < script.size(); ++t) {
        int16_t const entry = Entry(script[t], hotkey.key);
        bool const first_held = entry < 0 && !held_since_up;
        if (entry == 0) held_since_up = false;
        if (entry < 0) held_since_up = true;
        bool const expected = first_held && Matches(hotkey, script[t]);
        ASSERT_EQ(fired[t], expected) << "tick " << t << ", entry " << entry;
    }
}

// Release mode: a firing only ever happens at the first tick after a held
// one that no longer sees the key held, with the modifiers matching then; so
// two firings always have a held tick between them. And a press that starts
// from a settled key (the start, or an up tick not right after a held one,
// then only taps) always fires at its release when the modifiers match.
void CheckReleaseMode(const Hotkey& hotkey, const std::vector<Snapshot>& script,
                      const std::vector<bool>& fired) {
    bool settled = true;  // before the current press: the key was settled up
    bool press_settled = false;
    for (size_t t = 0; t < script.size(); ++t) {
        int16_t const entry = Entry(script[t], hotkey.key);
        int16_t const previous = t == 0 ? 0 : Entry(script[t - 1], hotkey.key);
        bool const releasing = entry >= 0 && previous < 0;
        if (fired[t]) {
            ASSERT_TRUE(releasing) << "tick " << t;
            ASSERT_TRUE(Matches(hotkey, script[t])) << "tick " << t;
        }
        if (releasing && press_settled && Matches(hotkey, script[t])) {
            ASSERT_TRUE(fired[t]) << "tick " << t
                                  << ": a settled press was released without firing";
        }

        if (entry < 0 && previous >= 0) press_settled = settled;
        if (entry == 0)
            settled = previous >= 0 || t == 0;
        else if (entry < 0)
            settled = false;
    }
}

TEST_F(HotkeyTest, RandomScriptsKeepThePressAndReleaseProperties) {
    fake::State().record_key_reads = false;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        ReleaseHotkeyTable();
        CreateHotkeyTable();
        std::vector<Hotkey> const hotkeys = RegisterRandomHotkeys(random);
        std::vector<Snapshot> const script = RandomScript(random, 150);

        std::map<int32_t, std::vector<bool>> fired;
        for (const Hotkey& hotkey : hotkeys) fired[hotkey.id].assign(script.size(), false);
        for (size_t t = 0; t < script.size(); ++t) {
            std::copy(script[t].begin(), script[t].end(), fake::State().keys);
            Firings().clear();
            PollHotkeys(nullptr, 0, 0, 0);
            for (const Firing& firing : Firings()) {
                ASSERT_TRUE(fired.count(firing.id)) << firing.id;
                ASSERT_FALSE(fired[firing.id][t]) << "fired twice in one tick";
                fired[firing.id][t] = true;
            }
        }
        for (const Hotkey& hotkey : hotkeys) {
            SCOPED_TRACE(::testing::Message()
                         << "key " << hotkey.key << " modifiers " << hotkey.modifiers
                         << " second key " << hotkey.second_key);
            if (hotkey.key > 0)
                CheckPressMode(hotkey, script, fired[hotkey.id]);
            else
                CheckReleaseMode(hotkey, script, fired[hotkey.id]);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
