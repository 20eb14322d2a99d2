// The version class and bitness probes, through the environment blocks and
// kernel32 rather than a version API.
#include "traysweep/shell_probe.h"

#include "platform/os_process.h"

int32_t OsClass = 0;
int32_t ButtonDataOffset = BUTTON_DATA_OFFSET_32;

// The 9x family marks its thread information block with this word at one of
// three places, one per release.
constexpr uint32_t NINE_X_MARK = 0x00530000;
constexpr uintptr_t NINE_X_MARK_AT_CLASS_1 = 0x58;
constexpr uintptr_t NINE_X_MARK_AT_CLASS_2 = 0x54;
constexpr uintptr_t NINE_X_MARK_AT_CLASS_3 = 0x7C;

// Offsets in the 32-bit process environment block (the tool is a 32-bit
// program; under WOW64 this is the block the 32-bit view sees).
constexpr uintptr_t PEB_OS_MAJOR_VERSION = 0xA4;
constexpr uintptr_t PEB_OS_MINOR_VERSION = 0xA8;

int32_t ClassifyNtVersion(uint32_t major, uint32_t minor) {
    if (major <= 4) return 4;
    if (major == 5) {
        if (minor == 0) return 5;
        if (minor == 1) return 6;
        if (minor == 2) return 7;
        return 0;
    }
    if (major == 6 && minor <= 4) return static_cast<int32_t>(8 + minor);
    return 0;
}

int32_t ProbeOsClass() {
    os::EnvironmentBlocks const blocks = os::CurrentEnvironmentBlocks();
    // 9x maps its process blocks into the shared upper half, so the pointer
    // is negative as a signed 32-bit value there and positive on NT.
    if (static_cast<int32_t>(static_cast<uint32_t>(blocks.process_block)) < 0) {
        if (os::ReadEnvironmentWord(blocks.thread_block + NINE_X_MARK_AT_CLASS_1) == NINE_X_MARK)
            return 1;
        if (os::ReadEnvironmentWord(blocks.thread_block + NINE_X_MARK_AT_CLASS_2) == NINE_X_MARK)
            return 2;
        if (os::ReadEnvironmentWord(blocks.thread_block + NINE_X_MARK_AT_CLASS_3) == NINE_X_MARK)
            return 3;
        return 0;
    }
    uint32_t const major = os::ReadEnvironmentWord(blocks.process_block + PEB_OS_MAJOR_VERSION);
    uint32_t const minor = os::ReadEnvironmentWord(blocks.process_block + PEB_OS_MINOR_VERSION);
    return ClassifyNtVersion(major, minor);
}

bool ProbeWow64() {
    // Looked up rather than imported: systems older than XP SP2 lack it, and
    // a missing import would stop the program from loading at all.
    os::ProcAddress const is_wow64_process =
        os::GetProcAddress(os::GetModuleHandleA("kernel32"), "IsWow64Process");
    if (!is_wow64_process) return false;
    int32_t flag = 0;
    os::CallIsWow64Process(is_wow64_process, os::CURRENT_PROCESS, &flag);
    return flag != 0;
}
