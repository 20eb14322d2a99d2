// Soak: a thousand Ctrl+F8 presses at about twenty a second against the real
// zena.exe, alternating between two target windows. Every press must pin its
// own target; after every burst zena's worker threads must all have ended;
// and at the end zena still quits with code 0.
//
// The two targets overlap and the pointer stays over the overlap: which of
// them is under the pointer is decided by the z-order, so the targets
// alternate without a pointer warp per press (under Wine a warp lets go of
// injected keys a moment later). Between presses the last target is made
// ordinary again, so each pin is seen afresh.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/injected_keys.h"
#include "tests/wine/load_helpers.h"

namespace {

constexpr int PRESSES = 1000;
constexpr int BURST = 25;
constexpr DWORD PRESS_PERIOD_MS = 50;  // twenty a second
// zena's poll must see F8 up between two presses, or it takes the next press
// for F8 still held: a few of its ticks, which come slower than 10 ms under
// emulation with the test running beside it.
constexpr DWORD MIN_GAP_MS = 40;
constexpr DWORD PIN_TIMEOUT_MS = 1000;
constexpr DWORD IDLE_TIMEOUT_MS = 5000;
// Kept inside the runner's 180 s per program, with the start and the end.
constexpr DWORD SOAK_BUDGET_MS = 150000;

int IdleThreadCount(DWORD pid) {
    // Steady: the same count three times in a row, 200 ms apart.
    int last = -1, same = 0;
    WaitUntil(5000, [&] {
        int const now = ThreadCountOf(pid);
        same = now == last ? same + 1 : 0;
        last = now;
        PumpMessages(200);
        return same >= 2;
    });
    return last;
}

bool UnderPointer(HWND window) {
    POINT cursor;
    GetCursorPos(&cursor);
    HWND const found = WindowFromPoint(cursor);
    return found && GetAncestor(found, GA_ROOT) == window;
}

DWORD WINAPI SleepingThread(void* stop_event) {
    WaitForSingleObject(stop_event, 10000);
    return 0;
}

// The thread count would prove nothing if a running thread went unseen: one
// more thread of this (32-bit, like zena) process must show.
bool SnapshotSeesAThread() {
    DWORD const self = GetCurrentProcessId();
    int const before = ThreadCountOf(self);
    HANDLE const stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE const thread = CreateThread(nullptr, 0, SleepingThread, stop, 0, nullptr);
    int const during = ThreadCountOf(self);
    SetEvent(stop);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(stop);
    int const after = ThreadCountOf(self);
    return Check(before > 0 && during == before + 1 && after == before,
                 "the toolhelp snapshot counts a thread while it runs and not after",
                 "before %d, during %d, after %d", before, during, after);
}

struct Tally {
    int pressed = 0;
    int pinned = 0;
    int not_under_pointer = 0;  // the scene was wrong, not zena
    int other_pinned = 0;       // the other target became topmost instead
    int bursts = 0;
    int bursts_back_to_idle = 0;
    int first_busy_burst = -1;
    int most_threads = 0;
    int most_threads_at_a_pin = 0;  // sampled just after each pin, workers may still run
    std::vector<DWORD> latencies;
    int first_missed = -1;
    PressStats stats;
    int missed_presses = 0;  // presses that needed another press although their keys stayed down
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0], const_cast<char*>("--deadline"), const_cast<char*>("175")};
    args.insert(args.end(), argv + 1, argv + argc);
    HarnessInit(static_cast<int>(args.size()), args.data());
    InjectedKeysGuard keys;
    Process zena;
    if (!SnapshotSeesAThread()) return HarnessFinish();
    if (!Check(StartZena(zena), "zena starts")) return HarnessFinish();
    HWND const host = WaitForHostWindow(zena, 15000);
    if (!Check(host != nullptr, "host window exists")) return HarnessFinish();
    int const idle = IdleThreadCount(zena.pid);
    if (!Check(idle > 0, "zena's threads can be counted (toolhelp snapshot)", "count %d", idle))
        return HarnessFinish();
    Note("zena's idle thread count: %d", idle);

    TestWindow a, b;
    bool const opened = OpenForegroundWindow(a, "soak A", 300, 200, 400, 300) &&
                        OpenForegroundWindow(b, "soak B", 340, 240, 400, 300);
    if (!Check(opened, "two overlapping target windows open")) return HarnessFinish();
    HWND const targets[2] = {a.hwnd, b.hwnd};

    // Placed once: the first press after a pointer warp was now and then
    // missed here (two in a thousand with a warp before every burst), keys
    // held and all, which is Wine's input and not the soak's subject.
    if (!Check(PlacePointer(480, 340), "pointer placed over the two targets' overlap"))
        return HarnessFinish();
    PumpMessages(500);

    Tally t;
    DWORD const soak_start = GetTickCount();
    DWORD next_slot = soak_start;
    DWORD last_release = soak_start;
    for (int press = 0; press < PRESSES; ++press) {
        if (press % BURST == 0) {
            if (GetTickCount() - soak_start > SOAK_BUDGET_MS) break;
            next_slot = GetTickCount();
        }
        HWND const target = targets[press % 2];
        HWND const other = targets[1 - press % 2];
        SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (!UnderPointer(target) || IsTopmost(target)) {
            ++t.not_under_pointer;
            continue;
        }
        DWORD const now = GetTickCount();
        if (static_cast<LONG>(next_slot - now) > 0) PumpMessages(next_slot - now);
        DWORD latency = 0;
        DWORD const pressed_at = GetTickCount();
        int const misses_before = t.stats.misses;
        bool const pinned = PressCtrlF8UntilTopmost(target, PIN_TIMEOUT_MS, &latency, &t.stats);
        bool const missed = t.stats.misses != misses_before;
        if (missed) ++t.missed_presses;
        DWORD const released = GetTickCount();
        ++t.pressed;
        if (pinned) {
            t.most_threads_at_a_pin = std::max(t.most_threads_at_a_pin, ThreadCountOf(zena.pid));
            ++t.pinned;
            t.latencies.push_back(latency);
        }
        if (missed || !pinned) {
            if (t.first_missed < 0) t.first_missed = press;
            POINT cursor;
            GetCursorPos(&cursor);
            HWND const under = WindowFromPoint(cursor);
            Note(
                "press %d: keys held %lu ms pinned nothing (%s); it began %lu ms after the last "
                "release; foreground %s, under the pointer %s, zena's threads %d",
                press, static_cast<unsigned long>(PIN_TIMEOUT_MS),
                pinned ? "pinned by a press made again" : "no press pinned it",
                static_cast<unsigned long>(pressed_at - last_release),
                GetForegroundWindow() == target  ? "the target"
                : GetForegroundWindow() == other ? "the other target"
                                                 : "another window",
                under && GetAncestor(under, GA_ROOT) == target ? "the target" : "another window",
                ThreadCountOf(zena.pid));
        }
        last_release = released;
        if (IsTopmost(other)) ++t.other_pinned;
        ClearTopmost(target);
        ClearTopmost(other);
        next_slot = std::max(next_slot + PRESS_PERIOD_MS, released + MIN_GAP_MS);

        if (press % BURST == BURST - 1) {
            ++t.bursts;
            int seen = 0;
            bool const back = WaitUntil(IDLE_TIMEOUT_MS, [&] {
                int const count = ThreadCountOf(zena.pid);
                seen = std::max(seen, count);
                return count == idle;
            });
            t.most_threads = std::max(t.most_threads, seen);
            if (back)
                ++t.bursts_back_to_idle;
            else if (t.first_busy_burst < 0)
                t.first_busy_burst = t.bursts;
        }
    }
    DWORD const soak_ms = GetTickCount() - soak_start;
    ReleaseAllKeys();

    Note("%d presses in %lu ms: %.1f presses a second over the whole soak (bursts of %d)",
         t.pressed, static_cast<unsigned long>(soak_ms),
         t.pressed * 1000.0 / (soak_ms ? soak_ms : 1), BURST);
    if (!t.latencies.empty()) {
        std::vector<DWORD> sorted = t.latencies;
        std::sort(sorted.begin(), sorted.end());
        Note("F8 down to topmost (emulated 32-bit zena): median %lu ms, p95 %lu ms, max %lu ms",
             static_cast<unsigned long>(sorted[sorted.size() / 2]),
             static_cast<unsigned long>(sorted[sorted.size() * 95 / 100]),
             static_cast<unsigned long>(sorted.back()));
    }
    if (t.pressed < PRESSES)
        Note("only %d of %d presses fitted into the %lu s budget", t.pressed, PRESSES,
             static_cast<unsigned long>(SOAK_BUDGET_MS / 1000));
    Note("presses made again because Wine let go of their keys before zena saw them: %d",
         t.stats.wine_drops);
    Note("presses whose keys stayed down %lu ms and pinned nothing until pressed again: %d",
         static_cast<unsigned long>(PIN_TIMEOUT_MS), t.missed_presses);
    Check(t.bursts >= 10, "the soak made at least ten bursts", "%d bursts", t.bursts);
    CheckEqual(t.not_under_pointer, 0,
               "before every press its target is under the pointer, not topmost");
    Check(t.pinned == t.pressed,
          "every press pins its target (pressed again where it pinned nothing)",
          "%d of %d pinned; the first miss was press %d", t.pinned, t.pressed, t.first_missed);
    // Seen here: 2 to 9 in 1,000 (see the notes above); a zena that lost
    // presses as a rule would be far past this.
    Check(t.missed_presses * 50 <= t.pressed, "at most one press in fifty needs pressing again",
          "%d of %d", t.missed_presses, t.pressed);
    CheckEqual(t.other_pinned, 0, "no press pins the other target");
    Check(t.bursts > 0 && t.bursts_back_to_idle == t.bursts,
          "after every burst zena's thread count returns to its idle value",
          "%d of %d bursts; the first that stayed busy: %d", t.bursts_back_to_idle, t.bursts,
          t.first_busy_burst);
    Note("most threads seen after a burst: %d, just after a pin: %d (idle %d)", t.most_threads,
         t.most_threads_at_a_pin, idle);
    Check(IsRunning(zena) && IsWindow(host), "zena is still running after the soak");

    SaveScreenshot("after-soak");
    PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD code = 1;
    Check(WaitForExit(zena, 15000, &code), "after the soak zena ends on WM_CLOSE");
    CheckEqual(code, 0, "after the soak: exit code 0");
    return HarnessFinish();
}
