// Heap use of the hotkey engine, seen through a counting global operator
// new/delete for this test program only.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/native/hotkey_fixture.h"

namespace {
std::atomic<long> g_allocations{0};
std::atomic<long> g_releases{0};
}  // namespace

void* operator new(std::size_t size) {
    ++g_allocations;
    void* const block = std::malloc(size ? size : 1);
    if (!block) std::abort();
    return block;
}
void operator delete(void* block) noexcept {
    if (block) ++g_releases;
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

class AllocationTest : public HotkeyTest {
protected:
    void SetUp() override {
        HotkeyTest::SetUp();
        fake::State().record_key_reads = false;  // the fake's own log would allocate
    }
};

TEST_F(AllocationTest, TicksAllocateNothingWhateverTheRecordsAndKeys) {
    for (int key = 1; key <= 100; ++key)
        RegisterHotkey(CallbackA, key, 2, key % 3 ? 0 : VK_A, 0, true);
    Firings().reserve(1000);  // the test's own recording callback must not allocate either
    const Tick ticks[] = {
        {}, {Down(VK_CONTROL), Down(VK_F8), Down(VK_A)}, {Down(VK_CONTROL), Tapped(VK_F8)}, {}};
    long const before = g_allocations;
    for (int round = 0; round < 50; ++round)
        for (const Tick& tick : ticks) {
            std::fill(fake::State().keys, fake::State().keys + 256, int16_t{0});
            for (const KeyState& key : tick) fake::State().keys[key.code] = key.value;
            PollHotkeys(nullptr, 0, 0, 0);
        }
    EXPECT_EQ(g_allocations - before, 0);
    EXPECT_FALSE(Firings().empty());  // the ticks did fire: the path was walked
}

// The fake's call log holds the SetTimer call; it is emptied and trimmed on
// both sides of the count so that only the engine's blocks are counted.
void DropCallLog() {
    fake::ClearCalls();
    std::vector<fake::Call>().swap(
        fake::State().calls);  // shrink_to_fit is a no-op without exceptions
}

TEST_F(AllocationTest, ReleasingTheTableFreesEveryRecordAndTheTable) {
    ReleaseHotkeyTable();
    DropCallLog();
    long const allocated_before = g_allocations;
    long const released_before = g_releases;
    CreateHotkeyTable();
    for (int key = 1; key <= 37; ++key) RegisterHotkey(CallbackA, key, 2);
    RegisterHotkey(CallbackB, 5, 2);  // a repeat allocates nothing
    ReleaseHotkeyTable();
    DropCallLog();
    long const allocated = g_allocations - allocated_before;
    EXPECT_GE(allocated, 1 + 37);  // the table, the records, the array's growth
    EXPECT_EQ(g_releases - released_before, allocated);
}

}  // namespace
