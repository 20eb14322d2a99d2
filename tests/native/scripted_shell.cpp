#include "tests/native/scripted_shell.h"

#include <algorithm>
#include <cstring>

#include "traysweep/sweep_toolbar.h"

namespace {

// TBBUTTON as each shell lays it out; only the fields up to the data matter.
// Every button has a string, so in a 32-bit shell the word after the data
// value is never zero.
constexpr uint32_t BUTTON_STRING_ADDRESS = 0x00ABC000;

void WriteButtonRecord(const ScriptedShell& shell, const ScriptedButton& button, uint8_t* out) {
    std::memset(out, 0, 32);
    std::memcpy(out + 4, &button.id, 4);
    if (shell.shell_is_64_bit) {
        uint64_t const string = BUTTON_STRING_ADDRESS;
        std::memcpy(out + 16, &button.data, 8);
        std::memcpy(out + 24, &string, 8);
    } else {
        uint32_t const data = static_cast<uint32_t>(button.data);
        std::memcpy(out + 12, &data, 4);
        std::memcpy(out + 16, &BUTTON_STRING_ADDRESS, 4);
    }
}

bool Deliver(ReadOutcome outcome, const uint8_t* source, void* buffer, size_t size, size_t* done) {
    if (outcome == ReadOutcome::FAILS) return false;
    // A short read still copies the leading bytes, where an owner handle
    // sits: a plausible value that must not be trusted.
    size_t const copied = outcome == ReadOutcome::FULL ? size : size / 3;
    std::memcpy(buffer, source, copied);
    *done = copied;
    return outcome != ReadOutcome::SHORT_FAIL;
}

}  // namespace

void InstallScriptedShell(ScriptedShell& shell) {
    fake::Os& s = fake::State();
    s.window_process_id = shell.process_id;
    s.is_window = [&shell](os::WindowHandle window) {
        uintptr_t const value = reinterpret_cast<uintptr_t>(window);
        return value <= UINT32_MAX && shell.live_windows.count(static_cast<uint32_t>(value)) != 0;
    };
    s.send_message = [&shell](os::WindowHandle window, uint32_t message, uintptr_t wparam,
                              intptr_t lparam) -> intptr_t {
        if (window != shell.toolbar) return 0;
        if (message == TB_BUTTONCOUNT) return static_cast<intptr_t>(shell.buttons.size());
        if (message == TB_GETBUTTON) {
            if (lparam == 0) shell.get_button_with_null_block = true;
            if (wparam >= shell.buttons.size() || shell.buttons[wparam].get_fails) return 0;
            shell.last_requested = static_cast<int32_t>(wparam);
            return 1;
        }
        if (message == TB_DELETEBUTTON) {
            if (wparam >= shell.buttons.size()) return 0;
            shell.delete_indexes.push_back(static_cast<int32_t>(wparam));
            shell.deleted_ids.push_back(shell.buttons[wparam].id);
            shell.buttons.erase(shell.buttons.begin() + static_cast<std::ptrdiff_t>(wparam));
            return 1;
        }
        return 0;
    };
    s.read_memory = [&shell](os::RemoteAddress address, void* buffer, size_t size, size_t* done) {
        uint8_t bytes[32] = {};
        if (address == fake::State().alloc_result && address != 0) {
            if (shell.last_requested < 0) return false;
            const ScriptedButton& button = shell.buttons[static_cast<size_t>(shell.last_requested)];
            WriteButtonRecord(shell, button, bytes);
            return Deliver(button.button_read, bytes, buffer, std::min(size, sizeof(bytes)), done);
        }
        auto const owner = shell.owners.find(address);
        if (owner == shell.owners.end()) return false;
        std::memcpy(bytes, &owner->second.window, shell.shell_is_64_bit ? 8 : 4);
        return Deliver(owner->second.read, bytes, buffer, std::min(size, sizeof(bytes)), done);
    };
}
