// Removing the buttons of one notification-area toolbar whose owner windows
// are gone, reading the button data out of the shell process.
#pragma once

#include <cstdint>

#include "platform/os_types.h"

constexpr uint32_t TB_DELETEBUTTON = 0x0416;
constexpr uint32_t TB_GETBUTTON = 0x0417;
constexpr uint32_t TB_BUTTONCOUNT = 0x0418;

constexpr uint32_t SHELL_PROCESS_ACCESS = 0x001F0FFF;  // PROCESS_ALL_ACCESS of XP
constexpr size_t SCRATCH_BLOCK_SIZE = 4096;
constexpr uint32_t MEM_COMMIT = 0x1000;
constexpr uint32_t PAGE_READWRITE = 0x04;

// Both records are read as this many bytes: a 64-bit shell's button record
// up to the end of its data field, and the owner record's leading handle.
constexpr size_t SHELL_RECORD_SIZE = 24;
// A button whose data value is this has no owner record.
constexpr uint32_t NO_OWNER_RECORD = 0xFFFFFFFF;

// Uses ButtonDataOffset. Nothing is reported; every failure either ends the
// sweep or leaves the button alone.
void SweepToolbar(os::WindowHandle toolbar);
