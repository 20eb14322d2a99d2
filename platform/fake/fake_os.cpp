// The fake window-system layer: records, then answers from the script.
#include "platform/fake/fake_os.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace fake {

bool operator==(const Call& a, const Call& b) {
    return a.name == b.name && a.args == b.args && a.text == b.text;
}

std::string Describe(const Call& call) {
    std::ostringstream out;
    out << call.name << "(";
    for (size_t i = 0; i < call.args.size(); ++i)
        out << (i ? ", " : "") << "0x" << std::hex << call.args[i];
    if (!call.text.empty()) out << (call.args.empty() ? "" : ", ") << '"' << call.text << '"';
    out << ")";
    return out.str();
}

Os& State() {
    static Os state;
    return state;
}

void Reset() {
    Os& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.clear();
    s.record_key_reads = true;
    s.cursor = {0, 0};
    s.cursor_ok = true;
    s.window_at_point = nullptr;
    s.is_window = nullptr;
    s.find_window = nullptr;
    s.find_window_ex = nullptr;
    s.send_message = nullptr;
    s.window_process_id = 0;
    std::fill(std::begin(s.keys), std::end(s.keys), int16_t{0});
    s.timer_result = 1;
    s.run_threads = true;
    s.thread_fails = false;
    s.next_handle = 0x1000;
    s.open_process_result = reinterpret_cast<os::Handle>(0x2000);
    s.alloc_result = 0x00500000;
    s.read_memory = nullptr;
    s.module_result = reinterpret_cast<os::ModuleHandle>(0x7000);
    s.proc_result = nullptr;
    s.wow64_flag = 0;
    s.blocks = {0x7ffde000, 0x7ffdf000};
    s.environment_word = nullptr;
}

void Record(const char* name, std::initializer_list<uintptr_t> args, const char* text) {
    Os& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.push_back(Call{name, std::vector<uintptr_t>(args), text ? text : ""});
}

std::vector<Call> Calls() {
    Os& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.calls;
}

std::vector<Call> CallsNamed(std::initializer_list<const char*> names) {
    std::vector<Call> picked;
    for (const Call& call : Calls())
        for (const char* name : names)
            if (call.name == name) picked.push_back(call);
    return picked;
}

void ClearCalls() {
    Os& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.clear();
}

static uintptr_t NewHandle() {
    Os& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.next_handle++;
}

}  // namespace fake

namespace os {

using fake::Arg;
using fake::Record;
using fake::State;

bool GetCursorPos(Point* point) {
    Record("GetCursorPos", {});
    if (!State().cursor_ok) return false;
    *point = State().cursor;
    return true;
}

WindowHandle WindowFromPoint(Point point) {
    Record("WindowFromPoint", {Arg(point.x), Arg(point.y)});
    return State().window_at_point;
}

bool SetForegroundWindow(WindowHandle window) {
    Record("SetForegroundWindow", {Arg(window)});
    return window != nullptr;
}

bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                  uint32_t flags) {
    Record("SetWindowPos",
           {Arg(window), Arg(insert_after), Arg(x), Arg(y), Arg(cx), Arg(cy), Arg(flags)});
    return window != nullptr;
}

bool IsWindow(WindowHandle window) {
    Record("IsWindow", {Arg(window)});
    if (State().is_window) return State().is_window(window);
    return window != nullptr;
}

WindowHandle FindWindowA(const char* class_name, const char* title) {
    Record("FindWindowA", {Arg(title)}, class_name);
    return State().find_window ? State().find_window(class_name) : nullptr;
}

WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after, const char* class_name,
                           const char* title) {
    Record("FindWindowExA", {Arg(parent), Arg(child_after), Arg(title)}, class_name);
    return State().find_window_ex ? State().find_window_ex(parent, class_name) : nullptr;
}

intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    Record("SendMessageA", {Arg(window), Arg(message), Arg(wparam), Arg(lparam)});
    return State().send_message ? State().send_message(window, message, wparam, lparam) : 0;
}

uint32_t GetWindowThreadProcessId(WindowHandle window, uint32_t* process_id) {
    Record("GetWindowThreadProcessId", {Arg(window)});
    if (process_id) *process_id = State().window_process_id;
    return State().window_process_id ? 1 : 0;
}

int16_t GetAsyncKeyState(int virtual_key) {
    if (State().record_key_reads) Record("GetAsyncKeyState", {Arg(virtual_key)});
    return State().keys[virtual_key & 0xFF];
}

uintptr_t SetTimer(WindowHandle window, uintptr_t timer_id, uint32_t interval_ms, TimerProc proc) {
    Record("SetTimer",
           {Arg(window), Arg(timer_id), Arg(interval_ms), Arg(reinterpret_cast<void*>(proc))});
    return State().timer_result;
}

Handle CreateThread(ThreadStart start, void* parameter) {
    Record("CreateThread", {Arg(reinterpret_cast<void*>(start)), Arg(parameter)});
    if (State().thread_fails) return nullptr;
    if (State().run_threads) start(parameter);
    return reinterpret_cast<Handle>(fake::NewHandle());
}

bool CloseHandle(Handle handle) {
    Record("CloseHandle", {Arg(handle)});
    return handle != nullptr;
}

Handle OpenProcess(uint32_t access, bool inherit, uint32_t process_id) {
    Record("OpenProcess", {Arg(access), Arg(inherit), Arg(process_id)});
    return State().open_process_result;
}

RemoteAddress VirtualAllocEx(Handle process, RemoteAddress address, size_t size, uint32_t type,
                             uint32_t protect) {
    Record("VirtualAllocEx", {Arg(process), Arg(address), Arg(size), Arg(type), Arg(protect)});
    return State().alloc_result;
}

bool ReadProcessMemory(Handle process, RemoteAddress address, void* buffer, size_t size,
                       size_t* bytes_read) {
    Record("ReadProcessMemory", {Arg(process), Arg(address), Arg(size)});
    size_t done = 0;
    bool const ok = State().read_memory && State().read_memory(address, buffer, size, &done);
    if (bytes_read) *bytes_read = done;
    return ok;
}

bool VirtualFreeEx(Handle process, RemoteAddress address, size_t size, uint32_t type) {
    Record("VirtualFreeEx", {Arg(process), Arg(address), Arg(size), Arg(type)});
    return true;
}

ModuleHandle GetModuleHandleA(const char* name) {
    Record("GetModuleHandleA", {}, name);
    return State().module_result;
}

ProcAddress GetProcAddress(ModuleHandle module, const char* name) {
    Record("GetProcAddress", {Arg(module)}, name);
    return State().proc_result;
}

bool CallIsWow64Process(ProcAddress is_wow64_process, Handle process, int32_t* flag) {
    Record("IsWow64Process",
           {Arg(reinterpret_cast<void*>(is_wow64_process)), Arg(process), Arg(*flag)});
    *flag = State().wow64_flag;
    return true;
}

EnvironmentBlocks CurrentEnvironmentBlocks() {
    Record("CurrentEnvironmentBlocks", {});
    return State().blocks;
}

uint32_t ReadEnvironmentWord(uintptr_t address) {
    return State().environment_word ? State().environment_word(address) : 0;
}

}  // namespace os
