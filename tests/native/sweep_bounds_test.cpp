// A toolbar whose count is not its real size: the scan must end where the
// toolbar stops writing buttons, not at the count it reported.
#include <gtest/gtest.h>

#include "tests/native/fake_calls.h"
#include "tests/native/scripted_shell.h"
#include "traysweep/shell_probe.h"
#include "traysweep/sweep_toolbar.h"

namespace {

constexpr uint64_t LIVE_RECORD = 0x01000000;
constexpr uint64_t DEAD_RECORD = 0x01000100;
constexpr uint32_t LIVE_WINDOW = 0x000100A2;
constexpr uint32_t DEAD_WINDOW = 0x000200B4;
constexpr size_t REFUSALS_BEFORE_GIVING_UP = 16;

class SweepBoundsTest : public FakeOsTest {
protected:
    ScriptedShell shell;
    size_t get_button_sends = 0;

    void SetUp() override {
        FakeOsTest::SetUp();
        shell.owners = {{LIVE_RECORD, {LIVE_WINDOW, ReadOutcome::FULL}},
                        {DEAD_RECORD, {DEAD_WINDOW, ReadOutcome::FULL}}};
        shell.live_windows = {LIVE_WINDOW};
        ButtonDataOffset = 16;
    }
    // The scripted toolbar, answering TB_BUTTONCOUNT with reported_count.
    void Install(int32_t reported_count) {
        InstallScriptedShell(shell);
        auto const real = fake::State().send_message;
        fake::State().send_message = [this, real, reported_count](
                                         os::WindowHandle window, uint32_t message,
                                         uintptr_t wparam, intptr_t lparam) -> intptr_t {
            if (message == TB_BUTTONCOUNT) return reported_count;
            if (message == TB_GETBUTTON) ++get_button_sends;
            return real(window, message, wparam, lparam);
        };
    }
    std::vector<int32_t> RemainingIds() const {
        std::vector<int32_t> ids;
        for (const ScriptedButton& b : shell.buttons) ids.push_back(b.id);
        return ids;
    }
};

struct CountCase {
    const char* name;
    int32_t reported;
};

// Three real buttons; the toolbar claims more. Every real one is judged, the
// dead one goes, and the scan gives up after a short run of refusals; the
// block and the handle are released as on any other path.
TEST_F(SweepBoundsTest, ACountBeyondTheRealButtonsEndsWhereTheToolbarStopsWriting) {
    CountCase const cases[] = {
        {"0x7FFFFFFF", 0x7FFFFFFF},
        {"one more than there are", 4},
        {"a thousand", 1000},
    };
    for (const CountCase& c : cases) {
        fake::Reset();
        get_button_sends = 0;
        shell.deleted_ids.clear();
        shell.buttons = {{100, LIVE_RECORD, ReadOutcome::FULL},
                         {101, DEAD_RECORD, ReadOutcome::FULL},
                         {102, LIVE_RECORD, ReadOutcome::FULL}};
        Install(c.reported);
        SweepToolbar(shell.toolbar);
        EXPECT_EQ(shell.deleted_ids, (std::vector<int32_t>{101})) << c.name;
        size_t const past_the_end =
            std::min<size_t>(static_cast<size_t>(c.reported) - 3, REFUSALS_BEFORE_GIVING_UP);
        EXPECT_EQ(get_button_sends, 3 + past_the_end) << c.name;
        EXPECT_EQ(fake::CallsNamed({"VirtualFreeEx"}).size(), 1u) << c.name;
        EXPECT_EQ(fake::CallsNamed({"CloseHandle"}).size(), 1u) << c.name;
    }
}

// A refusal in the middle is not the end: buttons after a shorter run of
// refused indexes are still judged, and a run one longer ends the scan.
TEST_F(SweepBoundsTest, OnlyALongRunOfRefusedIndexesEndsTheScan) {
    for (size_t refused : {REFUSALS_BEFORE_GIVING_UP - 1, REFUSALS_BEFORE_GIVING_UP}) {
        fake::Reset();
        get_button_sends = 0;
        shell.deleted_ids.clear();
        shell.buttons.clear();
        shell.buttons.push_back({100, DEAD_RECORD, ReadOutcome::FULL});
        for (size_t i = 0; i < refused; ++i)
            shell.buttons.push_back(
                {static_cast<int32_t>(200 + i), DEAD_RECORD, ReadOutcome::FULL, true});
        shell.buttons.push_back({300, DEAD_RECORD, ReadOutcome::FULL});
        Install(static_cast<int32_t>(shell.buttons.size()));
        SweepToolbar(shell.toolbar);
        bool const reached_the_last = refused < REFUSALS_BEFORE_GIVING_UP;
        std::vector<int32_t> const expected =
            reached_the_last ? std::vector<int32_t>{300, 100} : std::vector<int32_t>{100};
        EXPECT_EQ(shell.deleted_ids, expected) << refused << " refused";
        EXPECT_EQ(get_button_sends, refused + (reached_the_last ? 2 : 1)) << refused << " refused";
    }
}

}  // namespace
