// Ctrl+F8 end to end: real injected keys, zena's real poll of the key state,
// and the window under the pointer made topmost and foreground.
#include <windows.h>

#include <cstdio>

#include "tests/wine/harness.h"
#include "tests/wine/injected_keys.h"

namespace {

// Long enough for many 10 ms poll ticks even under emulation.
constexpr DWORD SETTLE_MS = 150;
constexpr DWORD FIRE_WAIT_MS = 3000;
constexpr DWORD NO_FIRE_WAIT_MS = 600;

// What the target window and its child control saw of z-order requests.
struct ZOrderLog {
    int requests = 0;  // WM_WINDOWPOSCHANGING without SWP_NOZORDER
    HWND last_insert_after = nullptr;
};
ZOrderLog g_target_log;
ZOrderLog g_child_log;
WNDPROC g_button_proc = nullptr;

void LogZOrder(ZOrderLog& log, LPARAM lparam) {
    const WINDOWPOS* const position = reinterpret_cast<const WINDOWPOS*>(lparam);
    if (position->flags & SWP_NOZORDER) return;
    ++log.requests;
    log.last_insert_after = position->hwndInsertAfter;
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING) LogZOrder(g_target_log, lparam);
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING) LogZOrder(g_child_log, lparam);
    return CallWindowProcA(g_button_proc, window, message, wparam, lparam);
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

struct Scene {
    TestWindow input;  // holds the foreground so that SendInput is delivered
    HWND target = nullptr;
    HWND child = nullptr;
    ~Scene() {
        if (target) DestroyWindow(target);
    }
};

bool BuildScene(Scene& scene) {
    if (!OpenForegroundWindow(scene.input, "hotkey input", 40, 40, 300, 200)) return false;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = TargetProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = "ZenaHotkeyTarget";
    RegisterClassA(&window_class);
    scene.target =
        CreateWindowExA(0, "ZenaHotkeyTarget", "hotkey target", WS_OVERLAPPEDWINDOW, 420, 260, 420,
                        320, nullptr, nullptr, window_class.hInstance, nullptr);
    if (!scene.target) return false;
    // A push button answers hit tests as client area, so it is what the
    // pointer finds (a static control would be transparent to it).
    scene.child =
        CreateWindowExA(0, "BUTTON", "child", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 160,
                        60, scene.target, nullptr, window_class.hInstance, nullptr);
    if (!scene.child) return false;
    g_button_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(scene.child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChildProc)));
    ShowWindow(scene.target, SW_SHOWNOACTIVATE);
    UpdateWindow(scene.target);
    SetForegroundWindow(scene.input.hwnd);
    HWND const input = scene.input.hwnd;
    return WaitUntil(2000, [input] { return GetForegroundWindow() == input; });
}

// Back to the starting point: target ordinary, input window in front.
bool Reset(const Scene& scene) {
    ReleaseAllKeys();
    SetWindowPos(scene.target, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(scene.input.hwnd);
    HWND const input = scene.input.hwnd;
    HWND const target = scene.target;
    bool const ready = WaitUntil(
        2000, [input, target] { return GetForegroundWindow() == input && !IsTopmost(target); });
    PumpMessages(SETTLE_MS);  // zena's poll sees every key up and resets its state
    g_target_log = {};
    g_child_log = {};
    return ready;
}

// Under Wine on X every pointer warp is followed, a little later, by a
// re-read of the X keyboard, which lets go of injected keys still held. So
// the pointer is placed first and left to settle before any key goes down.
bool PointAt(HWND window, int client_x, int client_y) {
    POINT point = {client_x, client_y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    int steady = 0;
    bool const settled = WaitUntil(2000, [&point, &steady] {
        POINT now;
        GetCursorPos(&now);
        steady = (now.x == point.x && now.y == point.y) ? steady + 1 : 0;
        return steady >= 10;
    });
    PumpMessages(SETTLE_MS);
    return settled;
}

// Presses the keys in order, SETTLE_MS apart, so that poll ticks see each
// step; they stay held until released.
void PressInOrder(std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PressKey(key);
        PumpMessages(SETTLE_MS);
    }
}

// Seen from this process: the injected keys are still down.
bool AllHeld(std::initializer_list<WORD> keys) {
    for (WORD key : keys)
        if (GetAsyncKeyState(key) >= 0) return false;
    return true;
}

bool WaitTopmost(HWND window, DWORD ms) {
    return WaitUntil(ms, [window] { return IsTopmost(window); });
}

void PinsTheWindowUnderThePointer(const Scene& scene) {
    if (!Check(PointAt(scene.target, 300, 200), "pointer placed over the target")) return;
    PressKey(VK_CONTROL);
    PumpMessages(SETTLE_MS);
    DWORD const start = GetTickCount();
    PressKey(VK_F8);
    bool const pinned = WaitTopmost(scene.target, FIRE_WAIT_MS);
    DWORD const latency = GetTickCount() - start;
    Check(pinned, "Ctrl+F8 over a window makes it topmost",
          "WS_EX_TOPMOST still clear after %lu ms", static_cast<unsigned long>(FIRE_WAIT_MS));
    HWND const target = scene.target;
    Check(WaitUntil(FIRE_WAIT_MS, [target] { return GetForegroundWindow() == target; }),
          "Ctrl+F8 over a window brings it to the foreground", "foreground is %p",
          static_cast<void*>(GetForegroundWindow()));
    if (pinned)
        Note("one press: F8 down to topmost in %lu ms", static_cast<unsigned long>(latency));
    ReleaseKey(VK_F8);
    ReleaseKey(VK_CONTROL);
}

// Under Wine a change of the foreground window also re-reads the X keyboard,
// which lets go of injected keys (real keys stay down). So this case starts
// with the target already in front: pinning it then changes no focus, and
// the keys stay held for as long as the case needs.
void HoldingF8DoesNotRepeat(const Scene& scene) {
    SetForegroundWindow(scene.target);
    HWND const target = scene.target;
    if (!Check(WaitUntil(2000, [target] { return GetForegroundWindow() == target; }),
               "held press: target in front beforehand"))
        return;
    if (!Check(PointAt(scene.target, 300, 200), "pointer placed over the target")) return;
    PressInOrder({VK_CONTROL});
    PressKey(VK_F8);
    if (!Check(WaitTopmost(scene.target, FIRE_WAIT_MS), "held Ctrl+F8: the first tick pins"))
        return;
    // Undo the pin while both keys stay down: a repeat would pin again.
    SetWindowPos(scene.target, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    bool const repinned = WaitUntil(NO_FIRE_WAIT_MS * 2, [target] { return IsTopmost(target); });
    Check(!repinned, "held Ctrl+F8: no second pin while F8 stays down");
    Check(AllHeld({VK_CONTROL, VK_F8}), "held Ctrl+F8: both keys really stayed down meanwhile");
    ReleaseKey(VK_F8);
    PumpMessages(SETTLE_MS);
    PressKey(VK_F8);
    Check(WaitTopmost(scene.target, FIRE_WAIT_MS),
          "F8 pressed again with Ctrl still held: pins again");
    ReleaseKey(VK_F8);
    ReleaseKey(VK_CONTROL);
}

void CombinationsThatPinNothing(const Scene& scene) {
    struct Case {
        const char* name;
        std::initializer_list<WORD> keys;
    };
    const Case cases[] = {
        {"Ctrl+Shift+F8 pins nothing", {VK_CONTROL, VK_SHIFT, VK_F8}},
        {"F8 first, then Ctrl, pins nothing", {VK_F8, VK_CONTROL}},
        {"F8 alone pins nothing", {VK_F8}},
        {"Ctrl+left Windows key+F8 pins nothing", {VK_CONTROL, VK_LWIN, VK_F8}},
    };
    for (const Case& c : cases) {
        if (!Check(Reset(scene), "reset between cases")) return;
        if (!Check(PointAt(scene.target, 300, 200), "pointer placed over the target")) return;
        PressInOrder(c.keys);
        HWND const target = scene.target;
        bool const pinned = WaitUntil(NO_FIRE_WAIT_MS, [target] { return IsTopmost(target); });
        Check(!pinned, c.name);
        char held_name[128];
        snprintf(held_name, sizeof(held_name), "%s: its keys stayed down all along", c.name);
        Check(AllHeld(c.keys), held_name);
        ReleaseAllKeys();
    }
    // The same scene still pins with the right keys: the cases above were
    // not silent for want of working input.
    if (!Check(Reset(scene), "reset before the control press")) return;
    if (!Check(PointAt(scene.target, 300, 200), "pointer placed over the target")) return;
    PressInOrder({VK_CONTROL, VK_F8});
    Check(WaitTopmost(scene.target, FIRE_WAIT_MS), "after those, Ctrl+F8 still pins");
    ReleaseAllKeys();
}

void ChildControlGetsTheRequest(const Scene& scene) {
    if (!Check(PointAt(scene.child, 80, 30), "pointer placed over the child control")) return;
    POINT cursor;
    GetCursorPos(&cursor);
    if (!Check(WindowFromPoint(cursor) == scene.child, "the pointer is over the child control"))
        return;
    PressInOrder({VK_CONTROL, VK_F8});
    bool const requested = WaitUntil(FIRE_WAIT_MS, [] { return g_child_log.requests > 0; });
    Check(requested, "Ctrl+F8 over a child control: the control itself gets the z-order request",
          "no WM_WINDOWPOSCHANGING with a z-order change reached the control");
    if (requested)
        Note("insert-after seen by the control: %p (HWND_TOPMOST is %p, HWND_TOP %p)",
             static_cast<void*>(g_child_log.last_insert_after), static_cast<void*>(HWND_TOPMOST),
             static_cast<void*>(HWND_TOP));
    PumpMessages(SETTLE_MS);
    Check(!IsTopmost(scene.target), "the control's parent is not made topmost instead");
    Check(g_target_log.requests == 0, "the parent gets no z-order request of its own",
          "%d requests", g_target_log.requests);
    Note("foreground after pinning the control: %p (parent %p, control %p)",
         static_cast<void*>(GetForegroundWindow()), static_cast<void*>(scene.target),
         static_cast<void*>(scene.child));
    ReleaseAllKeys();
}

}  // namespace

int main(int argc, char** argv) {
    HarnessInit(argc, argv);
    InjectedKeysGuard keys;
    Process zena;
    if (!Check(StartZena(zena), "zena starts")) return HarnessFinish();
    if (!Check(WaitForHostWindow(zena, 15000) != nullptr, "host window exists"))
        return HarnessFinish();
    Scene scene;
    if (!Check(BuildScene(scene), "test windows open, the input window in front"))
        return HarnessFinish();

    if (Check(Reset(scene), "ready for a plain press")) PinsTheWindowUnderThePointer(scene);
    SaveScreenshot("pinned");
    if (Check(Reset(scene), "ready for a held press")) HoldingF8DoesNotRepeat(scene);
    CombinationsThatPinNothing(scene);
    if (Check(Reset(scene), "ready for the child control")) ChildControlGetsTheRequest(scene);
    ReleaseAllKeys();
    return HarnessFinish();
}
