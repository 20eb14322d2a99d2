// Other processes' memory, bitness and environment blocks on the real system.
#include "platform/os_process.h"

#include <windows.h>

namespace os {

Handle OpenProcess(uint32_t access, bool inherit, uint32_t process_id) {
    return ::OpenProcess(access, inherit ? TRUE : FALSE, process_id);
}

RemoteAddress VirtualAllocEx(Handle process, RemoteAddress address, size_t size, uint32_t type,
                             uint32_t protect) {
    return reinterpret_cast<RemoteAddress>(
        ::VirtualAllocEx(process, reinterpret_cast<void*>(address), size, type, protect));
}

bool ReadProcessMemory(Handle process, RemoteAddress address, void* buffer, size_t size,
                       size_t* bytes_read) {
    SIZE_T done = 0;
    bool const ok = ::ReadProcessMemory(process, reinterpret_cast<const void*>(address), buffer,
                                        size, &done) != FALSE;
    if (bytes_read) *bytes_read = done;
    return ok;
}

bool VirtualFreeEx(Handle process, RemoteAddress address, size_t size, uint32_t type) {
    return ::VirtualFreeEx(process, reinterpret_cast<void*>(address), size, type) != FALSE;
}

ModuleHandle GetModuleHandleA(const char* name) { return ::GetModuleHandleA(name); }

ProcAddress GetProcAddress(ModuleHandle module, const char* name) {
    return reinterpret_cast<ProcAddress>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

bool CallIsWow64Process(ProcAddress is_wow64_process, Handle process, int32_t* flag) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    BOOL value = *flag;
    bool const ok = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(is_wow64_process))(
                        process, &value) != FALSE;
    *flag = value;
    return ok;
}

EnvironmentBlocks CurrentEnvironmentBlocks() {
    EnvironmentBlocks blocks{};
#if defined(__i386__)
    // fs:[0x18] is the thread information block's self pointer, fs:[0x30]
    // the process environment block of the 32-bit view.
    uint32_t self = 0;
    uint32_t peb = 0;
    __asm__ volatile("movl %%fs:0x18, %0" : "=r"(self));
    __asm__ volatile("movl %%fs:0x30, %0" : "=r"(peb));
    blocks.thread_block = self;
    blocks.process_block = peb;
#else
    uint64_t self = 0;
    uint64_t peb = 0;
    __asm__ volatile("movq %%gs:0x30, %0" : "=r"(self));
    __asm__ volatile("movq %%gs:0x60, %0" : "=r"(peb));
    blocks.thread_block = self;
    blocks.process_block = peb;
#endif
    return blocks;
}

uint32_t ReadEnvironmentWord(uintptr_t address) {
    return *reinterpret_cast<const volatile uint32_t*>(address);
}

}  // namespace os
