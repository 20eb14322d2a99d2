#include "traysweep/sweep_toolbar.h"

#include <string>

#include "tests/native/fake_calls.h"
#include "tests/native/scripted_shell.h"
#include "traysweep/shell_probe.h"

namespace {

using fake::Arg;
using fake::Call;

constexpr uintptr_t PROCESS = 0x2000;    // the fake's default OpenProcess result
constexpr uintptr_t BLOCK = 0x00500000;  // the fake's default VirtualAllocEx result

// Owner records in the shell's memory and the windows they name.
constexpr uint64_t LIVE_RECORD = 0x01000000;
constexpr uint64_t DEAD_RECORD = 0x01000100;
constexpr uint64_t SECOND_DEAD_RECORD = 0x01000200;
constexpr uint64_t FAILING_RECORD = 0x01000300;
constexpr uint64_t SHORT_FAIL_RECORD = 0x01000400;
constexpr uint64_t SHORT_OK_RECORD = 0x01000500;
constexpr uint64_t UNMAPPED_RECORD = 0x0DEAD000;
constexpr uint64_t NULL_OWNER_RECORD = 0x01000700;
constexpr uint32_t LIVE_WINDOW = 0x000100A2;
constexpr uint32_t DEAD_WINDOW = 0x000200B4;

Call SendMessage(uintptr_t message, uintptr_t wparam, intptr_t lparam) {
    return {"SendMessageA", {0x10080, message, wparam, static_cast<uintptr_t>(lparam)}, ""};
}
Call ReadMemory(uintptr_t address) { return {"ReadProcessMemory", {PROCESS, address, 24}, ""}; }
Call Release() { return {"VirtualFreeEx", {PROCESS, BLOCK, 0, 0x8000}, ""}; }
Call Close() { return {"CloseHandle", {PROCESS}, ""}; }

class SweepToolbarTest : public FakeOsTest {
protected:
    ScriptedShell shell;

    void SetUp() override {
        FakeOsTest::SetUp();
        shell.owners = {
            {LIVE_RECORD, {LIVE_WINDOW, ReadOutcome::FULL}},
            {DEAD_RECORD, {DEAD_WINDOW, ReadOutcome::FULL}},
            {SECOND_DEAD_RECORD, {DEAD_WINDOW + 4, ReadOutcome::FULL}},
            {FAILING_RECORD, {DEAD_WINDOW, ReadOutcome::FAILS}},
            {SHORT_FAIL_RECORD, {DEAD_WINDOW, ReadOutcome::SHORT_FAIL}},
            {SHORT_OK_RECORD, {DEAD_WINDOW, ReadOutcome::SHORT_OK}},
            {NULL_OWNER_RECORD, {0, ReadOutcome::FULL}},
        };
        shell.live_windows = {LIVE_WINDOW};
        UseShell(true);
    }
    void UseShell(bool is_64_bit) {
        shell.shell_is_64_bit = is_64_bit;
        ButtonDataOffset = is_64_bit ? 16 : 12;
        InstallScriptedShell(shell);
    }
    void Buttons(std::initializer_list<std::pair<uint64_t, ReadOutcome>> data) {
        shell.buttons.clear();
        int32_t id = 100;
        for (const auto& [value, read] : data) shell.buttons.push_back({id++, value, read});
    }
    std::vector<int32_t> RemainingIds() const {
        std::vector<int32_t> ids;
        for (const ScriptedButton& b : shell.buttons) ids.push_back(b.id);
        return ids;
    }
};

TEST_F(SweepToolbarTest, OneDeadButtonTakesEveryStepInOrder) {
    Buttons({{DEAD_RECORD, ReadOutcome::FULL}});
    SweepToolbar(shell.toolbar);
    EXPECT_TRUE(
        SameCalls(fake::Calls(), {
                                     SendMessage(0x0418, 0, 0),
                                     {"GetWindowThreadProcessId", {0x10080}, ""},
                                     {"OpenProcess", {0x001F0FFF, 0, 0x1234}, ""},
                                     {"VirtualAllocEx", {PROCESS, 0, 4096, 0x1000, 0x04}, ""},
                                     SendMessage(0x0417, 0, BLOCK),
                                     ReadMemory(BLOCK),
                                     ReadMemory(DEAD_RECORD),
                                     {"IsWindow", {DEAD_WINDOW}, ""},
                                     SendMessage(0x0416, 0, 0),
                                     Release(),
                                     Close(),
                                 }));
    EXPECT_TRUE(shell.buttons.empty());
}

struct EarlyEndCase {
    const char* name;
    bool count_scripted;  // otherwise the toolbar's own count (2)
    intptr_t count;
    uint32_t process_id;
    bool open_fails;
    bool alloc_fails;
    std::vector<const char*> expected;  // the operations called, in order
};

TEST_F(SweepToolbarTest, EarlyEndsTouchNothingBeyondWhatWasAcquiredAndReleaseThat) {
    EarlyEndCase const cases[] = {
        {"no buttons", true, 0, 0x1234, false, false, {"SendMessageA"}},
        {"negative count", true, -5, 0x1234, false, false, {"SendMessageA"}},
        {"no process id", false, 0, 0, false, false, {"SendMessageA", "GetWindowThreadProcessId"}},
        {"negative process id",
         false,
         0,
         0x80000004,
         false,
         false,
         {"SendMessageA", "GetWindowThreadProcessId"}},
        {"cannot open the shell",
         false,
         0,
         0x1234,
         true,
         false,
         {"SendMessageA", "GetWindowThreadProcessId", "OpenProcess"}},
        // Never a TB_GETBUTTON with a null address; the handle is still closed.
        {"no scratch block",
         false,
         0,
         0x1234,
         false,
         true,
         {"SendMessageA", "GetWindowThreadProcessId", "OpenProcess", "VirtualAllocEx",
          "CloseHandle"}},
    };
    for (const EarlyEndCase& c : cases) {
        fake::Reset();
        Buttons({{DEAD_RECORD, ReadOutcome::FULL}, {DEAD_RECORD, ReadOutcome::FULL}});
        shell.process_id = c.process_id;
        InstallScriptedShell(shell);
        if (c.count_scripted) {
            fake::State().send_message = [&c](os::WindowHandle, uint32_t, uintptr_t, intptr_t) {
                return c.count;
            };
        }
        if (c.open_fails) fake::State().open_process_result = nullptr;
        if (c.alloc_fails) fake::State().alloc_result = 0;
        SweepToolbar(shell.toolbar);
        std::vector<std::string> called;
        for (const Call& call : fake::Calls()) called.push_back(call.name);
        EXPECT_EQ(called, std::vector<std::string>(c.expected.begin(), c.expected.end())) << c.name;
        EXPECT_EQ(shell.buttons.size(), 2u) << c.name;
    }
}

TEST_F(SweepToolbarTest, DeadButtonsAtTwoAndFiveGoHighestFirstAndLiveNeighboursStay) {
    for (bool is_64_bit : {true, false}) {
        fake::ClearCalls();
        shell.deleted_ids.clear();
        Buttons({{LIVE_RECORD, ReadOutcome::FULL},
                 {LIVE_RECORD, ReadOutcome::FULL},
                 {DEAD_RECORD, ReadOutcome::FULL},
                 {LIVE_RECORD, ReadOutcome::FULL},
                 {NO_OWNER_RECORD, ReadOutcome::FULL},
                 {SECOND_DEAD_RECORD, ReadOutcome::FULL},
                 {LIVE_RECORD, ReadOutcome::FULL}});
        UseShell(is_64_bit);
        SweepToolbar(shell.toolbar);
        std::vector<Call> const calls = fake::Calls();
        ASSERT_GE(calls.size(), 4u);
        EXPECT_TRUE(
            SameCalls({calls.end() - 4, calls.end()},
                      {SendMessage(0x0416, 5, 0), SendMessage(0x0416, 2, 0), Release(), Close()}))
            << (is_64_bit ? "64-bit shell" : "32-bit shell");
        EXPECT_EQ(shell.deleted_ids, (std::vector<int32_t>{105, 102}));
        EXPECT_EQ(RemainingIds(), (std::vector<int32_t>{100, 101, 103, 104, 106}));
        // Seven button records, and six owner records: the button without
        // one is never followed.
        EXPECT_EQ(fake::CallsNamed({"ReadProcessMemory"}).size(), 13u);
    }
}

struct LeftAloneCase {
    const char* name;
    uint64_t data;
    ReadOutcome button_read;
    bool owner_read_expected;
};

// Each row sits after a dead button whose record the sweep has just read:
// a sweep that reused records or trusted a failed read would judge the row
// by that dead owner (or by handle 0, never a window) and delete it.
TEST_F(SweepToolbarTest, ButtonsThatCannotBeVerifiedDeadAreLeftAlone) {
    LeftAloneCase const cases[] = {
        {"button record read fails", LIVE_RECORD, ReadOutcome::FAILS, false},
        {"button record read partial", LIVE_RECORD, ReadOutcome::SHORT_FAIL, false},
        {"button record read short but reported ok", LIVE_RECORD, ReadOutcome::SHORT_OK, false},
        {"owner record read fails", FAILING_RECORD, ReadOutcome::FULL, true},
        {"owner record read partial", SHORT_FAIL_RECORD, ReadOutcome::FULL, true},
        {"owner record read short but reported ok", SHORT_OK_RECORD, ReadOutcome::FULL, true},
        {"owner record unmapped", UNMAPPED_RECORD, ReadOutcome::FULL, true},
        {"owner record holds a null handle", NULL_OWNER_RECORD, ReadOutcome::FULL, true},
        {"no owner record", NO_OWNER_RECORD, ReadOutcome::FULL, false},
        {"above 4 GiB, low half at a dead record", 0x00000001'00000000 | DEAD_RECORD,
         ReadOutcome::FULL, false},
        {"all ones in 64 bits", UINT64_MAX, ReadOutcome::FULL, false},
    };
    for (const LeftAloneCase& c : cases) {
        for (bool first : {true, false}) {
            fake::Reset();
            shell.deleted_ids.clear();
            if (first)
                Buttons({{c.data, c.button_read}, {LIVE_RECORD, ReadOutcome::FULL}});
            else
                Buttons({{DEAD_RECORD, ReadOutcome::FULL}, {c.data, c.button_read}});
            UseShell(true);
            SweepToolbar(shell.toolbar);
            std::vector<int32_t> const expected_deleted =
                first ? std::vector<int32_t>{} : std::vector<int32_t>{100};
            EXPECT_EQ(shell.deleted_ids, expected_deleted)
                << c.name << (first ? ", first" : ", second");
            // Two button records, the neighbour's owner, and the row's owner
            // only where its data value may be followed.
            EXPECT_EQ(fake::CallsNamed({"ReadProcessMemory"}).size(),
                      c.owner_read_expected ? 4u : 3u)
                << c.name;
            EXPECT_TRUE(SameCalls(fake::CallsNamed({"VirtualFreeEx", "CloseHandle"}),
                                  {Release(), Close()}));
        }
    }
}

// The shell may remove buttons after the count: TB_GETBUTTON then fails and
// the block still holds the previous, dead button's record.
TEST_F(SweepToolbarTest, AButtonTheToolbarDoesNotWriteIsNotJudgedByTheRecordBefore) {
    Buttons({{DEAD_RECORD, ReadOutcome::FULL},
             {LIVE_RECORD, ReadOutcome::FULL},
             {DEAD_RECORD, ReadOutcome::FULL}});
    shell.buttons[1].get_fails = true;
    SweepToolbar(shell.toolbar);
    EXPECT_EQ(shell.deleted_ids, (std::vector<int32_t>{102, 100}));
    // Nothing is read for it: two button records and two owner records.
    EXPECT_EQ(fake::CallsNamed({"ReadProcessMemory"}).size(), 4u);
}

TEST_F(SweepToolbarTest, ThirtyTwoBitShellReadsOffsetTwelveAndIgnoresTheStringAfterIt) {
    // In a 32-bit shell the word after the data value is the string address,
    // never zero: the 64-bit shell's high-half rule must not apply here.
    Buttons({{DEAD_RECORD, ReadOutcome::FULL}, {LIVE_RECORD, ReadOutcome::FULL}});
    UseShell(false);
    SweepToolbar(shell.toolbar);
    EXPECT_EQ(shell.deleted_ids, (std::vector<int32_t>{100}));

    // Read at the wrong offset, a 32-bit shell's record yields the string
    // address, which names no owner record: nothing would be deleted.
    fake::Reset();
    shell.deleted_ids.clear();
    Buttons({{DEAD_RECORD, ReadOutcome::FULL}});
    shell.shell_is_64_bit = false;
    InstallScriptedShell(shell);
    ButtonDataOffset = 16;
    SweepToolbar(shell.toolbar);
    EXPECT_TRUE(shell.deleted_ids.empty());
}

TEST_F(SweepToolbarTest, TheToolsOwnButtonSurvivesBecauseItsWindowIsAlive) {
    constexpr uint64_t HOST_RECORD = 0x01000600;
    constexpr uint32_t HOST_WINDOW = 0x000300C6;
    shell.owners[HOST_RECORD] = {HOST_WINDOW, ReadOutcome::FULL};
    shell.live_windows.insert(HOST_WINDOW);
    Buttons({{DEAD_RECORD, ReadOutcome::FULL},
             {HOST_RECORD, ReadOutcome::FULL},
             {DEAD_RECORD, ReadOutcome::FULL}});
    UseShell(true);
    SweepToolbar(shell.toolbar);
    EXPECT_EQ(RemainingIds(), (std::vector<int32_t>{101}));
    EXPECT_TRUE(SameCalls(fake::CallsNamed({"IsWindow"}), {{"IsWindow", {DEAD_WINDOW}, ""},
                                                           {"IsWindow", {HOST_WINDOW}, ""},
                                                           {"IsWindow", {DEAD_WINDOW}, ""}}));
}

}  // namespace
