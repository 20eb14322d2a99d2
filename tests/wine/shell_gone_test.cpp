// The shell goes away while zena runs: the stand-in shell that took zena's
// tray icon quits (or is ended outright). zena must keep pinning with
// Ctrl+F8 and, asked to close, exit normally with code 0 although the shell
// its sweep would read is gone.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/injected_keys.h"
#include "tests/wine/load_helpers.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 20000;
constexpr DWORD PIN_TIMEOUT_MS = 3000;

enum class Gone { QUITS, ENDED };

bool PinOver(HWND target, const Process& zena) {
    RECT r{};
    GetWindowRect(target, &r);
    ClearTopmost(target);
    if (!PlacePointer((r.left + r.right) / 2, (r.top + r.bottom) / 2)) return false;
    PressStats stats;
    DWORD latency = 0;
    bool const pinned = PressCtrlF8UntilTopmost(target, PIN_TIMEOUT_MS, &latency, &stats);
    if (!pinned || stats.misses > 0) {
        POINT cursor;
        GetCursorPos(&cursor);
        Note(
            "%s: %d presses let go of by Wine, %d held and pinning nothing; foreground %p "
            "(target %p), under the pointer %p, zena's threads %d",
            pinned ? "pinned only when pressed again" : "not pinned", stats.wine_drops,
            stats.misses, static_cast<void*>(GetForegroundWindow()), static_cast<void*>(target),
            static_cast<void*>(WindowFromPoint(cursor)), ThreadCountOf(zena.pid));
    }
    PumpMessages(100);  // zena's poll sees both keys up before anything else
    return pinned;
}

void ShellGoes(const char* label, Gone how) {
    std::string const name = label;
    Standin standin;
    if (!StartStandin(standin, name)) return;
    Process zena;
    if (!Check(StartZena(zena), (name + ": zena starts").c_str())) return;
    HWND const host = WaitForHostWindow(zena, START_TIMEOUT_MS);
    if (!Check(host != nullptr, (name + ": host window exists").c_str())) return;
    TestWindow target;
    if (!Check(OpenForegroundWindow(target, "shell gone target", 300, 200, 300, 200),
               (name + ": a target window is in front").c_str()))
        return;
    Check(PinOver(target.hwnd, zena), (name + ": with the shell there, Ctrl+F8 pins").c_str());

    if (how == Gone::QUITS) {
        StandinReport const report = FinishStandin(standin);
        Check(report.read, (name + ": the stand-in shell quit").c_str());
    } else {
        EndProcess(standin.process);
    }
    Check(!IsWindow(standin.tray), (name + ": its Shell_TrayWnd is gone").c_str());
    PumpMessages(500);
    Check(IsRunning(zena) && IsWindow(host), (name + ": zena keeps running").c_str());

    for (int i = 0; i < 3; ++i) {
        std::string const check =
            name + ": without the shell, Ctrl+F8 still pins (press " + std::to_string(i + 1) + ")";
        Check(PinOver(target.hwnd, zena), check.c_str());
    }
    PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD code = 1;
    Check(WaitForExit(zena, START_TIMEOUT_MS, &code), (name + ": zena ends on WM_CLOSE").c_str());
    CheckEqual(code, 0, (name + ": exit code").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0], const_cast<char*>("--deadline"), const_cast<char*>("120")};
    args.insert(args.end(), argv + 1, argv + argc);
    HarnessInit(static_cast<int>(args.size()), args.data());
    InjectedKeysGuard keys;
    // A version whose exit sweeps both toolbars, so the exit looks for them.
    ForgetZenaVersion();
    if (!Check(SetZenaVersion("win7"), "zena is told it runs on Windows 7")) return HarnessFinish();
    ShellGoes("shell quits", Gone::QUITS);
    ShellGoes("shell ended", Gone::ENDED);
    ForgetZenaVersion();
    return HarnessFinish();
}
