// The cost of one poll tick against the fake key source, beyond the 255 key
// reads every tick makes: a tick at 1, 10, 100 and 1000 records, less a
// loop of the same 255 reads alone. Prints figures; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "hotkey/hotkey_table.h"
#include "hotkey/poller.h"
#include "platform/fake/fake_os.h"
#include "platform/os_keys.h"

namespace {

using Clock = std::chrono::steady_clock;

uint32_t OS_CALLBACK Nothing(void*) { return 0; }

// Nanoseconds per call of work(), the best of several runs (the least
// disturbed by the rest of the machine).
template <typename Work>
double NanosecondsPerCall(Work work) {
    constexpr int RUNS = 15;
    constexpr int CALLS = 20000;
    double best = 1e300;
    for (int run = 0; run < RUNS; ++run) {
        auto const start = Clock::now();
        for (int i = 0; i < CALLS; ++i) work();
        std::chrono::duration<double, std::nano> const spent = Clock::now() - start;
        best = std::min(best, spent.count() / CALLS);
    }
    return best;
}

volatile int16_t g_sink;

double BaselineReads() {
    return NanosecondsPerCall([] {
        int16_t entries[256] = {};
        for (int code = 1; code <= 255; ++code) entries[code - 1] = os::GetAsyncKeyState(code);
        g_sink = entries[0x76];
    });
}

// Records on distinct keys and modifier sets, none of them F8 with Ctrl alone.
void FillTable(int records) {
    ReleaseHotkeyTable();
    CreateHotkeyTable();
    for (int i = 0; i < records; ++i) {
        int const key = 1 + i % 255;
        int const modifiers = (i / 255) % 16;
        RegisterHotkey(Nothing, key, modifiers == 2 && key == 0x77 ? 3 : modifiers, 0, 0, true);
    }
}

double Tick() {
    return NanosecondsPerCall([] { PollHotkeys(nullptr, 0, 0, 0); });
}

}  // namespace

int main() {
    fake::Reset();
    fake::State().record_key_reads = false;
    double const baseline = BaselineReads();
    std::printf("one poll tick, fake key source, best of 15 x 20000 ticks\n");
    std::printf("255 key reads alone: %.1f ns\n", baseline);
    std::printf("%8s  %-18s %10s %12s %14s\n", "records", "keyboard", "tick ns", "engine ns",
                "ns per record");
    for (int records : {0, 1, 10, 100, 1000}) {
        FillTable(records);
        struct Keyboard {
            const char* name;
            std::vector<int> held;
        };
        // Idle: every record sees its key up. Held: a quarter of the key
        // codes are down, so records go through the fire check.
        std::vector<int> quarter;
        for (int code = 1; code <= 255; code += 4) quarter.push_back(code);
        for (const Keyboard& keyboard :
             {Keyboard{"all keys up", {}}, Keyboard{"1/4 keys held", quarter}}) {
            std::fill(fake::State().keys, fake::State().keys + 256, int16_t{0});
            for (int code : keyboard.held) fake::State().keys[code] = -32768;
            PollHotkeys(nullptr, 0, 0, 0);  // past the first press: the steady held state
            double const tick = Tick();
            double const engine = tick - baseline;
            if (records)
                std::printf("%8d  %-18s %10.1f %12.1f %14.2f\n", records, keyboard.name, tick,
                            engine, engine / records);
            else
                std::printf("%8d  %-18s %10.1f %12.1f %14s\n", records, keyboard.name, tick, engine,
                            "-");
        }
    }
    ReleaseHotkeyTable();
    return 0;
}
