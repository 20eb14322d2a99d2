#include "traysweep/shell_probe.h"

#include "app/notices.h"
#include "tests/native/fake_calls.h"

namespace {

using fake::Arg;

constexpr uintptr_t THREAD_BLOCK = 0x7ffde000;
constexpr uintptr_t NT_PROCESS_BLOCK = 0x7ffdf000;
constexpr uintptr_t NINE_X_PROCESS_BLOCK = 0x8155a000;  // negative as a signed 32-bit value
constexpr uint32_t NINE_X_MARK = 0x00530000;
// Every word nobody scripted; never a version or the mark.
constexpr uint32_t UNSCRIPTED = 0x0BADF00D;

struct NtCase {
    uint32_t major;
    uint32_t minor;
    int32_t os_class;
};

// The version words sit at 0xA4 and 0xA8 of the 32-bit process block; any
// other read answers something no row expects.
void ScriptNtVersion(uint32_t major, uint32_t minor) {
    fake::State().blocks = {THREAD_BLOCK, NT_PROCESS_BLOCK};
    fake::State().environment_word = [major, minor](uintptr_t address) {
        if (address == NT_PROCESS_BLOCK + 0xA4) return major;
        if (address == NT_PROCESS_BLOCK + 0xA8) return minor;
        if (address == THREAD_BLOCK + 0x58) return NINE_X_MARK;  // ignored on NT
        return UNSCRIPTED;
    };
}

TEST_F(FakeOsTest, ProbeOsClassClassifiesTheReportedNtVersion) {
    NtCase const cases[] = {
        {0, 0, 4}, {3, 51, 4}, {4, 0, 4}, {4, 90, 4}, {5, 0, 5},          {5, 1, 6},  {5, 2, 7},
        {5, 3, 0}, {5, 99, 0}, {6, 0, 8}, {6, 1, 9},  {6, 2, 10},         {6, 3, 11}, {6, 4, 12},
        {6, 5, 0}, {6, 99, 0}, {7, 0, 0}, {10, 0, 0}, {UINT32_MAX, 0, 0},
    };
    for (const NtCase& c : cases) {
        fake::Reset();
        ScriptNtVersion(c.major, c.minor);
        EXPECT_EQ(ProbeOsClass(), c.os_class) << "reported " << c.major << "." << c.minor;
        EXPECT_EQ(ClassifyNtVersion(c.major, c.minor), c.os_class);
    }
}

struct NineXCase {
    bool mark_at_58;
    bool mark_at_54;
    bool mark_at_7c;
    int32_t os_class;
};

TEST_F(FakeOsTest, ProbeOsClassOnNineXLooksForTheMarkInThreadBlockOrder) {
    NineXCase const cases[] = {
        {true, false, false, 1}, {false, true, false, 2}, {false, false, true, 3},
        {true, true, true, 1},   {false, true, true, 2},  {false, false, false, 0},
    };
    for (const NineXCase& c : cases) {
        fake::Reset();
        fake::State().blocks = {THREAD_BLOCK, NINE_X_PROCESS_BLOCK};
        fake::State().environment_word = [c](uintptr_t address) {
            if (address == THREAD_BLOCK + 0x58) return c.mark_at_58 ? NINE_X_MARK : UNSCRIPTED;
            if (address == THREAD_BLOCK + 0x54) return c.mark_at_54 ? NINE_X_MARK : UNSCRIPTED;
            if (address == THREAD_BLOCK + 0x7C) return c.mark_at_7c ? NINE_X_MARK : UNSCRIPTED;
            // A version word that NT would classify: 9x must not read it.
            if (address == NINE_X_PROCESS_BLOCK + 0xA4) return 6u;
            if (address == NINE_X_PROCESS_BLOCK + 0xA8) return 1u;
            return UNSCRIPTED;
        };
        EXPECT_EQ(ProbeOsClass(), c.os_class)
            << "marks at 0x58/0x54/0x7C: " << c.mark_at_58 << c.mark_at_54 << c.mark_at_7c;
    }
}

TEST_F(FakeOsTest, ProbeOsClassTakesTheHighestPositiveBlockAsNt) {
    fake::State().blocks = {THREAD_BLOCK, 0x7ffff000};
    fake::State().environment_word = [](uintptr_t address) {
        return address == 0x7ffff000 + 0xA4 ? 6u : address == 0x7ffff000 + 0xA8 ? 1u : NINE_X_MARK;
    };
    EXPECT_EQ(ProbeOsClass(), 9);
}

struct Wow64Case {
    const char* name;
    bool procedure_exists;
    int32_t flag_returned;
    bool wow64;
    int32_t button_data_offset;
};

TEST_F(FakeOsTest, ProbeWow64AsksIsWow64ProcessOnlyWhereItExistsAndSetsTheDataOffset) {
    os::ProcAddress const procedure = reinterpret_cast<os::ProcAddress>(0x7001234);
    Wow64Case const cases[] = {
        {"32-bit tool on a 64-bit system", true, 1, true, 16},
        {"any non-zero flag", true, 0x100, true, 16},
        {"32-bit system", true, 0, false, 12},
        {"no IsWow64Process", false, 1, false, 12},
    };
    for (const Wow64Case& c : cases) {
        fake::Reset();
        fake::State().proc_result = c.procedure_exists ? procedure : nullptr;
        fake::State().wow64_flag = c.flag_returned;
        EXPECT_EQ(ProbeWow64(), c.wow64) << c.name;
        std::vector<fake::Call> expected = {
            {"GetModuleHandleA", {}, "kernel32"},
            {"GetProcAddress", {0x7000}, "IsWow64Process"},
        };
        // The current-process pseudo handle, and a flag that starts at 0.
        if (c.procedure_exists)
            expected.push_back(
                {"IsWow64Process",
                 {Arg(reinterpret_cast<void*>(procedure)), Arg(os::CURRENT_PROCESS), 0},
                 ""});
        EXPECT_TRUE(SameCalls(fake::Calls(), expected)) << c.name;

        // The exit handler stores both answers before it sweeps (class 0:
        // nothing is swept).
        fake::Reset();
        fake::State().proc_result = c.procedure_exists ? procedure : nullptr;
        fake::State().wow64_flag = c.flag_returned;
        ScriptNtVersion(10, 0);
        OsClass = -1;
        ButtonDataOffset = -1;
        HostWindowDestroying();
        EXPECT_EQ(OsClass, 0) << c.name;
        EXPECT_EQ(ButtonDataOffset, c.button_data_offset) << c.name;
    }
}

}  // namespace
