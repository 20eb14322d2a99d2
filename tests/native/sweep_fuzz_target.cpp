// Fuzz target: one scripted toolbar per input, decoded from the bytes, swept,
// then checked against the rules the sweep must never break. Built as a
// libFuzzer target with clang (run_sweep_fuzzer.sh) and, with any compiler,
// driven by the seeded loop in sweep_fuzz_main.cpp.
//
// Input layout (missing bytes read as 0):
//   [0] flags: bit 0 64-bit shell, bit 1 open fails, bit 2 allocation fails,
//       bit 3 no process id, bit 4 negative process id, bit 5 negative count
//   [1] button count (modulo 48)
//   [2..17] eight owner records, two bytes each: window state (0 dead,
//       1 alive, 2 null handle, 3 handle with a non-zero high half), read outcome
//   then per button two bytes: data kind and button read outcome,
//       owner record index (modulo 8; bit 7: TB_GETBUTTON fails for it)
#include <cstdio>
#include <cstdlib>
#include <set>

#include "tests/native/scripted_shell.h"
#include "traysweep/shell_probe.h"
#include "traysweep/sweep_toolbar.h"

namespace {

constexpr size_t OWNER_COUNT = 8;
constexpr uint64_t OWNER_BASE = 0x00620000;
constexpr uint64_t UNMAPPED = 0x0DEAD000;
constexpr uint32_t LIVE_BASE = 0x00010000;
constexpr uint32_t DEAD_BASE = 0x00020000;

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

ReadOutcome Outcome(uint8_t bits) { return static_cast<ReadOutcome>(bits & 3); }

[[noreturn]] void Broken(const char* rule) {
    std::fprintf(stderr, "sweep invariant broken: %s\n", rule);
    std::abort();
}

// What the rules allow: a button is deleted exactly when both its records
// were read in full and the owner handle, not null, names no window.
bool VerifiablyDead(const ScriptedShell& shell, const ScriptedButton& button) {
    if (button.get_fails || button.button_read != ReadOutcome::FULL) return false;
    uint32_t const low = static_cast<uint32_t>(button.data);
    if (low == NO_OWNER_RECORD) return false;
    if (shell.shell_is_64_bit && (button.data >> 32) != 0) return false;
    auto const owner = shell.owners.find(low);
    if (owner == shell.owners.end() || owner->second.read != ReadOutcome::FULL) return false;
    uint32_t const window = static_cast<uint32_t>(owner->second.window);
    return window != 0 && shell.live_windows.count(window) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    fake::Reset();
    ScriptedShell shell;
    uint8_t const flags = in.Next();
    shell.shell_is_64_bit = flags & 1;
    size_t const count = in.Next() % 48;
    if (flags & 8) shell.process_id = 0;
    if (flags & 16) shell.process_id = 0x80000000u | shell.process_id;

    for (size_t i = 0; i < OWNER_COUNT; ++i) {
        uint8_t const state = in.Next() & 3;
        uint8_t const read = in.Next();
        uint64_t window = (state == 1 ? LIVE_BASE : DEAD_BASE) + static_cast<uint32_t>(i) * 4;
        if (state == 2) window = 0;
        if (state == 3) window |= uint64_t{0xFFFFFFFF} << 32;  // a sign-extended 64-bit handle
        shell.owners[OWNER_BASE + i * 0x40] = {window, Outcome(read)};
        if (state == 1) shell.live_windows.insert(static_cast<uint32_t>(window));
    }
    // Should the sweep ever follow a data value of 0xFFFFFFFF, it would find
    // a dead owner there.
    shell.owners[NO_OWNER_RECORD] = {DEAD_BASE + 0x100, ReadOutcome::FULL};
    for (size_t i = 0; i < count; ++i) {
        uint8_t const kind = in.Next();
        uint8_t const owner_byte = in.Next();
        uint64_t const owner_at = OWNER_BASE + (owner_byte % OWNER_COUNT) * 0x40;
        uint64_t value = owner_at;
        switch ((kind >> 2) & 7) {
            case 1:
                value = NO_OWNER_RECORD;
                break;
            case 2:
                value = owner_at | (static_cast<uint64_t>((kind >> 5) | 1) << 32);
                break;  // above 4 GiB
            case 3:
                value = UNMAPPED;
                break;
            case 4:
                value = 0;
                break;
            case 5:
                value = UINT64_MAX;
                break;
            default:
                break;
        }
        shell.buttons.push_back(
            {static_cast<int32_t>(1000 + i), value, Outcome(kind), (owner_byte & 0x80) != 0});
    }

    ButtonDataOffset = shell.shell_is_64_bit ? BUTTON_DATA_OFFSET_64 : BUTTON_DATA_OFFSET_32;
    InstallScriptedShell(shell);
    if (flags & 2) fake::State().open_process_result = nullptr;
    if (flags & 4) fake::State().alloc_result = 0;
    if (flags & 32)
        fake::State().send_message = [](os::WindowHandle, uint32_t, uintptr_t,
                                        intptr_t) -> intptr_t { return -3; };

    // The scan gives up after 16 refused indexes in a row (past a toolbar's
    // real end); buttons after such a run are never reached.
    std::set<int32_t> expected;
    size_t refused_in_a_row = 0;
    for (const ScriptedButton& button : shell.buttons) {
        if (refused_in_a_row >= 16) break;
        refused_in_a_row = button.get_fails ? refused_in_a_row + 1 : 0;
        if (VerifiablyDead(shell, button)) expected.insert(button.id);
    }

    SweepToolbar(shell.toolbar);

    std::vector<fake::Call> const calls = fake::Calls();
    bool const proceeds = count > 0 && !(flags & 32) && !(flags & 8) && !(flags & 16);
    bool const opened = proceeds && !(flags & 2);
    bool const allocated = opened && !(flags & 4);
    uintptr_t const process = reinterpret_cast<uintptr_t>(fake::State().open_process_result);
    uintptr_t const block = fake::State().alloc_result;

    std::set<int32_t> const deleted(shell.deleted_ids.begin(), shell.deleted_ids.end());
    for (int32_t id : shell.deleted_ids)
        if (!expected.count(id)) Broken("a live or unverifiable button was deleted");
    if (deleted.size() != shell.deleted_ids.size()) Broken("a button was deleted twice");
    if (allocated && deleted != expected) Broken("a verifiably dead button was kept");
    if (!allocated && !deleted.empty()) Broken("deletions without a scan");
    for (size_t i = 1; i < shell.delete_indexes.size(); ++i)
        if (shell.delete_indexes[i] >= shell.delete_indexes[i - 1])
            Broken("deletions not strictly descending");
    if (shell.get_button_with_null_block) Broken("TB_GETBUTTON with a null address");

    size_t opens = 0, closes = 0, allocs = 0, frees = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const fake::Call& call = calls[i];
        if (call.name == "OpenProcess") ++opens;
        if (call.name == "VirtualAllocEx") ++allocs;
        if (call.name == "CloseHandle") {
            ++closes;
            if (call.args != std::vector<uintptr_t>{process})
                Broken("closed a handle it did not open");
            if (i + 1 != calls.size()) Broken("used the shell after closing its handle");
        }
        if (call.name == "VirtualFreeEx") {
            ++frees;
            if (call.args != std::vector<uintptr_t>{process, block, 0, 0x8000})
                Broken("released the wrong block");
            if (i + 2 != calls.size())
                Broken("the block was not released just before the handle was closed");
        }
        if (call.name == "ReadProcessMemory" && (call.args[0] != process || !allocated))
            Broken("read the shell without an open handle and a block");
    }
    if (opens != (proceeds ? 1u : 0u)) Broken("opened the shell where it must not, or twice");
    if (closes != (opened ? 1u : 0u)) Broken("an opened handle was not closed exactly once");
    if (allocs != (opened ? 1u : 0u)) Broken("allocated where it must not, or twice");
    if (frees != (allocated ? 1u : 0u)) Broken("an allocated block was not released exactly once");
    return 0;
}
