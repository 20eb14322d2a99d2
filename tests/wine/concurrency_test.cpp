// Ctrl+F8 pressed rapidly while zena's tray menu is open, and while zena is
// quitting (by WM_CLOSE and through the menu): worker threads start while the
// main thread tracks the menu or destroys the host window and sweeps. No
// crash, no deadlock (zena's main thread keeps answering), exit code 0.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/injected_keys.h"
#include "tests/wine/load_helpers.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 20000;
constexpr DWORD EXIT_TIMEOUT_MS = 20000;
constexpr UINT WM_TRAY_CALLBACK = 0x8064;

HWND FindTrayMenu(DWORD zena_pid) {
    for (HWND window : TopLevelWindowsOf(zena_pid)) {
        char name[32] = "";
        GetClassNameA(window, name, sizeof(name));
        if (std::strcmp(name, "#32768") == 0 && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// zena's main thread still answers a sent message: not deadlocked.
bool Answers(HWND host) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(host, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

// One quick Ctrl+F8: down, a moment for a poll tick, up.
void QuickPress() {
    PressKey(VK_CONTROL);
    PressKey(VK_F8);
    PumpMessages(25);
    ReleaseKey(VK_F8);
    ReleaseKey(VK_CONTROL);
    PumpMessages(25);
}

struct Session {
    Process zena;
    HWND host = nullptr;
    TestWindow target;
};

bool StartSession(Session& s, const std::string& label) {
    if (!Check(StartZena(s.zena), (label + ": zena starts").c_str())) return false;
    s.host = WaitForHostWindow(s.zena, START_TIMEOUT_MS);
    if (!Check(s.host != nullptr, (label + ": host window exists").c_str())) return false;
    if (!Check(OpenForegroundWindow(s.target, "concurrency target", 400, 150, 400, 300),
               (label + ": a target window is in front").c_str()))
        return false;
    // Right of the pointer: the menu opens to its left and below it.
    return Check(PlacePointer(600, 300), (label + ": pointer over the target").c_str());
}

bool EndsWithCodeZero(Session& s, const std::string& label, DWORD asked_at) {
    DWORD code = 1;
    bool const ended = WaitForExit(s.zena, EXIT_TIMEOUT_MS, &code);
    Note("%s: zena ended %lu ms after it was asked to", label.c_str(),
         static_cast<unsigned long>(GetTickCount() - asked_at));
    Check(ended, (label + ": zena exits, no deadlock").c_str());
    return CheckEqual(code, 0, (label + ": exit code").c_str());
}

void PressesWhileTheMenuIsOpen() {
    std::string const label = "menu open";
    Session s;
    if (!StartSession(s, label)) return;
    PostMessageA(s.host, WM_TRAY_CALLBACK, 100, WM_RBUTTONUP);
    HWND menu = nullptr;
    WaitUntil(START_TIMEOUT_MS, [&] { return (menu = FindTrayMenu(s.zena.pid)) != nullptr; });
    if (!Check(menu != nullptr, (label + ": the tray menu opened").c_str())) return;
    PumpMessages(300);
    // The menu took the foreground for zena; injected keys count only from
    // the foreground, so the target is brought back (the menu may close).
    ClearTopmost(s.target.hwnd);
    SetForegroundWindow(s.target.hwnd);
    WaitUntil(2000, [&] { return GetForegroundWindow() == s.target.hwnd; });
    bool const open_before = FindTrayMenu(s.zena.pid) != nullptr;
    int delivered = 0;
    bool pinned = false;
    for (int i = 0; i < 30; ++i) {
        PressKey(VK_CONTROL);
        PressKey(VK_F8);
        if (GetAsyncKeyState(VK_F8) < 0) ++delivered;
        PumpMessages(25);
        ReleaseKey(VK_F8);
        ReleaseKey(VK_CONTROL);
        PumpMessages(25);
        pinned = pinned || IsTopmost(s.target.hwnd);
    }
    bool const open_after = FindTrayMenu(s.zena.pid) != nullptr;
    Note(
        "%s: menu open when the presses began: %s, after them: %s; %d of 30 presses reached the "
        "key state; target pinned: %s",
        label.c_str(), open_before ? "yes" : "no", open_after ? "yes" : "no", delivered,
        pinned ? "yes" : "no");
    SaveScreenshot("menu-presses");
    Check(IsRunning(s.zena) && Answers(s.host),
          (label + ": after 30 rapid presses zena runs and its main thread answers").c_str());
    // The menu's own loop dispatches the poll timer: presses still pin.
    if (delivered > 0 && open_after)
        Check(pinned, (label + ": presses while the menu is open pin the target").c_str());
    else
        Skip((label + ": presses while the menu is open pin the target").c_str(),
             "no injected key reached the key state, or the menu closed meanwhile");
    // Escape closes a menu still open; then the usual close.
    if (HWND const still = FindTrayMenu(s.zena.pid)) {
        PostMessageA(still, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(still, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        Check(WaitUntil(5000, [&] { return FindTrayMenu(s.zena.pid) == nullptr; }),
              (label + ": Escape closes the menu afterwards").c_str());
    }
    ClearTopmost(s.target.hwnd);
    Check(PressCtrlF8UntilTopmost(s.target.hwnd, 3000),
          (label + ": with the menu closed, Ctrl+F8 pins").c_str());
    PumpMessages(100);
    DWORD const asked = GetTickCount();
    PostMessageA(s.host, WM_CLOSE, 0, 0);
    EndsWithCodeZero(s, label, asked);
}

// Presses keep coming while zena destroys its host window and sweeps.
void PressesWhileClosing(bool through_menu) {
    std::string const label = through_menu ? "quit through the menu" : "WM_CLOSE";
    Session s;
    if (!StartSession(s, label)) return;
    for (int i = 0; i < 6; ++i) QuickPress();
    DWORD asked = GetTickCount();
    if (through_menu) {
        PostMessageA(s.host, WM_TRAY_CALLBACK, 100, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil(START_TIMEOUT_MS, [&] { return (menu = FindTrayMenu(s.zena.pid)) != nullptr; });
        if (!Check(menu != nullptr, (label + ": the tray menu opened").c_str())) return;
        // "退出程序" is the second item; the menu reads keys from its queue.
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageA(menu, WM_KEYDOWN, key, 1);
            PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
        }
        asked = GetTickCount();
        SetForegroundWindow(s.target.hwnd);
    } else {
        PressKey(VK_CONTROL);
        PressKey(VK_F8);
        PostMessageA(s.host, WM_CLOSE, 0, 0);
        PumpMessages(20);
        ReleaseKey(VK_F8);
        ReleaseKey(VK_CONTROL);
    }
    // Until it is gone, at the same pace.
    int during = 0;
    while (IsRunning(s.zena) && during < 40) {
        QuickPress();
        ++during;
    }
    Note("%s: %d presses made while zena was ending", label.c_str(), during);
    EndsWithCodeZero(s, label, asked);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0], const_cast<char*>("--deadline"), const_cast<char*>("120")};
    args.insert(args.end(), argv + 1, argv + argc);
    HarnessInit(static_cast<int>(args.size()), args.data());
    InjectedKeysGuard keys;
    PressesWhileTheMenuIsOpen();
    PressesWhileClosing(false);
    PressesWhileClosing(true);
    ReleaseAllKeys();
    return HarnessFinish();
}
