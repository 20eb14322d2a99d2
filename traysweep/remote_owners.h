// Owners for what the sweep acquires in the shell process: the process handle
// and the scratch block inside it. Declared in that order, they are released
// in the reverse one, block first, while the handle it needs is still open.
#pragma once

#include "platform/os_keys.h"
#include "platform/os_process.h"

constexpr uint32_t MEM_RELEASE = 0x8000;

// Only null is empty: -1 is the current-process pseudo handle, which
// OpenProcess never returns and which needs no closing anyway.
struct ProcessHandleOwner {
    os::Handle handle = nullptr;

    explicit ProcessHandleOwner(os::Handle opened) : handle(opened) {}
    ProcessHandleOwner(const ProcessHandleOwner&) = delete;
    ProcessHandleOwner& operator=(const ProcessHandleOwner&) = delete;
    ~ProcessHandleOwner() {
        if (handle) os::CloseHandle(handle);
    }
};

// A block committed in another process, released whole (size 0).
struct RemoteBlockOwner {
    os::Handle process = nullptr;
    os::RemoteAddress address = 0;

    RemoteBlockOwner(os::Handle owner_process, os::RemoteAddress allocated)
        : process(owner_process), address(allocated) {}
    RemoteBlockOwner(const RemoteBlockOwner&) = delete;
    RemoteBlockOwner& operator=(const RemoteBlockOwner&) = delete;
    ~RemoteBlockOwner() {
        if (address) os::VirtualFreeEx(process, address, 0, MEM_RELEASE);
    }
};
