// The poller against tick-by-tick key scripts, the snapshot it takes and the
// two ways a firing is dispatched.
#include "tests/native/hotkey_fixture.h"

namespace {

using fake::Arg;
using fake::Call;

// One hotkey, a script of ticks and, per tick, whether it fired ('F') or not ('.').
struct ScriptCase {
    const char* what;
    int32_t key, modifiers, second_key;
    std::vector<Tick> ticks;
    const char* fires;
};

const std::vector<Tick> HOLD_THEN_PRESS_AGAIN = {
    {Down(VK_CONTROL)},
    {Down(VK_CONTROL), Down(VK_F8)},
    {Down(VK_CONTROL), Down(VK_F8)},
    {Down(VK_CONTROL), Down(VK_F8)},
    {Down(VK_CONTROL)},
    {Down(VK_CONTROL), Down(VK_F8)},
    {},
};

const ScriptCase PRESS_CASES[] = {
    {"held Ctrl, F8 pressed: once per press, no repeat while held", VK_F8, 2, 0,
     HOLD_THEN_PRESS_AGAIN, ".F...F."},
    {"F8 first, Ctrl added while F8 is down: this press is lost",
     VK_F8,
     2,
     0,
     {{Down(VK_F8)},
      {Down(VK_F8), Down(VK_CONTROL)},
      {Down(VK_F8), Down(VK_CONTROL)},
      {Down(VK_CONTROL)},
      {Down(VK_CONTROL), Down(VK_F8)}},
     "....F"},
    {"Ctrl+Shift+F8, Shift let go while F8 stays down: nothing",
     VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_SHIFT), Down(VK_F8)},
      {Down(VK_CONTROL), Down(VK_F8)},
      {Down(VK_CONTROL), Down(VK_F8)}},
     "..."},
    {"right Windows key is not a modifier",
     VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_RWIN), Down(VK_F8)}},
     "F"},
    {"left Windows key is one", VK_F8, 2, 0, {{Down(VK_CONTROL), Down(VK_LWIN), Down(VK_F8)}}, "."},
    {"left Windows key as the required modifier",
     VK_F8,
     8,
     0,
     {{Down(VK_LWIN), Down(VK_F8)}, {}, {Down(VK_RWIN), Down(VK_F8)}},
     "F.."},
    {"only the side-independent Ctrl code counts",
     VK_F8,
     2,
     0,
     {{Down(VK_LCONTROL), Down(VK_F8)}},
     "."},
    {"the sum must be exact: Ctrl+Alt",
     VK_F8,
     3,
     0,
     {{Down(VK_CONTROL), Down(VK_MENU), Down(VK_F8)}, {}, {Down(VK_CONTROL), Down(VK_F8)}},
     "F.."},
    {"no modifiers wanted: any held modifier stops it",
     VK_F8,
     0,
     0,
     {{Down(VK_F8)}, {}, {Down(VK_SHIFT), Down(VK_F8)}},
     "F.."},
    {"press and release between two ticks: nothing",
     VK_F8,
     2,
     0,
     {{Down(VK_CONTROL)}, {Down(VK_CONTROL), Tapped(VK_F8)}, {Down(VK_CONTROL)}},
     "..."},
    {"a tap between held ticks neither fires again nor rearms",
     VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_F8)},
      {Down(VK_CONTROL), Tapped(VK_F8)},
      {Down(VK_CONTROL), Down(VK_F8)}},
     "F.."},
    {"a key above 255 is examined by its low byte", VK_F8 + 256, 2, 0, HOLD_THEN_PRESS_AGAIN,
     ".F...F."},
    {"F8 and Ctrl arriving in the same tick fire",
     VK_F8,
     2,
     0,
     {{}, {Down(VK_CONTROL), Down(VK_F8)}},
     ".F"},
};

const ScriptCase RELEASE_CASES[] = {
    {"nothing at the press, once at the first up tick",
     -VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_F8)},
      {Down(VK_CONTROL), Down(VK_F8)},
      {Down(VK_CONTROL)},
      {Down(VK_CONTROL)},
      {Down(VK_CONTROL), Down(VK_F8)},
      {Down(VK_CONTROL)}},
     "..F..F"},
    {"modifiers are sampled at the release: Ctrl added while F8 is down",
     -VK_F8,
     2,
     0,
     {{Down(VK_F8)}, {Down(VK_F8), Down(VK_CONTROL)}, {Down(VK_CONTROL)}},
     "..F"},
    {"modifiers are sampled at the release: Ctrl let go first",
     -VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_F8)}, {Down(VK_F8)}, {}},
     "..."},
    {"a tap after the press counts as the release",
     -VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Down(VK_F8)}, {Down(VK_CONTROL), Tapped(VK_F8)}, {Down(VK_CONTROL)}},
     ".F."},
    {"a tap alone is not a press",
     -VK_F8,
     2,
     0,
     {{Down(VK_CONTROL), Tapped(VK_F8)}, {Down(VK_CONTROL)}},
     ".."},
};

const ScriptCase SECOND_KEY_CASES[] = {
    {"second key held at the press: fires",
     VK_F8,
     2,
     VK_A,
     {{Down(VK_CONTROL), Down(VK_A), Down(VK_F8)}},
     "F"},
    {"second key not held: the press is consumed",
     VK_F8,
     2,
     VK_A,
     {{Down(VK_CONTROL), Down(VK_F8)}, {Down(VK_CONTROL), Down(VK_A), Down(VK_F8)}},
     ".."},
    {"second key only tapped: not held",
     VK_F8,
     2,
     VK_A,
     {{Down(VK_CONTROL), Tapped(VK_A), Down(VK_F8)}},
     "."},
    {"negative second key: its low byte, held",
     VK_F8,
     2,
     -VK_A,
     {{Down(VK_CONTROL), Down(VK_A), Down(VK_F8)}},
     "F"},
    {"second key in release mode: sampled at the release",
     -VK_F8,
     2,
     VK_A,
     {{Down(VK_CONTROL), Down(VK_F8)}, {Down(VK_CONTROL), Down(VK_A)}},
     ".F"},
};

// Every key down, the last entry included: still no key named by byte 0.
Tick EveryKeyDown() {
    Tick tick;
    for (int code = 1; code <= 255; ++code) tick.push_back(Down(code));
    return tick;
}

class PollTest : public HotkeyTest {
protected:
    void RunScripts(const ScriptCase* begin, const ScriptCase* end, bool direct) {
        for (const ScriptCase* c = begin; c != end; ++c) {
            SCOPED_TRACE(c->what);
            ReleaseHotkeyTable();
            CreateHotkeyTable();
            ASSERT_NE(RegisterHotkey(CallbackA, c->key, c->modifiers, c->second_key, 0, direct), 0);
            std::string fired;
            for (const Tick& tick : c->ticks) {
                Firings().clear();
                RunTick(tick);
                fired += Firings().empty() ? '.' : 'F';
                for (const Firing& firing : Firings()) EXPECT_EQ(firing, (Firing{'A', 1000001}));
                EXPECT_LE(Firings().size(), 1u);
            }
            EXPECT_EQ(fired, c->fires);
        }
    }
};

TEST_F(PollTest, PressModeScripts) {
    RunScripts(std::begin(PRESS_CASES), std::end(PRESS_CASES), false);
    RunScripts(std::begin(PRESS_CASES), std::end(PRESS_CASES), true);
}

TEST_F(PollTest, ReleaseModeScripts) {
    RunScripts(std::begin(RELEASE_CASES), std::end(RELEASE_CASES), false);
    RunScripts(std::begin(RELEASE_CASES), std::end(RELEASE_CASES), true);
}

TEST_F(PollTest, SecondKeyScripts) {
    RunScripts(std::begin(SECOND_KEY_CASES), std::end(SECOND_KEY_CASES), false);
}

// A second key whose byte is 0 names no key: such a record never fires, and
// its presses are still consumed like any other failed fire check.
TEST_F(PollTest, SecondKeyWithKeyByteZeroNeverFires) {
    for (int32_t second_key : {256, -256, 512}) {
        SCOPED_TRACE(second_key);
        ReleaseHotkeyTable();
        CreateHotkeyTable();
        Firings().clear();
        EXPECT_EQ(RegisterHotkey(CallbackA, VK_F8, 2, second_key), 1000001);
        RunTick({Down(VK_CONTROL), Down(VK_F8)});
        EXPECT_EQ(Record(1).state, 88);
        RunTick({});
        RunTick(EveryKeyDown());
        RegisterHotkey(CallbackA, VK_F8, 2 + 4 + 1 + 8, second_key);
        RunTick({});
        RunTick(EveryKeyDown());  // now the modifier sum matches too
        EXPECT_TRUE(Firings().empty());
    }
}

TEST_F(PollTest, ReleaseModeStateWalksPressedReleasedConsumedIdle) {
    RegisterHotkey(CallbackA, -VK_F8, 0);
    const struct {
        Tick tick;
        uint8_t state_after;
    } steps[] = {{{}, 0}, {{Down(VK_F8)}, 1}, {{Down(VK_F8)}, 1}, {{}, 88}, {{}, 0}};
    for (const auto& step : steps) {
        RunTick(step.tick);
        EXPECT_EQ(Record(1).state, step.state_after);
    }
    EXPECT_EQ(Firings().size(), 1u);
}

TEST_F(PollTest, EveryTickReadsKeysOneTo255InAscendingOrderWhateverTheRecords) {
    std::vector<Call> ascending;
    for (int code = 1; code <= 255; ++code)
        ascending.push_back({"GetAsyncKeyState", {Arg(code)}, ""});
    auto one_tick_reads = [] {
        fake::ClearCalls();
        RunTick({Down(VK_CONTROL), Down(VK_F8), Down(VK_A)});
        return fake::CallsNamed({"GetAsyncKeyState"});
    };
    EXPECT_TRUE(SameCalls(one_tick_reads(), ascending));  // empty table
    RegisterHotkey(CallbackA, VK_F8, 2);
    EXPECT_TRUE(SameCalls(one_tick_reads(), ascending));
    for (int key = 1; key <= 40; ++key) RegisterHotkey(CallbackA, key, 2, VK_A);
    EXPECT_TRUE(SameCalls(one_tick_reads(), ascending));
}

TEST_F(PollTest, RecordsAreExaminedInSlotOrderAndEachTracksItsOwnPress) {
    RegisterHotkey(CallbackA, VK_F8, 2);      // 1000001
    RegisterHotkey(CallbackB, VK_F8, 2 + 4);  // 1000002
    RegisterHotkey(CallbackA, -VK_F8, 2);     // 1000003
    RegisterHotkey(CallbackB, VK_A, 2);       // 1000004
    RunTick({Down(VK_CONTROL), Down(VK_F8), Down(VK_A)});
    RunTick({Down(VK_CONTROL)});
    EXPECT_EQ(Firings(), (std::vector<Firing>{{'A', 1000001}, {'B', 1000004}, {'A', 1000003}}));
}

TEST_F(PollTest, ThreadDispatchStartsOneThreadPerFiringAndClosesItsHandleAtOnce) {
    fake::State().run_threads = false;
    RegisterHotkey(CallbackA, VK_F8, 2);
    for (const Tick& tick : HOLD_THEN_PRESS_AGAIN) RunTick(tick);
    void* const start = reinterpret_cast<void*>(&CallbackA);
    EXPECT_TRUE(SameCalls(fake::CallsNamed({"CreateThread", "CloseHandle"}),
                          {{"CreateThread", {Arg(start), 1000001}, ""},
                           {"CloseHandle", {0x1000}, ""},
                           {"CreateThread", {Arg(start), 1000001}, ""},
                           {"CloseHandle", {0x1001}, ""}}));
    EXPECT_TRUE(Firings().empty());  // nothing ran on the polling thread
}

TEST_F(PollTest, ThreadThatCannotStartLeavesNoHandleToCloseAndThePressConsumed) {
    fake::State().thread_fails = true;
    RegisterHotkey(CallbackA, VK_F8, 2);
    RunTick({Down(VK_CONTROL), Down(VK_F8)});
    RunTick({Down(VK_CONTROL), Down(VK_F8)});
    EXPECT_TRUE(
        SameCalls(fake::CallsNamed({"CreateThread", "CloseHandle"}),
                  {{"CreateThread", {Arg(reinterpret_cast<void*>(&CallbackA)), 1000001}, ""}}));
}

TEST_F(PollTest, DirectDispatchCallsOnThePollingThreadAndStartsNoThread) {
    RegisterHotkey(CallbackA, VK_F8, 2, 0, 0, true);
    RunTick({Down(VK_CONTROL), Down(VK_F8)});
    EXPECT_EQ(Firings(), (std::vector<Firing>{{'A', 1000001}}));
    EXPECT_TRUE(fake::CallsNamed({"CreateThread", "CloseHandle"}).empty());
}

// A direct callback that registers a hotkey grows the table in the middle of
// the walk; the walk must go on over valid records.
uint32_t OS_CALLBACK RegisteringCallback(void* id) {
    for (int key = 0x30; key < 0x60; ++key) RegisterHotkey(CallbackB, key, 0);
    return CallbackA(id);
}

TEST_F(PollTest, DirectCallbackMayRegisterDuringTheTick) {
    RegisterHotkey(RegisteringCallback, VK_F8, 2, 0, 0, true);
    RegisterHotkey(CallbackA, VK_F8, 2, VK_A);
    RunTick({Down(VK_CONTROL), Down(VK_F8), Down(VK_A)});
    EXPECT_EQ(Firings(), (std::vector<Firing>{{'A', 1000001}, {'A', 1000002}}));
    EXPECT_EQ(Hotkeys->records.count, 2u + 0x30);
}

}  // namespace
