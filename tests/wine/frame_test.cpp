// The frame of the real zena.exe seen from outside: no visible window and no
// taskbar button, the hidden host window's attributes, the end of the
// process on WM_CLOSE, and the resources in the file.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/probe.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 15000;
constexpr DWORD EXIT_TIMEOUT_MS = 15000;

uint32_t Word(HWND window) { return static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(window)); }

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// Wine's taskbar (explorer's "Shell_TrayWnd") keeps a child button for
// every window that could be a task, its control id the task's window
// handle, and shows only the buttons of visible tasks.
std::vector<HWND> TaskbarButtonTargets() {
    std::vector<HWND> targets;
    HWND const taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar) return targets;
    for (HWND child = GetWindow(taskbar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        targets.push_back(reinterpret_cast<HWND>(GetWindowLongPtrA(child, GWLP_ID)));
    }
    return targets;
}

bool HasTaskbarButton(HWND window) {
    for (HWND target : TaskbarButtonTargets()) {
        if (target == window) return true;
    }
    return false;
}

// --- Start-up: nothing visible ----------------------------------------------

void CheckNothingVisible(Process& zena, const Probe& probe, bool taskbar_works) {
    PumpMessages(500);  // let any late show arrive
    std::vector<HWND> const windows = TopLevelWindowsOf(zena.pid);
    std::string visible;
    for (HWND window : windows) {
        if (IsWindowVisible(window)) visible += " " + ClassOf(window);
    }
    Note("zena has %u top-level windows", static_cast<unsigned>(windows.size()));
    Check(visible.empty(), "start: no top-level window of zena is visible", "visible:%s",
          visible.c_str());

    std::string shown;
    for (const ProbeEvent& event : probe.events) {
        bool const show = event.message == WM_SHOWWINDOW || event.message == WM_WINDOWPOSCHANGING;
        if (show && event.top_level) shown += std::string(" ") + event.class_name;
    }
    Check(shown.empty(), "start: no top-level window of zena was shown, not even briefly",
          "shown:%s", shown.c_str());

    if (taskbar_works) {
        std::string buttons;
        for (HWND window : windows) {
            if (HasTaskbarButton(window)) buttons += " " + ClassOf(window);
        }
        Check(buttons.empty(), "start: zena has no taskbar button", "buttons for:%s",
              buttons.c_str());
    } else {
        Skip("start: zena has no taskbar button",
             "the taskbar showed no button for this test's own visible window either");
    }
}

// --- The host window's attributes -------------------------------------------

void CheckHostWindow(HWND host) {
    RECT rect = {};
    GetWindowRect(host, &rect);
    int const screen_width = GetSystemMetrics(SM_CXSCREEN);
    int const screen_height = GetSystemMetrics(SM_CYSCREEN);
    Note("screen %dx%d, host window at (%ld,%ld)-(%ld,%ld)", screen_width, screen_height, rect.left,
         rect.top, rect.right, rect.bottom);
    CheckEqual(rect.right - rect.left, 37, "host: outer width 37");
    CheckEqual(rect.bottom - rect.top, 27, "host: outer height 27");
    CheckEqual(rect.left, (screen_width - 37) / 2,
               "host: left is (screen width - 37) / 2, truncated");
    CheckEqual(rect.top, (screen_height - 27) / 2,
               "host: top is (screen height - 27) / 2, truncated");

    Check(!IsWindowVisible(host), "host: hidden");
    LONG const style = GetWindowLongA(host, GWL_STYLE);
    LONG const ex_style = GetWindowLongA(host, GWL_EXSTYLE);
    Note("host style 0x%08lX, extended style 0x%08lX", static_cast<unsigned long>(style),
         static_cast<unsigned long>(ex_style));
    Check((ex_style & WS_EX_TOPMOST) == 0, "host: not topmost", "extended style 0x%08lX",
          static_cast<unsigned long>(ex_style));
    Check((style & (WS_CLIPCHILDREN | WS_MINIMIZEBOX)) == (WS_CLIPCHILDREN | WS_MINIMIZEBOX),
          "host: style has WS_CLIPCHILDREN | WS_MINIMIZEBOX", "style 0x%08lX",
          static_cast<unsigned long>(style));
    Check((style & (WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME)) == 0,
          "host: style has no WS_VISIBLE, WS_SYSMENU or WS_THICKFRAME", "style 0x%08lX",
          static_cast<unsigned long>(style));
    Check(
        GetWindow(host, GW_OWNER) == nullptr && GetAncestor(host, GA_PARENT) == GetDesktopWindow(),
        "host: no owner, no parent");
    char title[64] = "?";
    CheckEqual(GetWindowTextA(host, title, sizeof(title)), 0, "host: empty title");

    CheckEqual(static_cast<long long>(GetClassLongA(host, GCL_STYLE)),
               CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
               "host class: style CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS");
    Check(GetMenu(host) != nullptr, "host: has a menu bar (GetMenu from another process)");
}

bool ItemShows(uint32_t type, uint32_t data, const char* text, uint32_t id, const char* caption) {
    if (type & MFT_OWNERDRAW) return data == id;
    return (type & (MFT_BITMAP | MFT_SEPARATOR)) == 0 && strcmp(text, caption) == 0;
}

// What only zena itself can read: Wine answers another process's class
// cursor and brush with 0 and ERROR_INVALID_HANDLE, and its menu items not
// at all, so these come from the probe inside zena.
void CheckHostFromInside(Probe& probe, HWND host) {
    if (!Check(QueryHost(probe, host), "host (inside): the probe answered")) return;
    const ProbeAnswer& answer = probe.answer;
    CheckEqual(answer.class_style, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
               "host class (inside): style CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS");
    Check(answer.class_cursor != 0 && answer.class_cursor == answer.arrow_cursor,
          "host class (inside): cursor is LoadCursor(NULL, IDC_ARROW)",
          "class cursor 0x%X, arrow 0x%X", answer.class_cursor, answer.arrow_cursor);
    CheckEqual(answer.class_brush, 0, "host class (inside): no background brush");
    Check(answer.big_icon_width == 32 && answer.big_icon_height == 32,
          "host (inside): big icon 32x32", "got %dx%d", answer.big_icon_width,
          answer.big_icon_height);
    Check(answer.small_icon_width == 16 && answer.small_icon_height == 16,
          "host (inside): small icon 16x16", "got %dx%d", answer.small_icon_width,
          answer.small_icon_height);

    // An item shows its text either as a string of its own or, owner-drawn,
    // through its item data: the command identifier the drawing code looks
    // the caption up by.
    CheckEqual(answer.bar_items, 1, "menu bar (inside): one item");
    Check(answer.bar_item_is_popup == 1, "menu bar (inside): the item opens a popup");
    Check(
        ItemShows(answer.bar_type, answer.bar_data, answer.bar_caption, 20000, "\xb2\xcb\xb5\xa5"),
        "menu bar (inside): the item is \"菜单\" (its text, or owner-drawn with data 20000)",
        "type 0x%X, data %u, text \"%s\"", answer.bar_type, answer.bar_data, answer.bar_caption);
    if (!CheckEqual(answer.popup_items, 2, "menu bar (inside): the popup has two items")) return;
    struct Expected {
        uint32_t id;
        const char* caption;  // code page 936
        const char* name;
    };
    static const Expected EXPECTED[2] = {
        {20001, "\xb9\xd8\xb1\xd5\xb5\xb1\xc7\xb0\xd6\xc3\xb6\xa5",
         "1st: id 20001, \"关闭当前置顶\""},
        {20002, "\xcd\xcb\xb3\xf6\xb3\xcc\xd0\xf2", "2nd: id 20002, \"退出程序\""},
    };
    for (int i = 0; i < 2; ++i) {
        char name[128];
        snprintf(name, sizeof(name), "menu bar (inside): popup item %s", EXPECTED[i].name);
        Check(answer.popup_ids[i] == EXPECTED[i].id &&
                  ItemShows(answer.popup_types[i], answer.popup_data[i], answer.popup_captions[i],
                            EXPECTED[i].id, EXPECTED[i].caption),
              name, "id %u, type 0x%X, data %u, text \"%s\"", answer.popup_ids[i],
              answer.popup_types[i], answer.popup_data[i], answer.popup_captions[i]);
    }
}

// --- Ending ------------------------------------------------------------------

void CheckCloseEnds(int close_requests) {
    char name[128];
    Process zena;
    Probe probe;
    bool const started = StartZenaProbed(zena, probe);
    HWND const host = started ? WaitForHostWindow(zena, START_TIMEOUT_MS) : nullptr;
    snprintf(name, sizeof(name), "close x%d: host window found", close_requests);
    if (!Check(host != nullptr, name, "started %d", started)) return;
    for (int i = 0; i < close_requests; ++i) PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD exit_code = 0xDEAD;
    DWORD const start = GetTickCount();
    bool const ended = WaitForExit(zena, EXIT_TIMEOUT_MS, &exit_code);
    snprintf(name, sizeof(name), "close x%d: the process ends within %lu s", close_requests,
             static_cast<unsigned long>(EXIT_TIMEOUT_MS / 1000));
    if (!Check(ended, name, "still running")) return;
    Note("ended %lu ms after WM_CLOSE", static_cast<unsigned long>(GetTickCount() - start));
    snprintf(name, sizeof(name), "close x%d: exit code 0", close_requests);
    CheckEqual(exit_code, 0, name);
    PumpMessages(100);
    snprintf(name, sizeof(name), "close x%d: the host window was destroyed once", close_requests);
    CheckEqual(CountProbeEvents(probe, WM_NCDESTROY, Word(host)), 1, name);
}

// A WM_DEFERRED_DESTROY that no close request asked for leaves the window
// alone: only the destroy-pending mark lets it destroy.
void CheckStrayDeferredDestroy() {
    Process zena;
    Probe probe;
    bool const started = StartZenaProbed(zena, probe);
    HWND const host = started ? WaitForHostWindow(zena, START_TIMEOUT_MS) : nullptr;
    if (!Check(host != nullptr, "stray WM_DEFERRED_DESTROY: host window found")) return;
    PostMessageA(host, 0x8065, 0, 0);
    // Nothing must happen, so give it ample time to happen.
    PumpMessages(1500);
    Check(IsWindow(host) && IsRunning(zena),
          "stray WM_DEFERRED_DESTROY: the host window and the process live on",
          "window %d, running %d", IsWindow(host) != FALSE, IsRunning(zena));
    CheckEqual(CountProbeEvents(probe, WM_NCDESTROY, Word(host)), 0,
               "stray WM_DEFERRED_DESTROY: nothing was destroyed");
    if (!IsRunning(zena)) return;
    PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD exit_code = 0xDEAD;
    Check(WaitForExit(zena, EXIT_TIMEOUT_MS, &exit_code) && exit_code == 0,
          "stray WM_DEFERRED_DESTROY: a WM_CLOSE afterwards still ends it with code 0",
          "exit code 0x%lX", static_cast<unsigned long>(exit_code));
}

// Two "退出程序" commands (20002) in a row: each returns with the window
// still there (the destruction is deferred to the loop), the second finds
// the close pending, and the window is destroyed once.
void CheckQuitCommandTwice() {
    Process zena;
    Probe probe;
    bool const started = StartZenaProbed(zena, probe);
    HWND const host = started ? WaitForHostWindow(zena, START_TIMEOUT_MS) : nullptr;
    if (!Check(host != nullptr, "quit command x2: host window found")) return;
    PumpMessages(200);
    // Both commands wait, as sent messages, until the hold ends; sent
    // messages are handled before the posted WM_DEFERRED_DESTROY.
    bool const queued = HoldZena(host, 700) && SendNotifyMessageA(host, WM_COMMAND, 20002, 0) &&
                        SendNotifyMessageA(host, WM_COMMAND, 20002, 0);
    if (!Check(queued, "quit command x2: both commands queued")) return;
    DWORD exit_code = 0xDEAD;
    bool const ended = WaitForExit(zena, EXIT_TIMEOUT_MS, &exit_code);
    if (!Check(ended, "quit command x2: the process ends", "still running")) return;
    CheckEqual(exit_code, 0, "quit command x2: exit code 0");
    PumpMessages(100);
    int returned_alive = 0;
    int commands = 0;
    for (const ProbeEvent& event : probe.events) {
        if (event.message != WM_COMMAND || event.window != Word(host) || event.wparam != 20002)
            continue;
        ++commands;
        returned_alive += event.alive_after != 0;
    }
    CheckEqual(commands, 2, "quit command x2: both commands reached the host window");
    CheckEqual(returned_alive, 2,
               "quit command x2: each command returned before the window was destroyed");
    CheckEqual(CountProbeEvents(probe, WM_NCDESTROY, Word(host)), 1,
               "quit command x2: the host window was destroyed once");
}

// --- Resources in the file ---------------------------------------------------

void CheckVersionResource(const std::string& exe) {
    DWORD handle = 0;
    DWORD const size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    if (!Check(size > 0, "version: GetFileVersionInfoSizeA finds a version resource")) return;
    std::vector<char> block(size);
    if (!Check(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()) != 0,
               "version: GetFileVersionInfoA reads it"))
        return;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (Check(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
                  fixed && length >= sizeof(VS_FIXEDFILEINFO),
              "version: fixed file info present")) {
        CheckEqual(fixed->dwSignature, 0xFEEF04BD, "version: fixed info signature");
        CheckEqual((static_cast<long long>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS,
                   0x0001000000000000LL, "version: file version 1.0.0.0");
        CheckEqual(
            (static_cast<long long>(fixed->dwProductVersionMS) << 32) | fixed->dwProductVersionLS,
            0x0001000000000000LL, "version: product version 1.0.0.0");
    }

    WORD* translation = nullptr;
    if (Check(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length) &&
                  translation && length >= 4,
              "version: translation present")) {
        CheckEqual(length, 4, "version: exactly one translation");
        CheckEqual(translation[0], 0x0804, "version: language 0x0804");
        CheckEqual(translation[1], 0x04B0, "version: code page 0x04B0");
    }

    struct Text {
        const char* key;
        const char* ansi;     // as the A API gives it under code page 936
        const wchar_t* wide;  // by code point
    };
    static const Text TEXTS[] = {
        {"ProductName", "ZENA", L"ZENA"},
        {"FileDescription", "ZENA\xb4\xb0\xbf\xda\xd6\xc3\xb6\xa5\xb9\xa4\xbe\xdf",
         L"ZENA\x7A97\x53E3\x7F6E\x9876\x5DE5\x5177"},
        {"FileVersion", "1.0.0.0", L"1.0.0.0"},
        {"ProductVersion", "1.0.0.0", L"1.0.0.0"},
    };
    DWORD wide_handle = 0;
    std::wstring const wide_exe(exe.begin(), exe.end());  // the path is ASCII
    DWORD const wide_size = GetFileVersionInfoSizeW(wide_exe.c_str(), &wide_handle);
    std::vector<char> wide_block(wide_size ? wide_size : 1);
    bool const wide_read =
        wide_size && GetFileVersionInfoW(wide_exe.c_str(), 0, wide_size, wide_block.data());
    for (const Text& text : TEXTS) {
        char name[128];
        char path[128];
        snprintf(path, sizeof(path), "\\StringFileInfo\\080404B0\\%s", text.key);
        char* ansi = nullptr;
        UINT ansi_length = 0;
        bool const found =
            VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&ansi), &ansi_length) &&
            ansi;
        snprintf(name, sizeof(name), "version: %s under 080404B0, through the A API", text.key);
        Check(found && strcmp(ansi, text.ansi) == 0, name, "got \"%s\"", found ? ansi : "(none)");

        wchar_t wide_path[128];
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide_path, 128);
        wchar_t* wide = nullptr;
        UINT wide_length = 0;
        bool const wide_found = wide_read &&
                                VerQueryValueW(wide_block.data(), wide_path,
                                               reinterpret_cast<void**>(&wide), &wide_length) &&
                                wide;
        std::string seen;
        for (const wchar_t* c = wide_found ? wide : L""; *c; ++c) {
            char code[12];
            snprintf(code, sizeof(code), " U+%04X", static_cast<unsigned>(*c));
            seen += code;
        }
        snprintf(name, sizeof(name), "version: %s by UTF-16 code points", text.key);
        Check(wide_found && wcscmp(wide, text.wide) == 0, name, "got%s", seen.c_str());
    }
}

void CheckImageResources(const std::string& exe) {
    HMODULE const image = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!Check(image != nullptr, "resources: zena.exe loads as a data file", "error %lu",
               static_cast<unsigned long>(GetLastError())))
        return;

#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, color_count, reserved;
        WORD planes, bit_count;
        DWORD bytes_in_resource;
        WORD id;
    };
    struct Group {
        WORD reserved, type, count;
        GroupEntry entries[1];
    };
#pragma pack(pop)
    HRSRC const group_info = FindResourceA(image, "DEFAULT_ICON", RT_GROUP_ICON);
    HGLOBAL const group_data = group_info ? LoadResource(image, group_info) : nullptr;
    const Group* const group =
        group_data ? static_cast<const Group*>(LockResource(group_data)) : nullptr;
    if (Check(group != nullptr && SizeofResource(image, group_info) >= sizeof(Group),
              "icon: group \"DEFAULT_ICON\" found with FindResourceA(RT_GROUP_ICON)")) {
        const GroupEntry& entry = group->entries[0];
        CheckEqual(group->type, 1, "icon: the group is an icon group");
        CheckEqual(group->count, 1, "icon: one entry");
        Check(entry.width == 64 && entry.height == 64, "icon: the entry is 64x64", "got %ux%u",
              entry.width, entry.height);
        CheckEqual(entry.bit_count, 32, "icon: the entry is 32 bpp");
        CheckEqual(entry.bytes_in_resource, 16958 - 22, "icon: the entry's image is 16936 bytes");

        HRSRC const icon_info = FindResourceA(image, MAKEINTRESOURCEA(entry.id), RT_ICON);
        HGLOBAL const icon_data = icon_info ? LoadResource(image, icon_info) : nullptr;
        const BYTE* const bits =
            icon_data ? static_cast<const BYTE*>(LockResource(icon_data)) : nullptr;
        DWORD const icon_size = icon_info ? SizeofResource(image, icon_info) : 0;
        if (Check(bits && icon_size == entry.bytes_in_resource,
                  "icon: the entry's image is there at the stated size", "size %lu",
                  static_cast<unsigned long>(icon_size))) {
            BITMAPINFOHEADER header;
            memcpy(&header, bits, sizeof(header));
            Check(header.biSize == 40 && header.biWidth == 64 && header.biHeight == 128 &&
                      header.biBitCount == 32,
                  "icon: the image is a 64x64 32 bpp DIB", "header %lu, %ldx%ld, %u bpp",
                  static_cast<unsigned long>(header.biSize), header.biWidth, header.biHeight,
                  header.biBitCount);
            // Some pixels transparent and some opaque: the alpha channel is used.
            int transparent = 0;
            int opaque = 0;
            for (int i = 0; i < 64 * 64; ++i) {
                BYTE const alpha = bits[40 + i * 4 + 3];
                transparent += alpha == 0;
                opaque += alpha == 255;
            }
            Check(transparent > 0 && opaque > 0, "icon: the image has an alpha channel",
                  "%d transparent, %d opaque pixels", transparent, opaque);
            HICON const icon = CreateIconFromResourceEx(const_cast<BYTE*>(bits), icon_size, TRUE,
                                                        0x00030000, 64, 64, 0);
            Check(icon != nullptr, "icon: the system makes an icon of it");
            if (icon) DestroyIcon(icon);
        }
    }

    HRSRC const manifest_info = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL const manifest_data = manifest_info ? LoadResource(image, manifest_info) : nullptr;
    const char* const manifest_bytes =
        manifest_data ? static_cast<const char*>(LockResource(manifest_data)) : nullptr;
    if (Check(manifest_bytes != nullptr, "manifest: resource id 1, type 24 found")) {
        std::string const manifest(manifest_bytes, SizeofResource(image, manifest_info));
        // The identity of the dependency, one element: name, version and
        // architecture must sit in the same element.
        size_t const name_at = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
        size_t const element_start =
            name_at == std::string::npos ? name_at : manifest.rfind('<', name_at);
        size_t const element_end =
            name_at == std::string::npos ? name_at : manifest.find('>', name_at);
        std::string const element =
            element_start == std::string::npos || element_end == std::string::npos
                ? std::string()
                : manifest.substr(element_start, element_end - element_start + 1);
        Check(element.find("<assemblyIdentity") == 0 &&
                  element.find("version=\"6.0.0.0\"") != std::string::npos &&
                  element.find("processorArchitecture=\"x86\"") != std::string::npos &&
                  manifest.find("<dependentAssembly>") < name_at,
              "manifest: depends on Microsoft.Windows.Common-Controls 6.0.0.0 for x86", "got %s",
              element.empty() ? "no such element" : element.c_str());
    }
    FreeLibrary(image);
}

}  // namespace

int main(int argc, char** argv) {
    HarnessInit(argc, argv);

    // The taskbar check counts only once the taskbar shows a button for a
    // visible window of this test's own.
    bool taskbar_works = false;
    {
        TestWindow own;
        // Later tests inject input from such a window; it must get the foreground.
        Check(OpenForegroundWindow(own, "frame_test"),
              "control: this test's own window becomes the foreground window");
        HWND const own_window = own.hwnd;
        taskbar_works = WaitUntil(3000, [own_window] { return HasTaskbarButton(own_window); });
    }

    {
        Process zena;
        Probe probe;
        DWORD const start = GetTickCount();
        bool const started = StartZenaProbed(zena, probe);
        Check(started, "start: zena.exe started with the probe hooked in");
        HWND const host = started ? WaitForHostWindow(zena, START_TIMEOUT_MS) : nullptr;
        if (Check(host != nullptr, "start: host window of class ZenaHostWindow exists")) {
            Note("host window found %lu ms after start",
                 static_cast<unsigned long>(GetTickCount() - start));
            Check(CountProbeEvents(probe, WM_NCCREATE, Word(host)) == 1,
                  "start: the probe saw the host window created", "%u events",
                  static_cast<unsigned>(probe.events.size()));
            CheckNothingVisible(zena, probe, taskbar_works);
            SaveScreenshot("started");
            CheckHostWindow(host);
            CheckHostFromInside(probe, host);
        }
    }

    CheckCloseEnds(1);
    CheckCloseEnds(2);
    CheckStrayDeferredDestroy();
    CheckQuitCommandTwice();

    CheckVersionResource(ZenaExePath());
    CheckImageResources(ZenaExePath());
    return HarnessFinish();
}
