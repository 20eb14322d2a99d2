#include "traysweep/sweep_dispatch.h"

#include <map>
#include <string>

#include "app/notices.h"
#include "tests/native/fake_calls.h"
#include "tests/native/scripted_shell.h"
#include "traysweep/shell_probe.h"

namespace {

using fake::Arg;
using fake::Call;

uintptr_t const TRAY = 0x10010;
uintptr_t const NOTIFY = 0x10020;
uintptr_t const PAGER = 0x10030;
uintptr_t const TRAY_TOOLBAR = 0x10040;
uintptr_t const OVERFLOW = 0x10050;
uintptr_t const OVERFLOW_TOOLBAR = 0x10060;

os::WindowHandle W(uintptr_t value) { return reinterpret_cast<os::WindowHandle>(value); }

Call Top(const char* class_name) { return {"FindWindowA", {0}, class_name}; }
Call Child(uintptr_t parent, const char* class_name) {
    return {"FindWindowExA", {parent, 0, 0}, class_name};
}
Call Count(uintptr_t toolbar) { return {"SendMessageA", {toolbar, 0x0418, 0, 0}, ""}; }

// The shell's window tree; a window left out of it does not exist.
struct Tree {
    std::map<std::string, uintptr_t> top;
    std::map<std::pair<uintptr_t, std::string>, uintptr_t> children;
};

Tree FullTree(uintptr_t tray_toolbar = TRAY_TOOLBAR) {
    return {{{"Shell_TrayWnd", TRAY}, {"NotifyIconOverflowWindow", OVERFLOW}},
            {{{TRAY, "TrayNotifyWnd"}, NOTIFY},
             {{NOTIFY, "SysPager"}, PAGER},
             {{PAGER, "ToolbarWindow32"}, tray_toolbar},
             {{OVERFLOW, "ToolbarWindow32"}, OVERFLOW_TOOLBAR}}};
}

void InstallTree(const Tree& tree) {
    fake::State().find_window = [tree](const char* class_name) {
        auto const it = tree.top.find(class_name);
        return W(it == tree.top.end() ? 0 : it->second);
    };
    fake::State().find_window_ex = [tree](os::WindowHandle parent, const char* class_name) {
        auto const it = tree.children.find({reinterpret_cast<uintptr_t>(parent), class_name});
        return W(it == tree.children.end() ? 0 : it->second);
    };
}

std::vector<Call> TrayWalk() {
    return {Top("Shell_TrayWnd"), Child(TRAY, "TrayNotifyWnd"), Child(NOTIFY, "SysPager"),
            Child(PAGER, "ToolbarWindow32")};
}
std::vector<Call> OverflowWalk() {
    return {Top("NotifyIconOverflowWindow"), Child(OVERFLOW, "ToolbarWindow32")};
}
std::vector<Call> Join(std::initializer_list<std::vector<Call>> parts) {
    std::vector<Call> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct DispatchCase {
    const char* name;
    int32_t os_class;
    Tree tree;
    std::vector<Call> expected;  // lookups and sweeps (each sweep starts with its count)
};

TEST_F(FakeOsTest, SweepNotificationAreaVisitsTheToolbarsItsVersionClassHas) {
    Tree no_shell;
    Tree no_overflow = FullTree();
    no_overflow.top.erase("NotifyIconOverflowWindow");
    Tree no_tray = FullTree();
    no_tray.top.erase("Shell_TrayWnd");
    Tree no_pager = FullTree();
    no_pager.children.erase({NOTIFY, "SysPager"});
    Tree overflow_without_toolbar = FullTree();
    overflow_without_toolbar.children.erase({OVERFLOW, "ToolbarWindow32"});

    DispatchCase const cases[] = {
        {"XP: the tray only, the overflow never looked up", 6, FullTree(),
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}})},
        {"XP without a shell", 6, no_shell, {Top("Shell_TrayWnd")}},
        {"2003: tray then overflow", 7, FullTree(),
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}, OverflowWalk(), {Count(OVERFLOW_TOOLBAR)}})},
        {"7: tray then overflow", 9, FullTree(),
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}, OverflowWalk(), {Count(OVERFLOW_TOOLBAR)}})},
        {"highest class", 12, FullTree(),
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}, OverflowWalk(), {Count(OVERFLOW_TOOLBAR)}})},
        {"7 without an overflow window", 9, no_overflow,
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}, {Top("NotifyIconOverflowWindow")}})},
        {"overflow window without a toolbar", 9, overflow_without_toolbar,
         Join({TrayWalk(), {Count(TRAY_TOOLBAR)}, OverflowWalk()})},
        {"overflow looked up even without a tray", 9, no_tray,
         Join({{Top("Shell_TrayWnd")}, OverflowWalk(), {Count(OVERFLOW_TOOLBAR)}})},
        {"tray walk broken in the middle", 10, no_pager,
         Join({{Top("Shell_TrayWnd"), Child(TRAY, "TrayNotifyWnd"), Child(NOTIFY, "SysPager")},
               OverflowWalk(),
               {Count(OVERFLOW_TOOLBAR)}})},
        {"no shell at all", 9, no_shell, {Top("Shell_TrayWnd"), Top("NotifyIconOverflowWindow")}},
        // A handle negative as a signed 32-bit value is not swept.
        {"negative tray toolbar handle", 9, FullTree(0x80000040),
         Join({{Top("Shell_TrayWnd"), Child(TRAY, "TrayNotifyWnd"), Child(NOTIFY, "SysPager"),
                Child(PAGER, "ToolbarWindow32")},
               OverflowWalk(),
               {Count(OVERFLOW_TOOLBAR)}})},
        {"unrecognised version", 0, FullTree(), {}},
        {"2000", 5, FullTree(), {}},
        {"NT 4", 4, FullTree(), {}},
        {"9x", 1, FullTree(), {}},
        {"out of range", 13, FullTree(), {}},
        {"negative", -1, FullTree(), {}},
    };
    for (const DispatchCase& c : cases) {
        fake::Reset();
        InstallTree(c.tree);
        OsClass = c.os_class;
        SweepNotificationArea();
        EXPECT_TRUE(SameCalls(fake::CallsNamed({"FindWindowA", "FindWindowExA", "SendMessageA"}),
                              c.expected))
            << c.name;
    }
}

// The whole exit path on the fake: the probes run first and their answers
// reach the sweep, which deletes a dead button of the reported shell.
TEST_F(FakeOsTest, HostWindowDestroyingProbesThenSweepsWithTheProbedLayout) {
    struct Case {
        const char* name;
        uint32_t major, minor;
        int32_t wow64_flag;
        bool shell_is_64_bit;
        std::vector<int32_t> deleted;
    };
    Case const cases[] = {
        {"7 under WOW64, 64-bit shell", 6, 1, 1, true, {101}},
        {"XP, 32-bit shell", 5, 1, 0, false, {101}},
        // The offset follows the probe: a 64-bit shell read as a 32-bit one
        // yields the reserved bytes, no owner record, and nothing is deleted.
        {"probe says 32-bit, shell is 64-bit", 6, 1, 0, true, {}},
        {"10: nothing touched", 10, 0, 1, true, {}},
    };
    for (const Case& c : cases) {
        fake::Reset();
        ScriptedShell shell;
        shell.toolbar = W(TRAY_TOOLBAR);
        shell.shell_is_64_bit = c.shell_is_64_bit;
        shell.owners = {{0x01000000, {0x000100A2, ReadOutcome::FULL}},
                        {0x01000100, {0x000200B4, ReadOutcome::FULL}}};
        shell.live_windows = {0x000100A2};
        shell.buttons = {{100, 0x01000000, ReadOutcome::FULL},
                         {101, 0x01000100, ReadOutcome::FULL}};
        InstallScriptedShell(shell);
        InstallTree(FullTree());
        fake::State().proc_result = reinterpret_cast<os::ProcAddress>(0x7001234);
        fake::State().wow64_flag = c.wow64_flag;
        fake::State().environment_word = [c](uintptr_t address) {
            return address == 0x7ffdf000 + 0xA4   ? c.major
                   : address == 0x7ffdf000 + 0xA8 ? c.minor
                                                  : 0u;
        };
        HostWindowDestroying();
        EXPECT_EQ(shell.deleted_ids, c.deleted) << c.name;
        std::vector<Call> const calls = fake::Calls();
        ASSERT_GE(calls.size(), 4u) << c.name;
        EXPECT_EQ(calls[0].name, "CurrentEnvironmentBlocks") << c.name;
        EXPECT_EQ(calls[1].name, "GetModuleHandleA") << c.name;
        EXPECT_EQ(calls[3].name, "IsWow64Process") << c.name;
    }
}

}  // namespace
