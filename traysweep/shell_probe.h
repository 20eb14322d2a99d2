// What the exit sweep needs to know about the system before it reads the
// shell's memory: which notification-area toolbars exist (the version class)
// and where a button's data value sits (the shell's bitness).
#pragma once

#include <cstdint>

// 0 means the version is not recognised; see ProbeOsClass for the classes.
extern int32_t OsClass;
// 16 in a 64-bit shell (the low half of the 64-bit data field), 12 in a
// 32-bit one.
extern int32_t ButtonDataOffset;

constexpr int32_t BUTTON_DATA_OFFSET_64 = 16;
constexpr int32_t BUTTON_DATA_OFFSET_32 = 12;

// The class of a version as the system reports it to this process.
int32_t ClassifyNtVersion(uint32_t major, uint32_t minor);
// Read straight from this thread's and process's environment blocks, so the
// answer is the version the system chose to report to this executable.
int32_t ProbeOsClass();
// Whether this 32-bit process runs on a 64-bit system.
bool ProbeWow64();
