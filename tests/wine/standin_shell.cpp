// The stand-in shell's body, shared by its 64-bit and 32-bit builds.
#include "tests/wine/standin_shell.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

HWND g_real_tray = nullptr;  // the taskbar that was there before us
HWND g_tray_toolbar = nullptr;
HWND g_overflow_toolbar = nullptr;
uint8_t* g_records = nullptr;  // one page of owner records, below 4 GiB
void* g_unreadable = nullptr;  // reserved, never committed
std::set<uintptr_t> g_baseline_blocks;
const char* g_report_path = "";
WNDPROC g_toolbar_proc = nullptr;    // comctl32's, under the subclass of the hostile modes
LONG_PTR g_tray_reported_count = 0;  // 0: the real count
LONG_PTR g_overflow_reported_count = 0;
LONG volatile g_get_button_calls = 0;               // TB_GETBUTTON sent from other threads
std::vector<std::pair<int, uintptr_t>> g_unmapped;  // "many": id and the free address it was given
LONG g_exit_at_get_button = 0;  // "dies_in_sweep": ends the process at this call

constexpr size_t RECORD_STRIDE = 0x40;

// A committed, private, read-write allocation of exactly one 4096-byte page:
// what a cross-process reader's scratch block looks like.
std::set<uintptr_t> ScratchLikeBlocks() {
    std::set<uintptr_t> blocks;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    uintptr_t address = reinterpret_cast<uintptr_t>(info.lpMinimumApplicationAddress);
    uintptr_t const end = reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (address < end &&
           VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof(region))) {
        uintptr_t const base = reinterpret_cast<uintptr_t>(region.BaseAddress);
        uintptr_t const next = base + region.RegionSize;
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE &&
            region.Protect == PAGE_READWRITE && region.AllocationBase == region.BaseAddress &&
            region.RegionSize == 4096) {
            MEMORY_BASIC_INFORMATION after;
            bool const alone =
                !VirtualQuery(reinterpret_cast<void*>(next), &after, sizeof(after)) ||
                after.AllocationBase != region.AllocationBase;
            if (alone) blocks.insert(base);
        }
        if (next <= address) break;
        address = next;
    }
    return blocks;
}

// Memory below 4 GiB at or above hint, with the given allocation type.
void* AllocateLow(uintptr_t hint, DWORD type, DWORD protect) {
    for (uintptr_t at = hint; at < 0xF0000000u; at += 0x10000) {
        void* const block = VirtualAlloc(reinterpret_cast<void*>(at), 4096, type, protect);
        if (block) return block;
    }
    return nullptr;
}

uintptr_t Record(size_t slot, HWND owner) {
    uint8_t* const record = g_records + slot * RECORD_STRIDE;
    uintptr_t const handle = reinterpret_cast<uintptr_t>(owner);
    std::memcpy(record, &handle,
                sizeof(handle));  // the shell's layout starts with the owner handle
    return reinterpret_cast<uintptr_t>(record);
}

HWND LiveWindow() {
    return CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
HWND DeadWindow() {
    HWND const window = LiveWindow();
    DestroyWindow(window);
    return window;
}

void AddButton(HWND toolbar, int id, uintptr_t data) {
    TBBUTTON button = {};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = id;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    button.dwData = data;
    button.iString = -1;
    SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

std::string RemainingIds(HWND toolbar) {
    std::string ids;
    if (!toolbar) return ids;
    // The toolbar's own answer, not what a hostile mode tells other processes.
    int const count = static_cast<int>(
        g_toolbar_proc ? CallWindowProcA(g_toolbar_proc, toolbar, TB_BUTTONCOUNT, 0, 0)
                       : SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        if (SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)))
            ids += " " + std::to_string(button.idCommand);
    }
    return ids;
}

void WriteReport() {
    std::set<uintptr_t> const now = ScratchLikeBlocks();
    int foreign = 0;
    for (uintptr_t block : now)
        if (!g_baseline_blocks.count(block)) ++foreign;
    FILE* const out = std::fopen(g_report_path, "w");
    if (!out) return;
    long const get_button_calls = g_get_button_calls;
    std::fprintf(out, "tray%s\noverflow%s\nforeign_blocks %d\n",
                 RemainingIds(g_tray_toolbar).c_str(), RemainingIds(g_overflow_toolbar).c_str(),
                 foreign);
    std::fprintf(out, "get_button_calls %ld\n", get_button_calls);
    // Free when given out, but something may have been placed there since.
    std::string mapped_since;
    for (const auto& [id, address] : g_unmapped) {
        MEMORY_BASIC_INFORMATION first, last;
        bool const free =
            VirtualQuery(reinterpret_cast<void*>(address), &first, sizeof(first)) &&
            VirtualQuery(reinterpret_cast<void*>(address + 23), &last, sizeof(last)) &&
            first.State == MEM_FREE && last.State == MEM_FREE;
        if (!free) mapped_since += " " + std::to_string(id);
    }
    std::fprintf(out, "mapped_since%s\n", mapped_since.c_str());
    std::fclose(out);
}

LRESULT CALLBACK StandinProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA && g_real_tray) {
        // Notification-icon requests find the newest Shell_TrayWnd, this one;
        // the icons belong on the real taskbar.
        DWORD_PTR result = 0;
        SendMessageTimeoutA(g_real_tray, WM_COPYDATA, wparam, lparam, SMTO_ABORTIFHUNG, 5000,
                            &result);
        return static_cast<LRESULT>(result);
    }
    if (message == STANDIN_SET_HOST) {
        Record(STANDIN_HOST_OWNED, reinterpret_cast<HWND>(wparam));
        return 1;
    }
    if (message == STANDIN_UNREADABLE_AT) return reinterpret_cast<LRESULT>(g_unreadable);
    if (message == STANDIN_REPORT) {
        WriteReport();
        PostQuitMessage(0);
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND Create(const char* class_name, HWND parent) {
    DWORD const style = parent ? WS_CHILD : WS_POPUP;
    return CreateWindowExA(0, class_name, "", style, 0, 0, 400, 40, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreateToolbar(HWND parent) {
    HWND const toolbar =
        CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | TBSTYLE_FLAT, 0, 0, 400, 40, parent,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return toolbar;
}

// The hostile modes' toolbars: a count of their choosing for other
// processes, and a count of the TB_GETBUTTON requests they answer.
LRESULT CALLBACK HostileToolbarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    bool const from_outside = InSendMessage() != FALSE;
    if (message == TB_BUTTONCOUNT && from_outside) {
        LONG_PTR const reported =
            window == g_tray_toolbar ? g_tray_reported_count : g_overflow_reported_count;
        if (reported != 0) return reported;
    }
    if (message == TB_GETBUTTON && from_outside) {
        LONG const calls = InterlockedIncrement(&g_get_button_calls);
        if (g_exit_at_get_button != 0 && calls >= g_exit_at_get_button) ExitProcess(0);
    }
    return CallWindowProcA(g_toolbar_proc, window, message, wparam, lparam);
}

void Subclass(HWND toolbar) {
    if (!toolbar) return;
    g_toolbar_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostileToolbarProc)));
}

// A fixed-seed generator, so that a failing run can be repeated.
uint32_t NextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

// A random address whose record lies in no mapping, now or later: inside
// the lowest 64 KiB, which Windows never maps and Linux refuses to
// (mmap_min_addr). Elsewhere "free" is not enough under Wine: memory the
// Unix side maps (libraries' heaps, buffers) is free to VirtualQuery yet
// readable from outside, and comes and goes; random addresses there were
// readable garbage now and then by the time of the sweep.
uintptr_t UnmappedAddress(uint32_t& state) {
    for (;;) {
        uintptr_t const candidate =
            (0x1000 + NextRandom(state) % (0x10000 - 0x1000 - 24)) & ~uintptr_t{3};
        MEMORY_BASIC_INFORMATION first, last;
        if (!VirtualQuery(reinterpret_cast<void*>(candidate), &first, sizeof(first)) ||
            !VirtualQuery(reinterpret_cast<void*>(candidate + 23), &last, sizeof(last)))
            return candidate;  // outside what VirtualQuery answers for: unmapped as well
        if (first.State == MEM_FREE && last.State == MEM_FREE) return candidate;
    }
}

// "many": MANY_BUTTONS buttons in the tray toolbar, cycling through the
// kinds below; only the dead kind may go.
bool AddManyButtons() {
    size_t const bytes = static_cast<size_t>(STANDIN_MANY_BUTTONS) * RECORD_STRIDE;
    uint8_t* records = nullptr;
    for (uintptr_t at = 0x40000000; !records && at < 0xF0000000u; at += 0x100000)
        records = static_cast<uint8_t*>(VirtualAlloc(reinterpret_cast<void*>(at), bytes,
                                                     MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    // A committed page no one may read, never written: on Windows a read of
    // it fails; where it succeeds it yields zeros.
    void* const no_access = AllocateLow(0x3A000000, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    void* const guarded =
        AllocateLow(0x3C000000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
    if (!records || !no_access || !guarded) return false;
    HWND const live = LiveWindow();
    HWND const dead = DeadWindow();
    uint32_t random_state = 0x5EED1234u;
    std::vector<TBBUTTON> buttons(STANDIN_MANY_BUTTONS);
    for (int i = 0; i < STANDIN_MANY_BUTTONS; ++i) {
        TBBUTTON& button = buttons[i];
        button.iBitmap = I_IMAGENONE;
        button.idCommand = i + 1;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.iString = -1;
        uint8_t* const record = records + static_cast<size_t>(i) * RECORD_STRIDE;
        uintptr_t handle = 0;
        switch (StandinManyKind(i + 1)) {
            case StandinKind::DEAD:
                handle = reinterpret_cast<uintptr_t>(dead);
                break;
            case StandinKind::ALIVE:
                handle = reinterpret_cast<uintptr_t>(live);
                break;
            case StandinKind::NO_OWNER:
                button.dwData = 0xFFFFFFFFu;
                break;
            case StandinKind::UNMAPPED:
                break;  // chosen once the toolbar has allocated its buttons, below
            case StandinKind::NO_ACCESS:
                button.dwData = reinterpret_cast<uintptr_t>(no_access) + (i % 64) * 64;
                break;
            case StandinKind::GUARD_PAGE:
                button.dwData = reinterpret_cast<uintptr_t>(guarded) + (i % 64) * 64;
                break;
            case StandinKind::NULL_DATA:
                button.dwData = 0;
                break;
            case StandinKind::RANDOM_HIGH:
                handle = reinterpret_cast<uintptr_t>(dead);
                break;
        }
        if (handle != 0) {
            std::memcpy(record, &handle, sizeof(handle));
            button.dwData = reinterpret_cast<uintptr_t>(record);
        }
#if defined(_WIN64)
        // A random high half over a dead record: the low half alone proves nothing.
        if (StandinManyKind(i + 1) == StandinKind::RANDOM_HIGH)
            button.dwData |= static_cast<uintptr_t>(NextRandom(random_state) | 1u) << 32;
#endif
#if !defined(_WIN64)
        if (StandinManyKind(i + 1) == StandinKind::RANDOM_HIGH)
            button.dwData = 0xFFFFFFFFu;  // no high half here
#endif
    }
    SendMessageA(g_tray_toolbar, TB_ADDBUTTONSA, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
    // Free addresses are picked last: an address picked before the toolbar's
    // own allocations could be heap with arbitrary contents by the sweep.
    for (int i = 0; i < STANDIN_MANY_BUTTONS; ++i) {
        if (StandinManyKind(i + 1) != StandinKind::UNMAPPED) continue;
        TBBUTTONINFOA info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_LPARAM | TBIF_BYINDEX;
        info.lParam = static_cast<LPARAM>(UnmappedAddress(random_state));
        g_unmapped.push_back({i + 1, static_cast<uintptr_t>(info.lParam)});
        SendMessageA(g_tray_toolbar, TB_SETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
    }
    return true;
}

}  // namespace

int RunStandinShell(int argc, char** argv) {
    if (argc < 3) return 2;
    g_report_path = argv[1];
    std::string const mode = argc >= 4 ? argv[3] : "";
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    g_real_tray = FindWindowA("Shell_TrayWnd", nullptr);

    HINSTANCE const instance = GetModuleHandleA(nullptr);
    for (const char* name :
         {"Shell_TrayWnd", "TrayNotifyWnd", "SysPager", "NotifyIconOverflowWindow"}) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = StandinProc;
        window_class.hInstance = instance;
        window_class.lpszClassName = name;
        RegisterClassA(&window_class);
    }
    HWND const overflow = Create("NotifyIconOverflowWindow", nullptr);
    if (mode != "no_overflow_toolbar") g_overflow_toolbar = CreateToolbar(overflow);
    HWND const tray = Create("Shell_TrayWnd", nullptr);
    HWND const notify = Create("TrayNotifyWnd", tray);
    HWND const pager = Create("SysPager", notify);
    g_tray_toolbar = CreateToolbar(pager);

    g_records =
        static_cast<uint8_t*>(AllocateLow(0x30000000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    g_unreadable = AllocateLow(0x38000000, MEM_RESERVE, PAGE_NOACCESS);
    if (!g_tray_toolbar || (!g_overflow_toolbar && mode != "no_overflow_toolbar") || !g_records ||
        !g_unreadable)
        return 3;

    if (mode == "many" && !AddManyButtons()) return 3;
    if (mode == "many") Subclass(g_tray_toolbar);
    if (mode == "counts") {
        g_tray_reported_count = 0x7FFFFFFF;
        g_overflow_reported_count = -5;
        Subclass(g_tray_toolbar);
        Subclass(g_overflow_toolbar);
    }
    if (mode == "dies_in_sweep") {
        g_exit_at_get_button = 3;
        Subclass(g_tray_toolbar);
    }
    if (mode != "many") {
        AddButton(g_tray_toolbar, STANDIN_ALIVE_1, Record(STANDIN_ALIVE_1, LiveWindow()));
        AddButton(g_tray_toolbar, STANDIN_DEAD_1, Record(STANDIN_DEAD_1, DeadWindow()));
        AddButton(g_tray_toolbar, STANDIN_NO_OWNER, 0xFFFFFFFFu);
        AddButton(g_tray_toolbar, STANDIN_ALIVE_2, Record(STANDIN_ALIVE_2, LiveWindow()));
        AddButton(g_tray_toolbar, STANDIN_UNREADABLE, reinterpret_cast<uintptr_t>(g_unreadable));
        // Until told otherwise a live window, so the button is never dead early.
        AddButton(g_tray_toolbar, STANDIN_HOST_OWNED, Record(STANDIN_HOST_OWNED, LiveWindow()));
        AddButton(g_tray_toolbar, STANDIN_DEAD_2, Record(STANDIN_DEAD_2, DeadWindow()));
#if defined(_WIN64)
        // A data value whose low half alone names a dead owner's record.
        uintptr_t const dead_elsewhere = Record(STANDIN_ABOVE_4GIB, DeadWindow());
        AddButton(g_tray_toolbar, STANDIN_ABOVE_4GIB, (uintptr_t{1} << 32) | dead_elsewhere);
#endif
        AddButton(g_tray_toolbar, STANDIN_ALIVE_3, Record(STANDIN_ALIVE_3, LiveWindow()));

        AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_DEAD_1,
                  Record(STANDIN_OVERFLOW_DEAD_1 - 10, DeadWindow()));
        AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_ALIVE,
                  Record(STANDIN_OVERFLOW_ALIVE - 10, LiveWindow()));
        AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_DEAD_2,
                  Record(STANDIN_OVERFLOW_DEAD_2 - 10, DeadWindow()));
        AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_NO_OWNER, 0xFFFFFFFFu);
    }

    g_baseline_blocks = ScratchLikeBlocks();
    HANDLE const ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
