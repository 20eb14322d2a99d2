// The Wine suite's harness. See harness.h for the output it prints.
#include "tests/wine/harness.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string g_test_name = "test";
std::string g_zena_path;
std::string g_shots_dir;
DWORD g_deadline_ms = 60000;
int g_passed = 0;
int g_failed = 0;
int g_skipped = 0;

// Every program started and not yet ended, so the watchdog can end them too
// when the test itself is stuck.
CRITICAL_SECTION g_lock;
std::vector<HANDLE> g_running;

void PrintLine(const char* format, va_list args) {
    vfprintf(stdout, format, args);
    fputc('\n', stdout);
    fflush(stdout);
}

void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintLine(format, args);
    va_end(args);
}

std::string Environment(const char* name) {
    char value[MAX_PATH * 2];
    DWORD const length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value)) return std::string();
    return std::string(value, length);
}

std::string OwnFolder() {
    char path[MAX_PATH];
    DWORD const length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string(".");
    std::string folder(path, length);
    size_t const slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const char* file_name) {
    if (folder.empty()) return file_name;
    char const last = folder.back();
    return (last == '\\' || last == '/') ? folder + file_name : folder + "\\" + file_name;
}

void Track(HANDLE process) {
    EnterCriticalSection(&g_lock);
    g_running.push_back(process);
    LeaveCriticalSection(&g_lock);
}

void Untrack(HANDLE process) {
    EnterCriticalSection(&g_lock);
    for (size_t i = 0; i < g_running.size(); ++i) {
        if (g_running[i] == process) {
            g_running.erase(g_running.begin() + static_cast<ptrdiff_t>(i));
            break;
        }
    }
    LeaveCriticalSection(&g_lock);
}

void EndAllTracked() {
    EnterCriticalSection(&g_lock);
    for (HANDLE process : g_running) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 2000);
        }
    }
    LeaveCriticalSection(&g_lock);
}

void (*volatile g_watchdog_action)() = nullptr;

DWORD WINAPI Watchdog(LPVOID) {
    Sleep(g_deadline_ms);
    if (g_watchdog_action) g_watchdog_action();
    EndAllTracked();
    Print("not ok - %s finished within %lu s: stuck, ended by its watchdog", g_test_name.c_str(),
          static_cast<unsigned long>(g_deadline_ms / 1000));
    Print("# %s: %d passed, %d failed, %d skipped", g_test_name.c_str(), g_passed, g_failed + 1,
          g_skipped);
    ExitProcess(3);
}

struct FindWindowQuery {
    DWORD pid;
    const char* class_name;  // null: any
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lparam) {
    FindWindowQuery* const query = reinterpret_cast<FindWindowQuery*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->pid) return TRUE;
    if (query->class_name) {
        char class_name[256];
        if (!GetClassNameA(window, class_name, sizeof(class_name))) return TRUE;
        if (strcmp(class_name, query->class_name) != 0) return TRUE;
    }
    query->found->push_back(window);
    return TRUE;
}

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

// --- Checks -----------------------------------------------------------------

void HarnessInit(int argc, char** argv) {
    InitializeCriticalSection(&g_lock);
    // Lines must reach the runner even if this process is ended abruptly.
    setvbuf(stdout, nullptr, _IONBF, 0);

    char module[MAX_PATH];
    DWORD const length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string name(module, length);
        size_t const slash = name.find_last_of("\\/");
        if (slash != std::string::npos) name = name.substr(slash + 1);
        size_t const dot = name.rfind('.');
        if (dot != std::string::npos) name = name.substr(0, dot);
        g_test_name = name;
    }

    g_zena_path = Environment("ZENA_EXE");
    g_shots_dir = Environment("ZENA_SHOTS");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--zena") == 0)
            g_zena_path = argv[i + 1];
        else if (strcmp(argv[i], "--shots") == 0)
            g_shots_dir = argv[i + 1];
        else if (strcmp(argv[i], "--deadline") == 0)
            g_deadline_ms = static_cast<DWORD>(strtoul(argv[i + 1], nullptr, 10)) * 1000;
    }
    if (g_zena_path.empty()) g_zena_path = JoinPath(OwnFolder(), "zena.exe");

    HANDLE const watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog) CloseHandle(watchdog);
    Print("# %s: zena at %s", g_test_name.c_str(), g_zena_path.c_str());
}

bool Check(bool passed, const char* name, const char* detail_format, ...) {
    if (passed) {
        ++g_passed;
        Print("ok - %s", name);
        return true;
    }
    ++g_failed;
    char detail[1024] = "failed";
    if (detail_format) {
        va_list args;
        va_start(args, detail_format);
        vsnprintf(detail, sizeof(detail), detail_format, args);
        va_end(args);
    }
    Print("not ok - %s: %s", name, detail);
    return false;
}

bool CheckEqual(long long actual, long long expected, const char* name) {
    return Check(actual == expected, name, "got %lld (0x%llX), want %lld (0x%llX)", actual,
                 static_cast<unsigned long long>(actual), expected,
                 static_cast<unsigned long long>(expected));
}

void Skip(const char* name, const char* reason) {
    ++g_skipped;
    Print("ok - %s # SKIP %s", name, reason);
}

void Note(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    Print("# %s", text);
}

void SetWatchdogAction(void (*action)()) { g_watchdog_action = action; }

int HarnessFinish() {
    EndAllTracked();
    Print("# %s: %d passed, %d failed, %d skipped", g_test_name.c_str(), g_passed, g_failed,
          g_skipped);
    return g_failed == 0 ? 0 : 1;
}

// --- Paths ------------------------------------------------------------------

std::string ZenaExePath() { return g_zena_path; }

std::string ProgramPath32(const char* file_name) {
    std::string const folder = Environment("ZENA_BIN32");
    return JoinPath(folder.empty() ? OwnFolder() : folder, file_name);
}

std::string ProgramPath64(const char* file_name) {
    std::string const folder = Environment("ZENA_BIN64");
    return JoinPath(folder.empty() ? OwnFolder() : folder, file_name);
}

// --- Programs under test ----------------------------------------------------

Process::~Process() { EndProcess(*this); }

bool StartProgram(Process& out, const std::string& command_line, DWORD creation_flags) {
    EndProcess(out);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::vector<char> writable(command_line.begin(), command_line.end());
    writable.push_back('\0');
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, creation_flags, nullptr,
                        nullptr, &startup, &info)) {
        Note("CreateProcess failed for %s: error %lu", command_line.c_str(),
             static_cast<unsigned long>(GetLastError()));
        return false;
    }
    out.process = info.hProcess;
    out.thread = info.hThread;
    out.pid = info.dwProcessId;
    out.tid = info.dwThreadId;
    Track(out.process);
    return true;
}

bool StartZena(Process& out) { return StartProgram(out, "\"" + g_zena_path + "\""); }

bool WaitForExit(Process& program, DWORD timeout_ms, DWORD* exit_code) {
    if (!program.process) return false;
    DWORD const start = GetTickCount();
    for (;;) {
        DWORD const elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms) break;
        DWORD const result = MsgWaitForMultipleObjects(1, &program.process, FALSE,
                                                       timeout_ms - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(program.process, &code);
            if (exit_code) *exit_code = code;
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) break;
        PumpMessages(0);
    }
    return false;
}

void EndProcess(Process& program) {
    if (program.process) {
        if (WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(program.process, 1);
            WaitForSingleObject(program.process, 5000);
        }
        Untrack(program.process);
        CloseHandle(program.process);
    }
    if (program.thread) CloseHandle(program.thread);
    program.process = nullptr;
    program.thread = nullptr;
    program.pid = 0;
    program.tid = 0;
}

bool IsRunning(const Process& program) {
    return program.process && WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid) {
    std::vector<HWND> found;
    FindWindowQuery query = {pid, nullptr, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return found;
}

HWND WaitForWindow(DWORD pid, const char* class_name, DWORD timeout_ms) {
    HWND window = nullptr;
    WaitUntil(timeout_ms, [&] {
        std::vector<HWND> found;
        FindWindowQuery query = {pid, class_name, &found};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
        window = found.empty() ? nullptr : found.front();
        return window != nullptr;
    });
    return window;
}

HWND WaitForHostWindow(const Process& zena, DWORD timeout_ms) {
    return WaitForWindow(zena.pid, "ZenaHostWindow", timeout_ms);
}

// --- Waiting ----------------------------------------------------------------

void PumpMessages(DWORD ms) {
    DWORD const start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD const elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

// --- Screenshots ------------------------------------------------------------

bool SaveScreenshot(const char* name) {
    if (g_shots_dir.empty()) {
        Note("no screenshot folder given; %s not saved", name);
        return true;
    }
    int const width = GetSystemMetrics(SM_CXSCREEN);
    int const height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD const row_bytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = row_bytes * static_cast<DWORD>(height);

    bool saved = false;
    HDC const screen = GetDC(nullptr);
    HDC const memory = screen ? CreateCompatibleDC(screen) : nullptr;
    void* bits = nullptr;
    HBITMAP const bitmap = memory ? CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                                     DIB_RGB_COLORS, &bits, nullptr, 0)
                                  : nullptr;
    if (bitmap && bits) {
        HGDIOBJ const previous = SelectObject(memory, bitmap);
        BOOL const copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, previous);
        GdiFlush();
        std::string const path = JoinPath(g_shots_dir, (g_test_name + "-" + name + ".bmp").c_str());
        HANDLE const file = copied ? CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                   : INVALID_HANDLE_VALUE;
        if (file != INVALID_HANDLE_VALUE) {
            BITMAPFILEHEADER file_header = {};
            file_header.bfType = 0x4D42;  // "BM"
            file_header.bfOffBits = sizeof(file_header) + sizeof(header);
            file_header.bfSize = file_header.bfOffBits + header.biSizeImage;
            DWORD written[3] = {};
            saved = WriteFile(file, &file_header, sizeof(file_header), &written[0], nullptr) &&
                    WriteFile(file, &header, sizeof(header), &written[1], nullptr) &&
                    WriteFile(file, bits, header.biSizeImage, &written[2], nullptr) &&
                    written[2] == header.biSizeImage;
            CloseHandle(file);
        }
        if (saved) Note("screenshot %s", path.c_str());
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    if (!saved) Note("screenshot %s could not be saved", name);
    return saved;
}

// --- The test's own foreground window ---------------------------------------

TestWindow::~TestWindow() { CloseTestWindow(*this); }

bool OpenForegroundWindow(TestWindow& out, const char* title, int x, int y, int width, int height) {
    CloseTestWindow(out);
    static const char CLASS_NAME[] = "ZenaTestWindow";
    HINSTANCE const instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = TestWindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = CLASS_NAME;
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExA(instance, CLASS_NAME, &existing)) RegisterClassExA(&window_class);

    out.hwnd = CreateWindowExA(0, CLASS_NAME, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                               height, nullptr, nullptr, instance, nullptr);
    if (!out.hwnd) return false;
    ShowWindow(out.hwnd, SW_SHOWNORMAL);
    UpdateWindow(out.hwnd);
    SetForegroundWindow(out.hwnd);
    SetActiveWindow(out.hwnd);
    SetFocus(out.hwnd);
    HWND const window = out.hwnd;
    return WaitUntil(3000, [window] { return GetForegroundWindow() == window; });
}

void CloseTestWindow(TestWindow& window) {
    if (window.hwnd && IsWindow(window.hwnd)) DestroyWindow(window.hwnd);
    window.hwnd = nullptr;
    PumpMessages(0);
}
