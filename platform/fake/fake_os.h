// A desktop-free stand-in for the window-system layer, for native tests.
// Every operation is recorded in order; results come from plain scripted
// fields or, where a test needs a model (a toolbar, a key script), from a
// hook it installs. Reset() returns everything to the defaults below.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/os_keys.h"
#include "platform/os_process.h"
#include "platform/os_window.h"

namespace fake {

struct Call {
    std::string name;
    std::vector<uintptr_t> args;  // handles and numbers, widened
    std::string text;             // the string argument, if the operation takes one
};

bool operator==(const Call& a, const Call& b);
std::string Describe(const Call& call);

template <typename T>
uintptr_t Arg(T value) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<uintptr_t>(value);
    else
        return static_cast<uintptr_t>(value);
}

struct Os {
    std::mutex mutex;  // workers pin while the UI thread unpins
    std::vector<Call> calls;
    bool record_key_reads = true;  // off for benchmarks of the poller

    // Window operations.
    os::Point cursor{0, 0};
    bool cursor_ok = true;
    os::WindowHandle window_at_point = nullptr;
    std::function<bool(os::WindowHandle)> is_window;  // default: any non-null handle
    std::function<os::WindowHandle(const char* class_name)> find_window;
    std::function<os::WindowHandle(os::WindowHandle parent, const char* class_name)> find_window_ex;
    std::function<intptr_t(os::WindowHandle, uint32_t, uintptr_t, intptr_t)> send_message;
    uint32_t window_process_id = 0;

    // Keys, timers, threads.
    int16_t keys[256] = {};
    uintptr_t timer_result = 1;
    bool run_threads = true;    // run a new thread's start routine at once, in place
    bool thread_fails = false;  // CreateThread starts nothing and returns null
    uintptr_t next_handle = 0x1000;

    // Processes and environment.
    os::Handle open_process_result = reinterpret_cast<os::Handle>(0x2000);
    os::RemoteAddress alloc_result = 0x00500000;
    std::function<bool(os::RemoteAddress, void*, size_t, size_t*)> read_memory;  // default: fails
    os::ModuleHandle module_result = reinterpret_cast<os::ModuleHandle>(0x7000);
    os::ProcAddress proc_result = nullptr;  // no IsWow64Process
    int32_t wow64_flag = 0;
    os::EnvironmentBlocks blocks{0x7ffde000, 0x7ffdf000};
    std::function<uint32_t(uintptr_t)> environment_word;  // default: 0
};

Os& State();
void Reset();

void Record(const char* name, std::initializer_list<uintptr_t> args, const char* text = nullptr);
std::vector<Call> Calls();
// The recorded calls of the named operations only, in order.
std::vector<Call> CallsNamed(std::initializer_list<const char*> names);
void ClearCalls();

}  // namespace fake
