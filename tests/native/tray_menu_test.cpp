// The tray callback mapping, the menu command dispatch and the popup's life.
#include <gtest/gtest.h>

#include "app/tray_event.h"
#include "app/tray_menu.h"
#include "pin/pin.h"
#include "tests/native/fake_tray_fixture.h"

namespace {

using fake::Arg;
using fake::Call;

TEST(TrayCallback, OnlyReleasesDoubleClicksAndContextRequestsAreEvents) {
    struct Case {
        uint32_t message;
        int32_t event;
    } const cases[] = {
        {0x0202, TRAY_EVENT_LEFT_UP},
        {0x0203, TRAY_EVENT_LEFT_DOUBLE_CLICK},
        {0x0205, TRAY_EVENT_MENU},
        {0x007B, TRAY_EVENT_MENU},
        {0x0200, TRAY_EVENT_NONE} /* move */,
        {0x0201, TRAY_EVENT_NONE} /* left down */,
        {0x0204, TRAY_EVENT_NONE} /* right down */,
        {0x0206, TRAY_EVENT_NONE} /* right double */,
        {0x0207, TRAY_EVENT_NONE},
        {0x0208, TRAY_EVENT_NONE},
        {0x0209, TRAY_EVENT_NONE} /* middle */,
        {0x0400, TRAY_EVENT_NONE} /* NIN_SELECT */,
        {0x00010205, TRAY_EVENT_NONE} /* a newer callback's packed form is not asked for */,
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrayEventFromMouseMessage(c.message), c.event) << std::hex << c.message;
}

TEST(MenuCommand, SelectsTheDefinitionsPositionWithinItsRange) {
    struct Case {
        uint32_t id;
        int32_t position;
    } const cases[] = {
        {0, -1},
        {19999, -1},
        {20000, 0},
        {20001, 1},
        {20002, 2},
        {20003, -1},
        {0xE0FF, -1},
        {0xE100, -1},
        {0xF060, -1} /* SC_CLOSE */,
        {0xFFFF, -1},
        {0x00014E21, 1} /* a notification code in the high word is not part of the id */,
    };
    for (const auto& c : cases) EXPECT_EQ(MenuCommandPosition(c.id), c.position) << c.id;
}

using MenuCommandRun = FakeTrayTest;

os::WindowHandle const HOST = reinterpret_cast<os::WindowHandle>(0x4242);
os::WindowHandle const PINNED = reinterpret_cast<os::WindowHandle>(0x7777);

TEST_F(MenuCommandRun, UnpinUnpinsTheLastPinnedWindow) {
    LastPinnedWindow.store(PINNED);
    RunMenuCommand(20001);
    EXPECT_TRUE(SameCalls(
        fake::Calls(),
        {Call{"SetWindowPos", {Arg(PINNED), Arg(os::HWND_NOTOPMOST), 0, 0, 0, 0, 3}, ""}}));
    LastPinnedWindow.store(nullptr);
}

TEST_F(MenuCommandRun, QuitAsksForTheHostWindowsDestruction) {
    RunMenuCommand(20002);
    EXPECT_TRUE(SameCalls(fake::Calls(), {Call{"CloseHostWindow", {}, ""}}));
}

TEST_F(MenuCommandRun, TheRootAndIdentifiersOutsideTheDefinitionRunNothing) {
    for (uintptr_t id : {20000u, 20003u, 19999u, 0xE100u, 0xF060u}) RunMenuCommand(id);
    EXPECT_TRUE(fake::Calls().empty());
}

using TrayMenu = FakeTrayTest;

TEST_F(TrayMenu, IsBuiltTrackedRightAlignedFivePixelsUpLeftOfThePointerAndDestroyed) {
    fake::State().cursor = {300, 200};
    ShowTrayMenu(HOST);
    ASSERT_EQ(Named("TrackPopupMenu").size(), 1u);
    uintptr_t const popup = Named("TrackPopupMenu")[0].args[0];
    EXPECT_NE(popup, 0u);
    EXPECT_TRUE(SameCalls(fake::Calls(),
                          {
                              Call{"CreatePopupMenu", {}, ""},
                              Call{"AppendMenuA", {popup, 0x0100, 20001, 20001}, ""},
                              Call{"AppendMenuA", {popup, 0x0100, 20002, 20002}, ""},
                              Call{"GetCursorPos", {}, ""},
                              Call{"SetForegroundWindow", {Arg(HOST)}, ""},
                              Call{"TrackPopupMenu", {popup, 0x0008, 295, 195, Arg(HOST)}, ""},
                              Call{"PostMessageA", {Arg(HOST), 0, 0, 0}, ""},
                              Call{"DestroyMenu", {popup}, ""},
                          }));
    EXPECT_TRUE(fake::LiveObjects().empty()) << "the popup destroyed is the one created";
    EXPECT_TRUE(fake::TrayState().refused.empty());
}

TEST_F(TrayMenu, IsANewPopupEachTime) {
    ShowTrayMenu(HOST);
    ShowTrayMenu(HOST);
    std::vector<Call> const tracked = Named("TrackPopupMenu");
    ASSERT_EQ(tracked.size(), 2u);
    EXPECT_NE(tracked[0].args[0], tracked[1].args[0]);
    EXPECT_TRUE(fake::LiveObjects().empty());
}

TEST_F(TrayMenu, WithoutAPopupNothingIsTracked) {
    fake::TrayState().popup_fails = true;
    ShowTrayMenu(HOST);
    EXPECT_TRUE(Named("TrackPopupMenu").empty());
    EXPECT_TRUE(Named("AppendMenuA").empty());
}

}  // namespace
