// A look inside the running zena.exe (32-bit suite only). Some of the host
// window's attributes cannot be read from another process under Wine: the
// class cursor and brush (GetClassLongPtr answers 0 with
// ERROR_INVALID_HANDLE) and the menu bar's items (GetMenuItemCount answers
// -1). And "never shown, not even briefly" needs every show seen as it
// happens. So probe32.dll is hooked (WH_CALLWNDPROC) into zena's main
// thread before it runs: inside zena it reports window creations, shows and
// destructions, and answers queries, by WM_COPYDATA to this test's sink
// window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "tests/wine/harness.h"

// --- Shared with probe32.dll --------------------------------------------------

constexpr char PROBE_SINK_CLASS[] = "ZenaProbeSink";
constexpr char PROBE_QUERY_MESSAGE[] = "ZenaProbeQuery";
constexpr ULONG_PTR PROBE_EVENT = 1;
constexpr ULONG_PTR PROBE_ANSWER = 2;
// The query message's wparam: answer about the window, or keep zena's main
// thread busy for lparam milliseconds (at most 5000).
constexpr WPARAM PROBE_QUERY_ANSWER = 0;
constexpr WPARAM PROBE_QUERY_HOLD = 1;

// A window message zena handled: WM_NCCREATE, WM_SHOWWINDOW (shown),
// WM_WINDOWPOSCHANGING with SWP_SHOWWINDOW, WM_NCDESTROY as they arrive;
// WM_COMMAND once its handler has returned.
struct ProbeEvent {
    uint32_t message;
    uint32_t window;
    uint32_t top_level;    // 1 when its parent is the desktop
    uint32_t alive_after;  // WM_COMMAND: the window still existed when its handler returned
    uint32_t wparam;
    char class_name[64];
};

constexpr int PROBE_MAX_ITEMS = 4;
struct ProbeAnswer {
    uint32_t class_style;
    uint32_t class_cursor;
    uint32_t arrow_cursor;  // LoadCursorA(NULL, IDC_ARROW) inside zena
    uint32_t class_brush;
    int32_t big_icon_width, big_icon_height;  // 0 when there is none
    int32_t small_icon_width, small_icon_height;
    int32_t bar_items;  // GetMenuItemCount of the menu bar, -1 without one
    uint32_t bar_item_is_popup;
    uint32_t bar_type;  // MENUITEMINFO fType
    uint32_t bar_data;  // dwItemData
    char bar_caption[32];
    int32_t popup_items;
    uint32_t popup_ids[PROBE_MAX_ITEMS];
    uint32_t popup_types[PROBE_MAX_ITEMS];  // MENUITEMINFO fType
    uint32_t popup_data[PROBE_MAX_ITEMS];   // dwItemData
    char popup_captions[PROBE_MAX_ITEMS][32];
};

// --- The test's side --------------------------------------------------------

// Loads probe32.dll and creates the sink; non-copyable, undone at scope end.
struct Probe {
    HMODULE dll = nullptr;
    HHOOK hook = nullptr;         // WH_CALLWNDPROC: before the window procedure
    HHOOK return_hook = nullptr;  // WH_CALLWNDPROCRET: after it
    HWND sink = nullptr;
    std::vector<ProbeEvent> events;
    bool answered = false;
    ProbeAnswer answer = {};

    Probe() = default;
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe();
};

// Starts zena suspended, hooks its main thread, lets it run. False (with a
// note saying why) when any step fails; zena is then not running.
bool StartZenaProbed(Process& zena, Probe& probe);
// Asks the probe inside zena about the host window; false when no answer
// came.
bool QueryHost(Probe& probe, HWND host);
int CountProbeEvents(const Probe& probe, uint32_t message, uint32_t window);
// Keeps zena's main thread inside one sent message for ms milliseconds
// without waiting for it, so that messages queued meanwhile are all waiting
// when its loop runs again.
bool HoldZena(HWND host, DWORD ms);
