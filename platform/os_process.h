// Other processes' memory, the system's bitness and the environment blocks.
#pragma once

#include "platform/os_types.h"

namespace os {

// Addresses inside another process are plain numbers here: they are never
// dereferenced in this process.
using RemoteAddress = uintptr_t;

Handle OpenProcess(uint32_t access, bool inherit, uint32_t process_id);
RemoteAddress VirtualAllocEx(Handle process, RemoteAddress address, size_t size, uint32_t type,
                             uint32_t protect);
bool ReadProcessMemory(Handle process, RemoteAddress address, void* buffer, size_t size,
                       size_t* bytes_read);
bool VirtualFreeEx(Handle process, RemoteAddress address, size_t size, uint32_t type);

ModuleHandle GetModuleHandleA(const char* name);
ProcAddress GetProcAddress(ModuleHandle module, const char* name);
// Calls a procedure found as "IsWow64Process" with its real signature.
bool CallIsWow64Process(ProcAddress is_wow64_process, Handle process, int32_t* flag);

// The thread information block's self pointer and the process environment
// block pointer of the calling thread, and 32-bit reads inside either block.
struct EnvironmentBlocks {
    uintptr_t thread_block;
    uintptr_t process_block;
};
EnvironmentBlocks CurrentEnvironmentBlocks();
uint32_t ReadEnvironmentWord(uintptr_t address);

}  // namespace os
