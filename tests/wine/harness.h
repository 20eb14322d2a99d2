// The Wine suite's harness: checks that print one line each, starting and
// ending the programs under test, bounded waits, screenshots, and a visible
// foreground window of the test's own (SendInput is only delivered from a
// process whose window is in the foreground).
//
// Output, one line per check, read by run_suite.sh:
//   ok - <name>
//   not ok - <name>: <detail>
//   ok - <name> # SKIP <reason>
//   # <note>
// and a closing "# <test>: N passed, N failed, N skipped". The exit code is
// non-zero when any check failed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// --- Checks -----------------------------------------------------------------

// Reads the command line (--zena PATH, --shots DIR, --deadline SECONDS) and
// the runner's environment (ZENA_EXE, ZENA_SHOTS, ZENA_BIN32, ZENA_BIN64), and
// starts a watchdog: past the deadline (60 s unless told) the test fails,
// every program it started is ended and the test exits.
void HarnessInit(int argc, char** argv);

// One check. detail_format (printf style) says what was seen when it fails.
bool Check(bool passed, const char* name, const char* detail_format = nullptr, ...)
    __attribute__((format(printf, 3, 4)));
// Integer equality; the failure line shows both values in decimal and hex.
bool CheckEqual(long long actual, long long expected, const char* name);
// A check that cannot be made here, and why; counts neither way.
void Skip(const char* name, const char* reason);
// A "# ..." line: figures and context for the person reading the log.
void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Ends every program still running, prints the summary; the exit code.
int HarnessFinish();
// A procedure the watchdog runs first when it ends a stuck test (for
// example: releasing keys the test still holds). Null clears it.
void SetWatchdogAction(void (*action)());

// --- Paths ------------------------------------------------------------------

// zena.exe: --zena, else ZENA_EXE, else beside this test program.
std::string ZenaExePath();
// A program of the 32-bit or 64-bit build (stand-ins): ZENA_BIN32 or
// ZENA_BIN64 from the runner, else this test program's own folder.
std::string ProgramPath32(const char* file_name);
std::string ProgramPath64(const char* file_name);

// --- Programs under test ----------------------------------------------------

// A program this test started. Non-copyable; going out of scope ends the
// program if it still runs and closes both handles, so every early return
// of a test ends what it started.
struct Process {
    HANDLE process = nullptr;
    HANDLE thread = nullptr;
    DWORD pid = 0;
    DWORD tid = 0;  // its main thread

    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
};

// CreateProcessA with the whole command line (quote the program path);
// creation_flags as CreateProcessA takes them (CREATE_SUSPENDED: the caller
// resumes out.thread).
bool StartProgram(Process& out, const std::string& command_line, DWORD creation_flags = 0);
bool StartZena(Process& out);
// Bounded wait for the program's end, pumping this thread's messages;
// false on timeout. exit_code may be null.
bool WaitForExit(Process& program, DWORD timeout_ms, DWORD* exit_code);
// TerminateProcess on the one program (if it still runs), then closes its
// handles. Safe to call twice.
void EndProcess(Process& program);
bool IsRunning(const Process& program);

// The program's top-level windows, hidden ones included.
std::vector<HWND> TopLevelWindowsOf(DWORD pid);
// Bounded wait for a top-level window of that class owned by pid.
HWND WaitForWindow(DWORD pid, const char* class_name, DWORD timeout_ms);
// zena's hidden host window, class "ZenaHostWindow".
HWND WaitForHostWindow(const Process& zena, DWORD timeout_ms);

// --- Waiting ----------------------------------------------------------------

// Pumps this thread's messages for the given time.
void PumpMessages(DWORD ms);
// Polls condition every 10 ms (pumping messages) until it holds or the time
// is up; returns whether it held.
template <typename Condition>
bool WaitUntil(DWORD timeout_ms, Condition condition) {
    DWORD const start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeout_ms) return condition();
        PumpMessages(10);
    }
}

// --- Screenshots ------------------------------------------------------------

// The whole screen as <shots>\<test>-<name>.bmp (the runner converts it to
// PNG). Without a screenshot folder it notes that and does nothing; false
// only when capturing or writing failed.
bool SaveScreenshot(const char* name);

// --- The test's own foreground window ---------------------------------------

// A visible, captioned top-level window of this process, made the
// foreground window. Non-copyable; destroyed when it goes out of scope.
struct TestWindow {
    HWND hwnd = nullptr;

    TestWindow() = default;
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow();
};

// Creates and shows the window at (x, y) with the given size and waits,
// bounded, until it is the foreground window; false if it never became it
// (the window stays open either way).
bool OpenForegroundWindow(TestWindow& out, const char* title, int x = 100, int y = 100,
                          int width = 300, int height = 200);
void CloseTestWindow(TestWindow& window);
