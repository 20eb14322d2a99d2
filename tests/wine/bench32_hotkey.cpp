// Hotkey figures under Wine, printed as notes (no pass/fail on timing):
//   latency: Ctrl+F8 injected with SendInput over a window of this program,
//            F8 down to the window being topmost, over --presses N (60);
//   idle CPU: zena.exe next to bench32_poll_reference.exe (the same 255-key
//            read every 10 ms and nothing else) over --seconds N (10).
// Run by tests/wine/bench_hotkey.sh, which gives it the suite's X server,
// prefix and desktop (and the counts as ZENA_BENCH_PRESSES and
// ZENA_BENCH_SECONDS).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/injected_keys.h"

namespace {

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Waits in 1 ms steps, answering the messages zena's pin sends this thread.
bool WaitTopmostFinely(HWND window, DWORD timeout_ms) {
    DWORD const start = GetTickCount();
    while (!IsTopmost(window)) {
        if (GetTickCount() - start > timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        PumpMessages(0);
    }
    return true;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    size_t const index =
        static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// Every press starts with the target already the foreground window: under
// Wine a change of foreground re-reads the X keyboard and lets go of the
// injected keys, which would lose presses here and there. Pinning then
// changes only the z-order, which is what is timed.
void MeasureLatency(int presses) {
    TestWindow target;
    if (!Check(OpenForegroundWindow(target, "latency target", 420, 260, 420, 320),
               "target window in front"))
        return;
    // Placed once: a pointer warp also lets go of injected keys.
    POINT point = {300, 200};
    ClientToScreen(target.hwnd, &point);
    SetCursorPos(point.x, point.y);
    PumpMessages(500);

    std::vector<double> latencies;
    int missed = 0;
    for (int press = 0; press < presses; ++press) {
        SetWindowPos(target.hwnd, HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        PumpMessages(20);
        PressKey(VK_CONTROL);
        PumpMessages(60);
        LONGLONG const start = Now();
        PressKey(VK_F8);
        bool const pinned = WaitTopmostFinely(target.hwnd, 3000);
        LONGLONG const end = Now();
        ReleaseAllKeys();
        if (pinned)
            latencies.push_back(Milliseconds(end - start));
        else
            ++missed;
        PumpMessages(60);  // zena's poll sees both keys up before the next press
    }
    Check(missed == 0, "every press pinned the target", "%d of %d missed", missed, presses);
    if (latencies.empty()) return;
    double sum = 0;
    for (double latency : latencies) sum += latency;
    Note(
        "latency F8 down -> topmost over %d presses: median %.1f ms, p95 %.1f ms, min %.1f ms, "
        "max %.1f ms, mean %.1f ms",
        static_cast<int>(latencies.size()), Percentile(latencies, 0.5), Percentile(latencies, 0.95),
        *std::min_element(latencies.begin(), latencies.end()),
        *std::max_element(latencies.begin(), latencies.end()),
        sum / static_cast<double>(latencies.size()));
}

// User plus kernel time of a process, in milliseconds.
double CpuMilliseconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto value = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

void MeasureIdleCpu(Process& zena, DWORD seconds) {
    // The plain floor, and the floor for a thread that has a window as
    // zena's UI thread does (see bench32_poll_reference.cpp).
    Process plain;
    Process windowed;
    std::string const program = "\"" + ProgramPath32("bench32_poll_reference.exe") + "\"";
    std::string const lifetime = " --seconds " + std::to_string(seconds + 20);
    if (!Check(StartProgram(plain, program + lifetime), "reference poller starts") ||
        !Check(StartProgram(windowed, program + " --window" + lifetime),
               "windowed reference poller starts"))
        return;
    PumpMessages(3000);  // all past their start-up
    // For the script that samples the same processes from the host side.
    Note("cpu window start: zena pid %lu, references %lu and %lu",
         static_cast<unsigned long>(zena.pid), static_cast<unsigned long>(plain.pid),
         static_cast<unsigned long>(windowed.pid));
    Process* const measured[] = {&zena, &plain, &windowed};
    double before[3];
    for (int i = 0; i < 3; ++i) before[i] = CpuMilliseconds(measured[i]->process);
    LONGLONG const start = Now();
    Sleep(seconds * 1000);
    double const wall = Milliseconds(Now() - start);
    double used[3];
    for (int i = 0; i < 3; ++i) used[i] = CpuMilliseconds(measured[i]->process) - before[i];
    Note("cpu window end");
    PumpMessages(2000);  // all still alive while the script takes its closing sample
    Note(
        "idle CPU over %.1f s as GetProcessTimes reports it (Wine counts little of it): zena %.0f "
        "ms, "
        "reference %.0f ms, windowed reference %.0f ms",
        wall / 1000, used[0], used[1], used[2]);
    Check(IsRunning(plain) && IsRunning(windowed), "reference pollers ran throughout");
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 60;
    DWORD seconds = 10;
    char value[32];
    if (GetEnvironmentVariableA("ZENA_BENCH_PRESSES", value, sizeof(value))) presses = atoi(value);
    if (GetEnvironmentVariableA("ZENA_BENCH_SECONDS", value, sizeof(value)))
        seconds = static_cast<DWORD>(strtoul(value, nullptr, 10));
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], "--presses") == 0) presses = atoi(argv[i + 1]);
        if (strcmp(argv[i], "--seconds") == 0)
            seconds = static_cast<DWORD>(strtoul(argv[i + 1], nullptr, 10));
    }
    HarnessInit(argc, argv);
    InjectedKeysGuard keys;
    Process zena;
    if (!Check(StartZena(zena), "zena starts") ||
        !Check(WaitForHostWindow(zena, 15000) != nullptr, "host window exists"))
        return HarnessFinish();
    if (presses > 0) MeasureLatency(presses);
    if (seconds > 0) MeasureIdleCpu(zena, seconds);
    return HarnessFinish();
}
