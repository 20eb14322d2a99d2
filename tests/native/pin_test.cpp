#include "pin/pin.h"

#include <thread>

#include "tests/native/fake_calls.h"

namespace {

using fake::Arg;
using fake::Call;

os::WindowHandle const WINDOW_A = reinterpret_cast<os::WindowHandle>(0x10010);
os::WindowHandle const WINDOW_B = reinterpret_cast<os::WindowHandle>(0x20020);
os::WindowHandle const CHILD_BUTTON = reinterpret_cast<os::WindowHandle>(0x30030);

Call Foreground(os::WindowHandle w) { return {"SetForegroundWindow", {Arg(w)}, ""}; }
Call ZOrder(os::WindowHandle w, os::WindowHandle after) {
    // Position and size 0; flags exactly SWP_NOSIZE | SWP_NOMOVE.
    return {"SetWindowPos", {Arg(w), Arg(after), 0, 0, 0, 0, 0x0003}, ""};
}

class PinTest : public FakeOsTest {
protected:
    void SetUp() override {
        FakeOsTest::SetUp();
        LastPinnedWindow.store(nullptr);
    }
    static void PinAt(os::WindowHandle window) {
        fake::State().window_at_point = window;
        PinWindowUnderCursor(reinterpret_cast<void*>(1000001));
    }
};

TEST_F(PinTest, PinWindowOnTopActivatesThenMakesTopmostAndOffOnlyChangesZOrder) {
    PinWindow(WINDOW_A, true);
    PinWindow(WINDOW_A, false);
    EXPECT_TRUE(SameCalls(fake::Calls(), {Foreground(WINDOW_A), ZOrder(WINDOW_A, os::HWND_TOPMOST),
                                          ZOrder(WINDOW_A, os::HWND_NOTOPMOST)}));
}

TEST_F(PinTest, PinsTheWindowAtThePointerAndRemembersIt) {
    fake::State().cursor = {640, 360};
    PinAt(WINDOW_A);
    EXPECT_TRUE(SameCalls(fake::Calls(), {{"GetCursorPos", {}, ""},
                                          {"WindowFromPoint", {640, 360}, ""},
                                          Foreground(WINDOW_A),
                                          ZOrder(WINDOW_A, os::HWND_TOPMOST)}));
    EXPECT_EQ(LastPinnedWindow.load(), WINDOW_A);
}

TEST_F(PinTest, FailedPointerReadAsksForTheWindowAtOrigin) {
    fake::State().cursor = {640, 360};
    fake::State().cursor_ok = false;
    PinAt(WINDOW_A);
    EXPECT_TRUE(
        SameCalls(fake::CallsNamed({"WindowFromPoint"}), {{"WindowFromPoint", {0, 0}, ""}}));
}

TEST_F(PinTest, ChildControlIsPinnedAndLaterUnpinnedAsReturned) {
    PinAt(CHILD_BUTTON);
    UnpinLastWindow();
    EXPECT_TRUE(SameCalls(fake::CallsNamed({"SetForegroundWindow", "SetWindowPos"}),
                          {Foreground(CHILD_BUTTON), ZOrder(CHILD_BUTTON, os::HWND_TOPMOST),
                           ZOrder(CHILD_BUTTON, os::HWND_NOTOPMOST)}));
}

TEST_F(PinTest, NoWindowAtThePointerIsStillRecordedAndPassedOn) {
    PinAt(WINDOW_A);
    fake::ClearCalls();
    PinAt(nullptr);
    EXPECT_EQ(LastPinnedWindow.load(), nullptr);
    EXPECT_TRUE(SameCalls(fake::CallsNamed({"SetForegroundWindow", "SetWindowPos"}),
                          {Foreground(nullptr), ZOrder(nullptr, os::HWND_TOPMOST)}));
}

TEST_F(PinTest, UnpinAfterAThenBUnpinsOnlyBWithoutTouchingTheForeground) {
    PinAt(WINDOW_A);
    PinAt(WINDOW_B);
    fake::ClearCalls();
    UnpinLastWindow();
    UnpinLastWindow();  // repeats the same request; LastPinnedWindow is never cleared
    EXPECT_TRUE(SameCalls(fake::Calls(), {ZOrder(WINDOW_B, os::HWND_NOTOPMOST),
                                          ZOrder(WINDOW_B, os::HWND_NOTOPMOST)}));
    EXPECT_EQ(LastPinnedWindow.load(), WINDOW_B);
}

TEST_F(PinTest, UnpinBeforeAnyPinSendsANullHandleAndNothingElse) {
    UnpinLastWindow();
    EXPECT_TRUE(SameCalls(fake::Calls(), {ZOrder(nullptr, os::HWND_NOTOPMOST)}));
}

// Workers store while the UI thread loads: every value read is one that was
// written whole (run under ThreadSanitizer this also proves the access is a
// proper atomic one).
TEST_F(PinTest, ConcurrentPinsAndUnpinsNeverSeeATornHandle) {
    fake::State().window_at_point = WINDOW_A;
    std::thread worker([] {
        for (int i = 0; i < 2000; ++i) PinWindowUnderCursor(nullptr);
    });
    for (int i = 0; i < 2000; ++i) {
        os::WindowHandle const seen = LastPinnedWindow.load();
        ASSERT_TRUE(seen == nullptr || seen == WINDOW_A);
        UnpinLastWindow();
    }
    worker.join();
    for (const Call& call : fake::CallsNamed({"SetWindowPos"}))
        ASSERT_TRUE(call.args[0] == 0 || call.args[0] == Arg(WINDOW_A));
}

}  // namespace
