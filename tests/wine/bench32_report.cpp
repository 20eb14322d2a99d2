// The Wine half of tools/bench.sh: figures printed as "# fig NAME VALUE"
// notes for the script to gather (no pass/fail on timing):
//   idle:    zena.exe beside bench32_poll_reference.exe (with and without a
//            window) and bench32_hidden_window.exe for 3 windows of 10 s;
//            "cpu window K start/end" lines let the script take CPU and
//            memory from the host side, and the working set
//            and private bytes are also read here (GetProcessMemoryInfo);
//   start:   process start to the host window existing and the tray icon
//            added (its Shell_NotifyIcon request arriving at a Shell_TrayWnd
//            of this program's own), next to bench32_hidden_window.exe's
//            start to its window existing, 20 runs of each;
//   exit:    WM_CLOSE to the host window until the process has ended, with
//            bench64_shell.exe as the shell (200 buttons), 10 runs, split
//            into phases by the stand-in's timestamps.
// Other counts come as ZENA_BENCH_WINDOWS, ZENA_BENCH_IDLE_SECONDS,
// ZENA_BENCH_STARTS, ZENA_BENCH_EXITS, ZENA_BENCH_BUTTONS (the suite runner
// passes no arguments).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/bench_shell.h"
#include "tests/wine/harness.h"
#include "tests/wine/zena_version.h"

namespace {

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits in 1 ms steps (answering messages sent to this thread) until
// condition holds; false on timeout.
template <typename Condition>
bool WaitFinely(DWORD timeout_ms, Condition condition) {
    DWORD const start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        PumpMessages(0);
    }
    return true;
}

int Count(const char* variable, int fallback) {
    char value[32];
    if (GetEnvironmentVariableA(variable, value, sizeof(value))) return atoi(value);
    return fallback;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Quits a program through its window, as a user would; ended otherwise.
void Close(Process& program, HWND window) {
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (!WaitForExit(program, 15000, nullptr)) EndProcess(program);
}

// --- Idle: CPU (host side) and memory ---------------------------------------

struct MemoryInfo {  // PROCESS_MEMORY_COUNTERS_EX
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
    SIZE_T PrivateUsage;
};

void NoteMemory(const char* who, HANDLE process) {
    using GetInfo = BOOL(WINAPI*)(HANDLE, MemoryInfo*, DWORD);
    auto const get_info = reinterpret_cast<GetInfo>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    MemoryInfo info = {};
    info.cb = sizeof(info);
    if (!get_info || !get_info(process, &info, sizeof(info))) return;
    Note("fig mem_ws_%s %lu", who, static_cast<unsigned long>(info.WorkingSetSize));
    Note("fig mem_private_%s %lu", who, static_cast<unsigned long>(info.PrivateUsage));
}

void MeasureIdle(int windows, DWORD seconds) {
    Process zena, plain, windowed, hidden;
    std::string const poller = Quoted(ProgramPath32("bench32_poll_reference.exe"));
    std::string const lifetime = " --seconds " + std::to_string(windows * (seconds + 3) + 30);
    if (!Check(StartZena(zena), "idle: zena starts")) return;
    HWND const host = WaitForHostWindow(zena, 15000);
    if (!Check(host != nullptr, "idle: host window exists") ||
        !Check(StartProgram(plain, poller + lifetime), "idle: reference poller starts") ||
        !Check(StartProgram(windowed, poller + " --window" + lifetime),
               "idle: windowed reference poller starts") ||
        !Check(StartProgram(hidden, Quoted(ProgramPath32("bench32_hidden_window.exe"))),
               "idle: hidden-window reference starts"))
        return;
    Check(WaitForWindow(hidden.pid, "ZenaBenchHiddenWindow", 15000) != nullptr,
          "idle: reference window exists");
    PumpMessages(3000);  // all past their start-up
    for (int window = 1; window <= windows; ++window) {
        Note("cpu window %d start", window);
        NoteMemory("zena", zena.process);
        NoteMemory("reference", hidden.process);
        Sleep(seconds * 1000);
        Note("cpu window %d end", window);
        PumpMessages(1500);  // all still alive while the script takes its closing sample
    }
    Check(IsRunning(zena) && IsRunning(plain) && IsRunning(windowed) && IsRunning(hidden),
          "idle: all four ran throughout");
    Close(zena, host);
    Close(hidden, FindWindowA("ZenaBenchHiddenWindow", nullptr));
}

// --- Start-up ---------------------------------------------------------------

HWND g_real_tray = nullptr;
double g_notified_at = 0;

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA) {
        if (g_notified_at == 0) g_notified_at = NowMs();
        DWORD_PTR result = 0;
        if (g_real_tray)
            SendMessageTimeoutA(g_real_tray, WM_COPYDATA, wparam, lparam, SMTO_ABORTIFHUNG, 5000,
                                &result);
        return static_cast<LRESULT>(result);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// One start of zena: to the host window, to the tray request, both.
bool StartZenaOnce(bool report) {
    Process zena;
    g_notified_at = 0;
    HWND host = nullptr;
    double host_at = 0;
    double const start = NowMs();
    if (!StartZena(zena)) return false;
    bool const up = WaitFinely(20000, [&] {
        if (!host && (host = FindWindowA("ZenaHostWindow", nullptr)) != nullptr) host_at = NowMs();
        return host && g_notified_at != 0;
    });
    if (up && report) {
        Note("fig start_zena_host %.2f", host_at - start);
        Note("fig start_zena_tray %.2f", g_notified_at - start);
        Note("fig start_zena %.2f", (host_at > g_notified_at ? host_at : g_notified_at) - start);
    }
    Close(zena, host);
    return up;
}

bool StartReferenceOnce(bool report) {
    Process reference;
    HWND window = nullptr;
    double const start = NowMs();
    if (!StartProgram(reference, Quoted(ProgramPath32("bench32_hidden_window.exe")))) return false;
    bool const up = WaitFinely(
        20000, [&] { return (window = FindWindowA("ZenaBenchHiddenWindow", nullptr)) != nullptr; });
    if (up && report) Note("fig start_reference %.2f", NowMs() - start);
    Close(reference, window);
    return up;
}

void MeasureStart(int starts) {
    // Shell_NotifyIcon sends its request to the newest Shell_TrayWnd: this
    // one, which times it and hands it on to the real taskbar.
    g_real_tray = FindWindowA("Shell_TrayWnd", nullptr);
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = TrayProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&window_class);
    HWND const tray = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, window_class.hInstance, nullptr);
    if (!Check(tray != nullptr && FindWindowA("Shell_TrayWnd", nullptr) == tray,
               "start: this program's Shell_TrayWnd is the one found"))
        return;
    // One of each first, unreported, so that neither pays for cold caches.
    StartZenaOnce(false);
    StartReferenceOnce(false);
    int zena_up = 0, reference_up = 0;
    for (int run = 0; run < starts; ++run) {
        zena_up += StartZenaOnce(true);
        reference_up += StartReferenceOnce(true);
    }
    Check(zena_up == starts, "start: every zena start showed its window and tray icon", "%d of %d",
          zena_up, starts);
    Check(reference_up == starts, "start: every reference start showed its window", "%d of %d",
          reference_up, starts);
    DestroyWindow(tray);
}

// --- Exit with the sweep ----------------------------------------------------

struct ShellLog {
    std::vector<std::pair<double, std::string>> messages;  // ms, what
    int remaining = -1;
};

ShellLog ReadShellLog(const std::string& path) {
    ShellLog log;
    FILE* const in = std::fopen(path.c_str(), "r");
    if (!in) return log;
    double frequency = 1;
    char line[256];
    while (std::fgets(line, sizeof(line), in)) {
        long long at = 0;
        char what[32];
        if (std::sscanf(line, "frequency %lld", &at) == 1)
            frequency = static_cast<double>(at);
        else if (std::sscanf(line, "remaining %d", &log.remaining) == 1)
            continue;
        else if (std::sscanf(line, "%lld %31s", &at, what) == 2)
            log.messages.emplace_back(1000.0 * static_cast<double>(at) / frequency, what);
    }
    std::fclose(in);
    return log;
}

bool ExitOnce(int buttons, int run) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string const log_path = std::string(temp) + "zena_bench_shell.log";
    DeleteFileA(log_path.c_str());
    std::string const event_name = "zena_bench_shell_ready_" +
                                   std::to_string(GetCurrentProcessId()) + "_" +
                                   std::to_string(run);
    HANDLE const ready = CreateEventA(nullptr, TRUE, FALSE, event_name.c_str());
    Process shell;
    bool const shell_up =
        StartProgram(shell, Quoted(ProgramPath64("bench64_shell.exe")) + " " + Quoted(log_path) +
                                " " + event_name + " " + std::to_string(buttons)) &&
        WaitForSingleObject(ready, 15000) == WAIT_OBJECT_0;
    CloseHandle(ready);
    if (!shell_up) return false;
    HWND shell_tray = nullptr;
    for (HWND window : TopLevelWindowsOf(shell.pid)) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof(name));
        if (strcmp(name, "Shell_TrayWnd") == 0) shell_tray = window;
    }
    if (!shell_tray || FindWindowA("Shell_TrayWnd", nullptr) != shell_tray) return false;

    Process zena;
    if (!StartZena(zena)) return false;
    HWND const host = WaitForHostWindow(zena, 15000);
    if (!host) return false;
    PumpMessages(1500);  // past its start-up, idle as a user would quit it
    double const quit_at = NowMs();
    PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD code = 1;
    bool const ended = WaitForExit(zena, 15000, &code);
    double const ended_at = NowMs();
    SendMessageTimeoutA(shell_tray, BENCH_SHELL_REPORT, 0, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    WaitForExit(shell, 10000, nullptr);
    if (!ended || code != 0) return false;

    ShellLog const log = ReadShellLog(log_path);
    double first = 0, last = 0, notified = 0;
    int deletes = 0, messages = 0;
    for (const auto& [at, what] : log.messages) {
        if (at < quit_at) continue;
        if (what == "notify") {
            if (notified == 0) notified = at;
            continue;
        }
        if (first == 0) first = at;
        last = at;
        ++messages;
        deletes += what == "delete";
    }
    Note("fig exit_total %.2f", ended_at - quit_at);
    if (first != 0) {
        Note("fig exit_before_sweep %.2f", first - quit_at);
        Note("fig exit_sweep %.2f", last - first);
        Note("fig exit_after_sweep %.2f", ended_at - last);
    }
    if (notified != 0) Note("fig exit_icon_removed %.2f", notified - quit_at);
    Note("fig exit_messages %d", messages);
    Note("fig exit_deleted %d", deletes);
    Note("fig exit_remaining %d", log.remaining);
    return first != 0 && log.remaining == buttons / 2;
}

void MeasureExit(int exits, int buttons) {
    // Wine's default version for a program is one the sweep leaves alone.
    if (!Check(SetZenaVersion("win7"), "exit: version win7 set for zena.exe")) return;
    int swept = 0;
    for (int run = 0; run < exits; ++run) swept += ExitOnce(buttons, run);
    ForgetZenaVersion();
    Check(swept == exits,
          "exit: every quit swept the dead half of the buttons and ended with code 0", "%d of %d",
          swept, exits);
}

}  // namespace

int main(int argc, char** argv) {
    int const windows = Count("ZENA_BENCH_WINDOWS", 3);
    DWORD const seconds = static_cast<DWORD>(Count("ZENA_BENCH_IDLE_SECONDS", 10));
    int const starts = Count("ZENA_BENCH_STARTS", 20);
    int const exits = Count("ZENA_BENCH_EXITS", 10);
    int const buttons = Count("ZENA_BENCH_BUTTONS", 200);
    // The harness's watchdog, sized to the whole run.
    std::vector<char*> arguments(argv, argv + argc);
    std::string deadline = std::to_string(120 + windows * (seconds + 5) + starts * 10 + exits * 15);
    char deadline_flag[] = "--deadline";
    arguments.push_back(deadline_flag);
    arguments.push_back(deadline.data());
    HarnessInit(static_cast<int>(arguments.size()), arguments.data());
    if (windows > 0 && seconds > 0) MeasureIdle(windows, seconds);
    if (starts > 0) MeasureStart(starts);
    if (exits > 0) MeasureExit(exits, buttons);
    return HarnessFinish();
}
