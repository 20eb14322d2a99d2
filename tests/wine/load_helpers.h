// Helpers the load and fault tests share: the version Wine reports to
// zena.exe, a stand-in shell started in one of its modes and its report,
// pinning with Ctrl+F8, and zena's thread count.
#pragma once

#include <windows.h>

#include <string>

#include "tests/wine/harness.h"
#include "tests/wine/zena_version.h"

// --- Stand-in shells -----------------------------------------------------------

// Whether this (32-bit) test runs under WOW64, so that the shell, and the
// stand-in started for it, is 64-bit.
bool ShellIs64Bit();

struct Standin {
    Process process;
    HWND tray = nullptr;  // its Shell_TrayWnd
    std::string report_path;
};

struct StandinReport {
    bool read = false;
    std::string tray;      // " id id ..." left in the tray toolbar
    std::string overflow;  // the same for the overflow toolbar
    int foreign_blocks = -1;
    long get_button_calls = -1;
    std::string mapped_since;  // " id id ..." of buttons whose free address got mapped
};

// Starts the stand-in of the shell's bitness in the given mode ("" for the
// ordinary one; see standin_shell.h) and checks that FindWindowA finds its
// Shell_TrayWnd. label names the checks.
bool StartStandin(Standin& standin, const std::string& label, const char* mode = "");
// Asks for the report, waits for the stand-in's end and reads the report.
StandinReport FinishStandin(Standin& standin);

// --- Pinning -------------------------------------------------------------------

bool IsTopmost(HWND window);
void ClearTopmost(HWND window);
// The pointer to a screen point, then waits until it is steady there and a
// little more: under Wine a pointer warp re-reads the X keyboard a moment
// later, letting go of injected keys still held.
bool PlacePointer(int x, int y);
// What it took to pin, beyond one press.
struct PressStats {
    // Presses whose keys Wine let go of before anything was pinned: under
    // Wine a change of the foreground window (every pin makes one) or a
    // pointer warp lets go of injected keys a moment later.
    int wine_drops = 0;
    // Presses whose keys stayed down for the whole timeout and pinned nothing.
    int misses = 0;
};

// Ctrl+F8 (Ctrl first), both released once window is topmost or the time is
// up; a press that pinned nothing is made again, up to five presses in all,
// each counted in stats. Whether it became topmost, and the last press's
// F8-down-to-topmost time.
bool PressCtrlF8UntilTopmost(HWND window, DWORD timeout_ms, DWORD* latency_ms = nullptr,
                             PressStats* stats = nullptr);

// --- zena's threads -------------------------------------------------------------

// Threads of the process in a toolhelp snapshot; -1 when none could be taken.
int ThreadCountOf(DWORD pid);
