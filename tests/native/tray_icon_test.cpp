// The tray icon: reading the embedded icon file, making the icon, the tooltip
// copy, and what SetTrayIcon asks of the shell and releases.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/texts.h"
#include "app/tray_icon.h"
#include "resources/embedded_images.h"
#include "tests/native/fake_tray_fixture.h"

namespace {

using fake::Arg;
using fake::Call;

std::vector<uint8_t> ToolIconFile() {
    return {TOOL_ICON_FILE, TOOL_ICON_FILE + TOOL_ICON_FILE_SIZE};
}

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct FileCase {
    const char* name;
    void (*damage)(std::vector<uint8_t>& file);
};

// Each damage alone makes the file unusable.
const FileCase BROKEN_FILES[] = {
    {"empty", [](std::vector<uint8_t>& f) { f.clear(); }},
    {"directory without its entry", [](std::vector<uint8_t>& f) { f.resize(21); }},
    {"reserved word not 0", [](std::vector<uint8_t>& f) { f[0] = 1; }},
    {"a cursor file (type 2)", [](std::vector<uint8_t>& f) { f[2] = 2; }},
    {"no entries", [](std::vector<uint8_t>& f) { f[4] = 0; }},
    {"image cut short", [](std::vector<uint8_t>& f) { f.resize(f.size() - 1); }},
    {"image offset past the end", [](std::vector<uint8_t>& f) { Put32(f, 18, 17000); }},
    {"offset and size wrap around", [](std::vector<uint8_t>& f) { Put32(f, 18, 0xFFFFFFF0u); }},
    {"size wraps the offset", [](std::vector<uint8_t>& f) { Put32(f, 14, 0xFFFFFFFFu); }},
    {"image smaller than its bitmap header", [](std::vector<uint8_t>& f) { Put32(f, 14, 39); }},
    {"zero width", [](std::vector<uint8_t>& f) { Put32(f, 22 + 4, 0); }},
    {"zero height", [](std::vector<uint8_t>& f) { Put32(f, 22 + 8, 1); }},
};

TEST(IconFile, TheEmbeddedFileGivesItsImageAtItsOwnSize) {
    std::vector<uint8_t> const file = ToolIconFile();
    IconFileImage const image = FindIconImage(file.data(), file.size());
    EXPECT_EQ(image.bits, file.data() + 22);
    EXPECT_EQ(image.size, 16936u);
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 64) << "half the doubled height of the bitmap header";
}

TEST(IconFile, ADamagedFileGivesNoImage) {
    for (const FileCase& broken : BROKEN_FILES) {
        std::vector<uint8_t> file = ToolIconFile();
        broken.damage(file);
        EXPECT_EQ(FindIconImage(file.data(), file.size()).bits, nullptr) << broken.name;
    }
    EXPECT_EQ(FindIconImage(nullptr, 100).bits, nullptr);
}

TEST(IconFile, AnImageEndingExactlyAtTheEndOfTheFileIsUsed) {
    std::vector<uint8_t> file = ToolIconFile();
    file.resize(22 + 40);
    Put32(file, 14, 40);
    EXPECT_NE(FindIconImage(file.data(), file.size()).bits, nullptr);
}

using MakeIcon = FakeTrayTest;

TEST_F(MakeIcon, AsksForTheImagesOwnSizeWithFormatVersion3) {
    os::IconHandle const icon = MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE);
    EXPECT_NE(icon, nullptr);
    EXPECT_TRUE(
        SameCalls(fake::Calls(), {Call{"CreateIconFromResourceEx",
                                       {Arg(TOOL_ICON_FILE + 22), 16936, 0x00030000, 64, 64, 0},
                                       ""}}));
}

TEST_F(MakeIcon, FallsBackToCreateIconFromResource) {
    fake::TrayState().icon_ex_fails = true;
    EXPECT_NE(MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE), nullptr);
    EXPECT_TRUE(SameCalls(
        Named("CreateIconFromResource"),
        {Call{"CreateIconFromResource", {Arg(TOOL_ICON_FILE + 22), 16936, 0x00030000}, ""}}));
}

TEST_F(MakeIcon, GivesNoIconWhenBothWaysFailOrTheFileIsUnusable) {
    fake::TrayState().icon_ex_fails = true;
    fake::TrayState().icon_fails = true;
    EXPECT_EQ(MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE), nullptr);
    fake::ResetTray();
    fake::ClearCalls();
    EXPECT_EQ(MakeIconFromFile(TOOL_ICON_FILE, 21), nullptr);
    EXPECT_TRUE(fake::Calls().empty()) << "an unusable file reaches no system call";
}

TEST(Tooltip, CopiesAtMost62BytesAndAlwaysTerminates) {
    std::string const long_text(70, 'x');
    std::string const exactly_62(62, 'y');
    struct Case {
        const char* text;
        size_t expected_length;
    } const cases[] = {
        {nullptr, 0},
        {"", 0},
        {TEXT_TOOLTIP, 45},
        {exactly_62.c_str(), 62},
        {long_text.c_str(), 62},
    };
    for (const Case& c : cases) {
        char tip[64];
        std::memset(tip, 0x55, sizeof tip);
        CopyTooltip(tip, c.text);
        EXPECT_EQ(std::strlen(tip), c.expected_length) << (c.text ? c.text : "(none)");
        if (c.text) {
            EXPECT_EQ(std::memcmp(tip, c.text, c.expected_length), 0);
        }
        for (size_t i = c.expected_length; i < sizeof tip; ++i)
            EXPECT_EQ(tip[i], 0) << "byte " << i;
    }
}

TEST(Tooltip, KeepsTheThreeLinesWhole) {
    char tip[64];
    CopyTooltip(tip, TEXT_TOOLTIP);
    EXPECT_STREQ(tip, TEXT_TOOLTIP);
}

TEST(TrayIconChange, AddsModifiesDeletesOrLeaves) {
    EXPECT_EQ(TrayIconChange(false, false), TRAY_ICON_LEAVE);
    EXPECT_EQ(TrayIconChange(false, true), TRAY_ICON_ADD);
    EXPECT_EQ(TrayIconChange(true, true), TRAY_ICON_MODIFY);
    EXPECT_EQ(TrayIconChange(true, false), TRAY_ICON_DELETE);
}

using SetTrayIconTest = FakeTrayTest;

os::WindowHandle const HOST = reinterpret_cast<os::WindowHandle>(0x4242);

Call Notify(uint32_t message, uint32_t flags, uint32_t callback, os::IconHandle icon,
            const char* tip) {
    return Call{
        "Shell_NotifyIconA", {message, 88, Arg(HOST), 100, flags, callback, Arg(icon)}, tip};
}

// Everything past the copied tip is zero: the record was cleared first.
void ExpectClearedRecords() {
    for (const os::NotifyIconDataA& data : fake::TrayState().notifications) {
        size_t const tip_length = std::strlen(data.szTip);
        for (size_t i = tip_length; i < sizeof data.szTip; ++i)
            EXPECT_EQ(data.szTip[i], 0) << "tip byte " << i;
    }
}

TEST_F(SetTrayIconTest, AddsThenReplacesThenRemovesDestroyingEachHandleItHeld) {
    os::IconHandle const first = MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE);
    os::IconHandle const second = MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE);
    fake::ClearCalls();
    SetTrayIcon(HOST, first, TEXT_TOOLTIP);
    SetTrayIcon(HOST, second, "new tip");
    SetTrayIcon(HOST, nullptr, nullptr);
    EXPECT_TRUE(SameCalls(fake::Calls(), {
                                             Notify(0, 7, 0x8064, first, TEXT_TOOLTIP),
                                             Notify(1, 7, 0x8064, second, "new tip"),
                                             Call{"DestroyIcon", {Arg(first)}, ""},
                                             Notify(2, 0, 0, nullptr, ""),
                                             Call{"DestroyIcon", {Arg(second)}, ""},
                                         }));
    EXPECT_EQ(HeldTrayIcon, nullptr);
    EXPECT_TRUE(fake::LiveObjects().empty());
    EXPECT_TRUE(fake::TrayState().refused.empty());
    ExpectClearedRecords();
}

TEST_F(SetTrayIconTest, NoIconAndNothingHeldAsksNothing) {
    SetTrayIcon(HOST, nullptr, TEXT_TOOLTIP);
    EXPECT_TRUE(fake::Calls().empty());
    EXPECT_EQ(HeldTrayIcon, nullptr);
}

TEST_F(SetTrayIconTest, HandingTheHeldIconBackKeepsItAlive) {
    os::IconHandle const icon = MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE);
    SetTrayIcon(HOST, icon, TEXT_TOOLTIP);
    SetTrayIcon(HOST, icon, TEXT_TOOLTIP);
    EXPECT_TRUE(Named("DestroyIcon").empty()) << "the shell still shows that handle";
    EXPECT_EQ(HeldTrayIcon, icon);
}

TEST_F(SetTrayIconTest, AFailingShellIsNotAskedAgain) {
    fake::TrayState().shell_notify_ok = false;
    os::IconHandle const icon = MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE);
    SetTrayIcon(HOST, icon, TEXT_TOOLTIP);
    EXPECT_EQ(Named("Shell_NotifyIconA").size(), 1u);
    EXPECT_EQ(HeldTrayIcon, icon) << "the handle is held, so removal still destroys it";
    SetTrayIcon(HOST, nullptr, nullptr);
    EXPECT_TRUE(fake::LiveObjects().empty());
}

// The start-up and the end when no icon can be made: nothing is shown,
// nothing removed, nothing leaks.
TEST_F(SetTrayIconTest, WithoutAnIconTheShellIsNeverAsked) {
    fake::TrayState().icon_ex_fails = true;
    fake::TrayState().icon_fails = true;
    SetTrayIcon(HOST, MakeIconFromFile(TOOL_ICON_FILE, TOOL_ICON_FILE_SIZE), TEXT_TOOLTIP);
    SetTrayIcon(HOST, nullptr, nullptr);
    EXPECT_TRUE(Named("Shell_NotifyIconA").empty());
    EXPECT_TRUE(Named("DestroyIcon").empty());
}

}  // namespace
