// Registration: ids, matching on raw values, and the one poll timer.
#include "tests/native/hotkey_fixture.h"

namespace {

using fake::Arg;
using fake::Call;

Call PollTimer(uint32_t interval_ms) {
    return {"SetTimer", {0, 16661, interval_ms, Arg(reinterpret_cast<void*>(&PollHotkeys))}, ""};
}

using RegistrationTest = HotkeyTest;

TEST_F(RegistrationTest, FirstRegistrationGetsTheFirstIdAndStartsTheTenMillisecondPoll) {
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2), 1000001);
    EXPECT_TRUE(SameCalls(fake::Calls(), {PollTimer(10)}));
    ASSERT_EQ(Hotkeys->records.count, 1u);
    const HotkeyRecord& record = Record(1);
    EXPECT_EQ(record.id, 1000001);
    EXPECT_EQ(record.callback, CallbackA);
    EXPECT_EQ(record.key, VK_F8);
    EXPECT_EQ(record.modifiers, 2);
    EXPECT_EQ(record.second_key, 0);
    EXPECT_EQ(record.state, 0);
    EXPECT_EQ(record.direct, 0);
}

TEST_F(RegistrationTest, SameCombinationReplacesCallbackAndDispatchButKeepsTheState) {
    RegisterHotkey(CallbackA, VK_F8, 2);
    RunTick({Down(VK_SHIFT), Down(VK_F8)});  // consumes the press without firing
    ASSERT_EQ(Record(1).state, 88);
    fake::ClearCalls();

    EXPECT_EQ(RegisterHotkey(CallbackB, VK_F8, 2, 0, 50, true), 1000001);
    EXPECT_EQ(Hotkeys->records.count, 1u);
    EXPECT_EQ(Record(1).callback, CallbackB);
    EXPECT_EQ(Record(1).direct, 1);
    EXPECT_EQ(Record(1).state, 88);
    EXPECT_TRUE(fake::Calls().empty());  // the interval of a repeat is ignored

    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2), 1000001);  // and back to thread dispatch
    EXPECT_EQ(Record(1).direct, 0);
}

TEST_F(RegistrationTest, OtherCombinationsGetTheNextIdsWithoutASecondTimer) {
    struct Case {
        int32_t key, modifiers, second_key;
    };
    // Each differs from Ctrl+F8 in one raw value: modifiers, release mode,
    // a second key, and a key with the same byte but another value.
    const Case cases[] = {{VK_F8, 2 + 4, 0}, {-VK_F8, 2, 0}, {VK_F8, 2, VK_A}, {VK_F8 + 256, 2, 0}};
    RegisterHotkey(CallbackA, VK_F8, 2);
    int32_t expected_id = 1000002;
    for (const Case& c : cases) {
        EXPECT_EQ(RegisterHotkey(CallbackB, c.key, c.modifiers, c.second_key, 50), expected_id);
        ++expected_id;
    }
    EXPECT_EQ(Hotkeys->records.count, 5u);
    for (size_t slot = 1; slot <= 5; ++slot)
        EXPECT_EQ(Record(slot).id, HOTKEY_ID_BASE + static_cast<int32_t>(slot));
    EXPECT_TRUE(SameCalls(fake::CallsNamed({"SetTimer"}), {PollTimer(10)}));
    // A repeat of a later slot finds that slot, not the first.
    EXPECT_EQ(RegisterHotkey(CallbackA, -VK_F8, 2), 1000003);
}

TEST_F(RegistrationTest, KeysWhoseByteIsZeroAreRejectedAndChangeNothing) {
    for (int32_t key : {0, 256, -256, 512, -768}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(RegisterHotkey(CallbackA, key, 2), 0);
        EXPECT_TRUE(Hotkeys->records.count == 0);
    }
    EXPECT_TRUE(fake::Calls().empty());  // no timer either
    // A rejection does not use up the first id.
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2), 1000001);
    EXPECT_TRUE(SameCalls(fake::Calls(), {PollTimer(10)}));
}

TEST_F(RegistrationTest, OnlyAPositiveIntervalOfTheFirstRecordSetsThePollInterval) {
    struct Case {
        int32_t interval_ms;
        uint32_t expected;
    };
    for (const Case& c : {Case{50, 50}, Case{-5, 10}, Case{0, 10}, Case{1, 1}}) {
        SCOPED_TRACE(c.interval_ms);
        ReleaseHotkeyTable();
        CreateHotkeyTable();
        fake::ClearCalls();
        RegisterHotkey(CallbackA, VK_F8, 2, 0, c.interval_ms);
        RegisterHotkey(CallbackA, VK_F8, 4, 0, 77);
        EXPECT_TRUE(SameCalls(fake::Calls(), {PollTimer(c.expected)}));
    }
}

TEST_F(RegistrationTest, AFailedTimerIsNotRetriedByLaterRegistrations) {
    fake::State().timer_result = 0;
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2), 1000001);
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 4), 1000002);
    EXPECT_EQ(fake::CallsNamed({"SetTimer"}).size(), 1u);
}

TEST_F(RegistrationTest, ReleasedTableRejectsRegistrationsAndANewTableStartsAgainAtTheFirstId) {
    RegisterHotkey(CallbackA, VK_F8, 2);
    RegisterHotkey(CallbackA, VK_F8, 4);
    ReleaseHotkeyTable();
    EXPECT_EQ(Hotkeys, nullptr);
    ReleaseHotkeyTable();  // a second release is harmless
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2), 0);
    RunTick({Down(VK_CONTROL), Down(VK_F8)});  // a late tick walks nothing
    EXPECT_TRUE(Firings().empty());
    CreateHotkeyTable();
    EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 8), 1000001);
}

}  // namespace
