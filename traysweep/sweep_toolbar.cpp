// The one-toolbar sweep: scan every button, then delete the dead ones from
// the highest index down.
#include "traysweep/sweep_toolbar.h"

#include <cstring>

#include "platform/growable_list.h"
#include "platform/os_process.h"
#include "platform/os_window.h"
#include "traysweep/remote_owners.h"
#include "traysweep/shell_probe.h"

// A read counts only when it filled the whole record: a failed or short read
// leaves bytes that say nothing about this button, and judging a live
// program's icon by them would delete it.
static bool ReadShellRecord(os::Handle process, os::RemoteAddress address,
                            uint8_t (&record)[SHELL_RECORD_SIZE]) {
    std::memset(record, 0, sizeof(record));
    size_t bytes_read = 0;
    return os::ReadProcessMemory(process, address, record, sizeof(record), &bytes_read) &&
           bytes_read == sizeof(record);
}

static uint32_t WordAt(const uint8_t (&record)[SHELL_RECORD_SIZE], size_t offset) {
    uint32_t word = 0;
    std::memcpy(&word, record + offset, sizeof(word));
    return word;
}

enum class ButtonVerdict : uint8_t { NOT_WRITTEN, KEEP, OWNER_GONE };

// A toolbar refuses TB_GETBUTTON only past its last button. The count it
// answered cannot be trusted to end the scan: a toolbar may report any count
// (0x7FFFFFFF would be two billion cross-process messages and an exit that
// never ends), so the scan also stops once this many indexes in a row were
// refused.
constexpr int32_t MAX_REFUSED_IN_A_ROW = 16;

static bool OwnerIsGone(os::Handle process, os::RemoteAddress scratch);

static ButtonVerdict JudgeButton(os::WindowHandle toolbar, os::Handle process,
                                 os::RemoteAddress scratch, int32_t index) {
    // When the toolbar does not write this button (the shell removed buttons
    // since the count), the block still holds the previous button's record.
    if (!os::SendMessageA(toolbar, TB_GETBUTTON, static_cast<uintptr_t>(index),
                          static_cast<intptr_t>(scratch)))
        return ButtonVerdict::NOT_WRITTEN;
    return OwnerIsGone(process, scratch) ? ButtonVerdict::OWNER_GONE : ButtonVerdict::KEEP;
}

// Whether the button record just written into the block is known to belong
// to a window that is gone.
static bool OwnerIsGone(os::Handle process, os::RemoteAddress scratch) {
    uint8_t button[SHELL_RECORD_SIZE];
    if (!ReadShellRecord(process, scratch, button)) return false;
    size_t const data_at = static_cast<size_t>(ButtonDataOffset);
    uint32_t const data = WordAt(button, data_at);
    if (data == NO_OWNER_RECORD) return false;
    // A 64-bit shell's data field is 64 bits wide. With a non-zero high half
    // the low half alone points at unrelated memory.
    if (ButtonDataOffset == BUTTON_DATA_OFFSET_64 && WordAt(button, data_at + 4) != 0) return false;
    uint8_t owner[SHELL_RECORD_SIZE];
    if (!ReadShellRecord(process, data, owner)) return false;
    // The low half of the owner handle: window handles fit in 32 bits even
    // in a 64-bit shell.
    uint32_t const owner_window = WordAt(owner, 0);
    // A null handle never named a window, so it cannot show that one is gone;
    // it is what memory that was never written holds (a read of a reserved
    // page can succeed with zeros under Wine).
    if (owner_window == 0) return false;
    return !os::IsWindow(reinterpret_cast<os::WindowHandle>(static_cast<uintptr_t>(owner_window)));
}

void SweepToolbar(os::WindowHandle toolbar) {
    int32_t const count = static_cast<int32_t>(os::SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    if (count <= 0) return;
    uint32_t process_id = 0;
    os::GetWindowThreadProcessId(toolbar, &process_id);
    if (static_cast<int32_t>(process_id) <= 0) return;
    // Declared in this order so that the block is released before the handle
    // it is released through is closed.
    ProcessHandleOwner const process(os::OpenProcess(SHELL_PROCESS_ACCESS, false, process_id));
    if (!process.handle) return;
    RemoteBlockOwner const scratch(
        process.handle,
        os::VirtualAllocEx(process.handle, 0, SCRATCH_BLOCK_SIZE, MEM_COMMIT, PAGE_READWRITE));
    // The toolbar would write the button record to a null address otherwise.
    if (!scratch.address) return;

    // A dead button that finds no room in the list is left alone, as if its
    // owner could not be verified.
    GrowableList<int32_t> dead;
    int32_t refused_in_a_row = 0;
    for (int32_t index = 0; index < count && refused_in_a_row < MAX_REFUSED_IN_A_ROW; ++index) {
        ButtonVerdict const verdict = JudgeButton(toolbar, process.handle, scratch.address, index);
        refused_in_a_row = verdict == ButtonVerdict::NOT_WRITTEN ? refused_in_a_row + 1 : 0;
        if (verdict == ButtonVerdict::OWNER_GONE) Append(dead, index);
    }
    // Indexes are those of the scan; deleting from the top keeps every lower
    // collected index naming the button it named then.
    for (size_t i = dead.count; i > 0; --i)
        os::SendMessageA(toolbar, TB_DELETEBUTTON, static_cast<uintptr_t>(dead.items[i - 1]), 0);
    Release(dead);
}
