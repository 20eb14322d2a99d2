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
void* g_unreadable = nullptr;   // reserved, never committed
std::set<uintptr_t> g_baseline_blocks;
const char* g_report_path = "";

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
    while (address < end && VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof(region))) {
        uintptr_t const base = reinterpret_cast<uintptr_t>(region.BaseAddress);
        uintptr_t const next = base + region.RegionSize;
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && region.Protect == PAGE_READWRITE &&
            region.AllocationBase == region.BaseAddress && region.RegionSize == 4096) {
            MEMORY_BASIC_INFORMATION after;
            bool const alone = !VirtualQuery(reinterpret_cast<void*>(next), &after, sizeof(after)) ||
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
    std::memcpy(record, &handle, sizeof(handle));  // the shell's layout starts with the owner handle
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
    int const count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
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
    std::fprintf(out, "tray%s\noverflow%s\nforeign_blocks %d\n", RemainingIds(g_tray_toolbar).c_str(),
                 RemainingIds(g_overflow_toolbar).c_str(), foreign);
    std::fclose(out);
}

LRESULT CALLBACK StandinProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA && g_real_tray) {
        // Notification-icon requests find the newest Shell_TrayWnd, this one;
        // the icons belong on the real taskbar.
        DWORD_PTR result = 0;
        SendMessageTimeoutA(g_real_tray, WM_COPYDATA, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result);
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
    return CreateWindowExA(0, class_name, "", style, 0, 0, 400, 40, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

HWND CreateToolbar(HWND parent) {
    HWND const toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | TBSTYLE_FLAT, 0, 0, 400, 40,
                                         parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return toolbar;
}

}  // namespace

int RunStandinShell(int argc, char** argv) {
    if (argc < 3) return 2;
    g_report_path = argv[1];
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    g_real_tray = FindWindowA("Shell_TrayWnd", nullptr);

    HINSTANCE const instance = GetModuleHandleA(nullptr);
    for (const char* name : {"Shell_TrayWnd", "TrayNotifyWnd", "SysPager", "NotifyIconOverflowWindow"}) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = StandinProc;
        window_class.hInstance = instance;
        window_class.lpszClassName = name;
        RegisterClassA(&window_class);
    }
    HWND const overflow = Create("NotifyIconOverflowWindow", nullptr);
    g_overflow_toolbar = CreateToolbar(overflow);
    HWND const tray = Create("Shell_TrayWnd", nullptr);
    HWND const notify = Create("TrayNotifyWnd", tray);
    HWND const pager = Create("SysPager", notify);
    g_tray_toolbar = CreateToolbar(pager);

    g_records = static_cast<uint8_t*>(AllocateLow(0x30000000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    g_unreadable = AllocateLow(0x38000000, MEM_RESERVE, PAGE_NOACCESS);
    if (!g_tray_toolbar || !g_overflow_toolbar || !g_records || !g_unreadable) return 3;

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

    AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_DEAD_1, Record(STANDIN_OVERFLOW_DEAD_1 - 10, DeadWindow()));
    AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_ALIVE, Record(STANDIN_OVERFLOW_ALIVE - 10, LiveWindow()));
    AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_DEAD_2, Record(STANDIN_OVERFLOW_DEAD_2 - 10, DeadWindow()));
    AddButton(g_overflow_toolbar, STANDIN_OVERFLOW_NO_OWNER, 0xFFFFFFFFu);

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
