#include "tests/wine/load_helpers.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/wine/injected_keys.h"
#include "tests/wine/standin_shell.h"

namespace {

constexpr DWORD STANDIN_START_MS = 20000;
constexpr DWORD STANDIN_END_MS = 20000;

std::string TempPath(const std::string& name) {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

}  // namespace

bool ShellIs64Bit() {
    BOOL wow64 = FALSE;
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    Fn const is_wow64 = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
    return is_wow64 && is_wow64(GetCurrentProcess(), &wow64) && wow64;
}

bool StartStandin(Standin& standin, const std::string& label, const char* mode) {
    char event_name[96];
    std::snprintf(event_name, sizeof(event_name), "zena_load_standin_%lu_%lu",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount()));
    standin.report_path = TempPath("zena_load_standin_" + std::to_string(GetTickCount()) + ".txt");
    DeleteFileA(standin.report_path.c_str());
    HANDLE const ready = CreateEventA(nullptr, TRUE, FALSE, event_name);
    std::string const program = ShellIs64Bit() ? ProgramPath64("standin64_shell.exe")
                                               : ProgramPath32("standin32_shell.exe");
    std::string command = "\"" + program + "\" \"" + standin.report_path + "\" " + event_name;
    if (mode && *mode) command += std::string(" ") + mode;
    bool started = StartProgram(standin.process, command);
    started = started &&
              WaitUntil(STANDIN_START_MS,
                        [&] {
                            return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0 ||
                                   !IsRunning(standin.process);
                        }) &&
              WaitForSingleObject(ready, 0) == WAIT_OBJECT_0;
    CloseHandle(ready);
    if (!Check(started, (label + ": stand-in shell started").c_str(), "no ready signal from %s",
               command.c_str()))
        return false;
    standin.tray = FindWindowA("Shell_TrayWnd", nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(standin.tray, &owner);
    return Check(owner == standin.process.pid,
                 (label + ": FindWindowA(\"Shell_TrayWnd\") returns the stand-in's").c_str(),
                 "found %p of process %lu", static_cast<void*>(standin.tray),
                 static_cast<unsigned long>(owner));
}

StandinReport FinishStandin(Standin& standin) {
    StandinReport report;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(standin.tray, STANDIN_REPORT, 0, 0, SMTO_ABORTIFHUNG, 20000, &result);
    DWORD code = 1;
    if (!WaitForExit(standin.process, STANDIN_END_MS, &code) || code != 0) return report;
    FILE* const in = std::fopen(standin.report_path.c_str(), "r");
    if (!in) return report;
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0) text.append(chunk, got);
    std::fclose(in);
    DeleteFileA(standin.report_path.c_str());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("tray", 0) == 0)
            report.tray = line.substr(4);
        else if (line.rfind("overflow", 0) == 0)
            report.overflow = line.substr(8);
        else if (line.rfind("foreign_blocks ", 0) == 0)
            report.foreign_blocks = std::atoi(line.c_str() + 15);
        else if (line.rfind("mapped_since", 0) == 0)
            report.mapped_since = line.substr(12);
        else if (line.rfind("get_button_calls ", 0) == 0)
            report.get_button_calls = std::atol(line.c_str() + 17);
    }
    report.read = true;
    return report;
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

void ClearTopmost(HWND window) {
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool PlacePointer(int x, int y) {
    SetCursorPos(x, y);
    int steady = 0;
    bool const settled = WaitUntil(2000, [&] {
        POINT now;
        GetCursorPos(&now);
        steady = (now.x == x && now.y == y) ? steady + 1 : 0;
        return steady >= 10;
    });
    PumpMessages(150);
    return settled;
}

bool PressCtrlF8UntilTopmost(HWND window, DWORD timeout_ms, DWORD* latency_ms, PressStats* stats) {
    constexpr int ATTEMPTS = 5;
    // zena samples every key in one pass per tick: Ctrl and F8 pressed within
    // one pass can be seen as F8 without Ctrl, which rightly pins nothing and
    // leaves F8 "held". A person presses Ctrl well before F8; so does this.
    constexpr DWORD CTRL_LEAD_MS = 35;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        PressKey(VK_CONTROL);
        PumpMessages(CTRL_LEAD_MS);
        DWORD const start = GetTickCount();
        PressKey(VK_F8);
        // A tight poll: the figure is the press-to-topmost time.
        bool pinned = IsTopmost(window);
        bool dropped = false;
        while (!pinned && !dropped && GetTickCount() - start < timeout_ms) {
            PumpMessages(2);
            pinned = IsTopmost(window);
            dropped =
                !pinned && (GetAsyncKeyState(VK_F8) >= 0 || GetAsyncKeyState(VK_CONTROL) >= 0);
        }
        if (latency_ms) *latency_ms = GetTickCount() - start;
        ReleaseKey(VK_F8);
        ReleaseKey(VK_CONTROL);
        if (pinned) return true;
        if (stats) ++(dropped ? stats->wine_drops : stats->misses);
        PumpMessages(100);                   // zena's poll sees both up before the next try
        if (IsTopmost(window)) return true;  // zena had seen the press after all
    }
    return false;
}

int ThreadCountOf(DWORD pid) {
    HANDLE const snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid) ++count;
    CloseHandle(snapshot);
    return count;
}
