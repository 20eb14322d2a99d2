// A shell process with one notification-area toolbar, modelled on the fake
// layer: the toolbar answers TB_BUTTONCOUNT, writes button records into the
// scratch block on TB_GETBUTTON and really removes a button on
// TB_DELETEBUTTON; owner records live at addresses of the shell's memory,
// and reads of either can be scripted to fail or come back short.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "platform/fake/fake_os.h"

enum class ReadOutcome : uint8_t {
    FULL,        // all bytes, success
    FAILS,       // failure, nothing copied
    SHORT_FAIL,  // failure after part of the record (a partial copy)
    SHORT_OK,    // reports success with fewer bytes than asked
};

struct ScriptedButton {
    int32_t id;     // the command id, to tell buttons apart after deletions
    uint64_t data;  // the data field as the shell stores it (32 bits used in a 32-bit shell)
    ReadOutcome button_read;  // the read of this button's record from the scratch block
    bool get_fails = false;   // TB_GETBUTTON answers FALSE and writes nothing
};

struct OwnerRecord {
    uint64_t window;  // the owner handle as stored (the low half in a 64-bit shell)
    ReadOutcome read;
};

struct ScriptedShell {
    os::WindowHandle toolbar = reinterpret_cast<os::WindowHandle>(0x10080);
    uint32_t process_id = 0x1234;
    bool shell_is_64_bit = true;
    std::vector<ScriptedButton> buttons;
    std::map<uint64_t, OwnerRecord> owners;  // by address; any other address is unreadable
    std::set<uint32_t> live_windows;

    // Filled while the sweep runs.
    std::vector<int32_t> deleted_ids;
    std::vector<int32_t> delete_indexes;
    int32_t last_requested = -1;  // the button written into the scratch block, -1 for none
    bool get_button_with_null_block = false;
};

// Points the fake's hooks at shell; shell must outlive the sweep.
void InstallScriptedShell(ScriptedShell& shell);
