// The exit-time sweep of the real zena.exe against a stand-in shell: which
// buttons survive for each version the tool is told it runs on, that no
// scratch block is left in the shell, and that a missing shell changes
// nothing about the exit. In a 64-bit prefix the stand-in is 64-bit (the
// tool reads under WOW64); in a 32-bit prefix it is 32-bit.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/standin_shell.h"
#include "tests/wine/zena_version.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 20000;
constexpr DWORD EXIT_TIMEOUT_MS = 20000;

bool g_shell_is_64_bit = false;

struct Report {
    bool read = false;
    std::string tray;
    std::string overflow;
    int foreign_blocks = -1;
};

std::string Ids(std::initializer_list<int> ids) {
    std::string text;
    for (int id : ids) text += " " + std::to_string(id);
    return text;
}

std::string TrayAll() {
    if (g_shell_is_64_bit)
        return Ids({STANDIN_ALIVE_1, STANDIN_DEAD_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2,
                    STANDIN_UNREADABLE, STANDIN_HOST_OWNED, STANDIN_DEAD_2, STANDIN_ABOVE_4GIB,
                    STANDIN_ALIVE_3});
    return Ids({STANDIN_ALIVE_1, STANDIN_DEAD_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2,
                STANDIN_UNREADABLE, STANDIN_HOST_OWNED, STANDIN_DEAD_2, STANDIN_ALIVE_3});
}
// Only the buttons whose owners are known to be gone.
std::string TraySwept() {
    if (g_shell_is_64_bit)
        return Ids({STANDIN_ALIVE_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2, STANDIN_UNREADABLE,
                    STANDIN_HOST_OWNED, STANDIN_ABOVE_4GIB, STANDIN_ALIVE_3});
    return Ids({STANDIN_ALIVE_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2, STANDIN_UNREADABLE,
                STANDIN_HOST_OWNED, STANDIN_ALIVE_3});
}
std::string OverflowAll() {
    return Ids({STANDIN_OVERFLOW_DEAD_1, STANDIN_OVERFLOW_ALIVE, STANDIN_OVERFLOW_DEAD_2,
                STANDIN_OVERFLOW_NO_OWNER});
}
std::string OverflowSwept() { return Ids({STANDIN_OVERFLOW_ALIVE, STANDIN_OVERFLOW_NO_OWNER}); }

std::string TempPath(const char* name) {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// A running stand-in shell and what it takes to talk to it.
struct Standin {
    Process process;
    HWND tray = nullptr;
    std::string report_path;
};

bool StartStandin(Standin& standin, const char* label) {
    char event_name[96];
    std::snprintf(event_name, sizeof(event_name), "zena_standin_ready_%lu_%s",
                  static_cast<unsigned long>(GetCurrentProcessId()), label);
    standin.report_path = TempPath((std::string("zena_standin_") + label + ".txt").c_str());
    DeleteFileA(standin.report_path.c_str());
    HANDLE const ready = CreateEventA(nullptr, TRUE, FALSE, event_name);
    std::string const program = g_shell_is_64_bit ? ProgramPath64("standin64_shell.exe")
                                                  : ProgramPath32("standin32_shell.exe");
    bool started = StartProgram(
        standin.process, "\"" + program + "\" \"" + standin.report_path + "\" " + event_name);
    started = started && WaitUntil(START_TIMEOUT_MS,
                                   [&] { return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; });
    CloseHandle(ready);
    if (!Check(started, (std::string(label) + ": stand-in shell started").c_str(),
               "no ready signal from %s", program.c_str()))
        return false;
    // Wine's explorer owns a Shell_TrayWnd already; the newest one is found.
    standin.tray = FindWindowA("Shell_TrayWnd", nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(standin.tray, &owner);
    return Check(
        owner == standin.process.pid,
        (std::string(label) + ": FindWindowA(\"Shell_TrayWnd\") returns the stand-in's").c_str(),
        "found %p of process %lu, stand-in is %lu", static_cast<void*>(standin.tray),
        static_cast<unsigned long>(owner), static_cast<unsigned long>(standin.process.pid));
}

Report FinishStandin(Standin& standin) {
    Report report;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(standin.tray, STANDIN_REPORT, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
    DWORD code = 1;
    if (!WaitForExit(standin.process, EXIT_TIMEOUT_MS, &code) || code != 0) return report;
    FILE* const in = std::fopen(standin.report_path.c_str(), "r");
    if (!in) return report;
    char line[512];
    while (std::fgets(line, sizeof(line), in)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.rfind("tray", 0) == 0)
            report.tray = text.substr(4);
        else if (text.rfind("overflow", 0) == 0)
            report.overflow = text.substr(8);
        else if (text.rfind("foreign_blocks ", 0) == 0)
            report.foreign_blocks = std::atoi(text.c_str() + 15);
    }
    std::fclose(in);
    DeleteFileA(standin.report_path.c_str());
    report.read = true;
    return report;
}

enum class Quit { WM_CLOSE_FROM_OUTSIDE, TRAY_MENU };

// The menu window of zena's tray menu, once it is tracked.
HWND FindTrayMenu(DWORD zena_pid) {
    HWND found = nullptr;
    WaitUntil(START_TIMEOUT_MS, [&] {
        for (HWND window : TopLevelWindowsOf(zena_pid)) {
            char name[32] = "";
            GetClassNameA(window, name, sizeof(name));
            if (std::strcmp(name, "#32768") == 0 && IsWindowVisible(window)) found = window;
        }
        return found != nullptr;
    });
    return found;
}

// "退出程序" as a user picks it: a right-button release on the icon opens the
// menu; the second item is chosen with the keyboard. The menu loop reads
// keys from its thread's queue, so posted ones drive it like typed ones.
bool QuitThroughTrayMenu(const std::string& label, DWORD zena_pid, HWND host) {
    constexpr UINT WM_TRAY_CALLBACK = 0x8064;
    PostMessageA(host, WM_TRAY_CALLBACK, 100, WM_RBUTTONUP);
    HWND const menu = FindTrayMenu(zena_pid);
    if (!Check(menu != nullptr, (label + ": the tray menu opened").c_str())) return false;
    PumpMessages(300);
    SaveScreenshot("tray-menu");
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        PostMessageA(menu, WM_KEYDOWN, key, 1);
        PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
        PumpMessages(100);
    }
    return true;
}

// Starts zena, ends it (WM_CLOSE from here, or its tray menu); whether it
// ended with code 0.
bool RunZenaAndClose(const std::string& label, Standin* standin,
                     Quit quit = Quit::WM_CLOSE_FROM_OUTSIDE) {
    Process zena;
    if (!Check(StartZena(zena), (label + ": zena started").c_str())) return false;
    HWND const host = WaitForHostWindow(zena, START_TIMEOUT_MS);
    if (!Check(host != nullptr, (label + ": host window found").c_str())) return false;
    if (standin) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(standin->tray, STANDIN_SET_HOST, reinterpret_cast<WPARAM>(host), 0,
                            SMTO_ABORTIFHUNG, 10000, &result);
        Check(result == 1,
              (label + ": the stand-in holds a button owned by zena's host window").c_str());
    }
    DWORD const start = GetTickCount();
    if (quit == Quit::TRAY_MENU) {
        if (!QuitThroughTrayMenu(label, zena.pid, host)) return false;
    } else {
        PostMessageA(host, WM_CLOSE, 0, 0);
    }
    DWORD code = 1;
    bool const ended = WaitForExit(zena, EXIT_TIMEOUT_MS, &code);
    Note("%s: zena ended %lu ms after it was asked to (emulated 32-bit)", label.c_str(),
         static_cast<unsigned long>(GetTickCount() - start));
    Check(ended, (label + ": zena exits").c_str());
    return CheckEqual(code, 0, (label + ": exit code").c_str());
}

void SweepCase(const char* version, const std::string& tray_expected,
               const std::string& overflow_expected, Quit quit = Quit::WM_CLOSE_FROM_OUTSIDE) {
    std::string const label =
        std::string(version) + (quit == Quit::TRAY_MENU ? " via the tray menu" : "");
    if (!Check(SetZenaVersion(version), (label + ": version set for zena.exe").c_str())) return;
    Standin standin;
    if (!StartStandin(standin, quit == Quit::TRAY_MENU ? "menu" : version)) return;
    RunZenaAndClose(label, &standin, quit);
    Report const report = FinishStandin(standin);
    if (!Check(report.read, (label + ": stand-in reported").c_str())) return;
    Check(report.tray == tray_expected, (label + ": tray buttons left").c_str(),
          "expected [%s], got [%s]", tray_expected.c_str(), report.tray.c_str());
    Check(report.overflow == overflow_expected, (label + ": overflow buttons left").c_str(),
          "expected [%s], got [%s]", overflow_expected.c_str(), report.overflow.c_str());
    CheckEqual(report.foreign_blocks, 0, (label + ": no scratch block left in the shell").c_str());
}

// The block count would be worthless if a left-over block went unseen.
void ForeignBlockDetectorSeesALeftBlock() {
    Standin standin;
    if (!StartStandin(standin, "detector")) return;
    HANDLE const shell =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, standin.process.pid);
    // What a reader meets at button 5's record: on Windows the read of a
    // reserved page fails; the sweep must leave the button alone either way.
    DWORD_PTR unreadable = 0;
    SendMessageTimeoutA(standin.tray, STANDIN_UNREADABLE_AT, 0, 0, SMTO_ABORTIFHUNG, 10000,
                        &unreadable);
    uint8_t record[24];
    std::memset(record, 0xAB, sizeof(record));
    SIZE_T got = 0;
    BOOL const read_ok = shell && ReadProcessMemory(shell, reinterpret_cast<void*>(unreadable),
                                                    record, sizeof(record), &got);
    Note("reading the reserved page at %p from outside: %s, %lu bytes, first word 0x%08lx",
         reinterpret_cast<void*>(unreadable), read_ok ? "succeeded" : "failed",
         static_cast<unsigned long>(got),
         static_cast<unsigned long>(record[0] | record[1] << 8 | record[2] << 16 |
                                    static_cast<unsigned long>(record[3]) << 24));
    void* const block =
        shell ? VirtualAllocEx(shell, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    Check(block != nullptr, "detector: a block committed in the stand-in");
    if (shell) CloseHandle(shell);
    Report const report = FinishStandin(standin);
    Check(report.read && report.tray == TrayAll() && report.overflow == OverflowAll(),
          "detector: without zena every button stays", "tray [%s], overflow [%s]",
          report.tray.c_str(), report.overflow.c_str());
    CheckEqual(report.foreign_blocks, 1, "detector: the stand-in counts the left block");
}

bool IsWow64() {
    BOOL wow64 = FALSE;
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    Fn const is_wow64 = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
    return is_wow64 && is_wow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

int main(int argc, char** argv) {
    // Several emulated starts and ends of zena: more than the default minute.
    std::vector<char*> args(argv, argv + argc);
    char deadline_flag[] = "--deadline";
    char deadline[] = "170";
    args.insert(args.begin() + 1, {deadline_flag, deadline});
    HarnessInit(static_cast<int>(args.size()), args.data());
    // A run that was cut short may have left a version behind.
    ForgetZenaVersion();
    g_shell_is_64_bit = IsWow64();
    Note("shell stand-in: %s", g_shell_is_64_bit ? "64-bit (zena under WOW64, data at 16)"
                                                 : "32-bit (no WOW64, data at 12)");

    ForeignBlockDetectorSeesALeftBlock();
    SweepCase("win7", TraySwept(), OverflowSwept());
    SweepCase("winxp", TraySwept(), OverflowAll());
    SweepCase("win10", TrayAll(), OverflowAll());
    SweepCase("win7", TraySwept(), OverflowSwept(), Quit::TRAY_MENU);

    // Wine's own taskbar has no notification toolbar below it: the walk
    // finds nothing and the exit is the ordinary one.
    if (Check(SetZenaVersion("win7"), "no shell: version set for zena.exe"))
        RunZenaAndClose("no shell", nullptr);

    ForgetZenaVersion();
    return HarnessFinish();
}
