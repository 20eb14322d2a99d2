#include "tests/native/fake_tray_fixture.h"

#include "app/tray_icon.h"

void FakeTrayTest::SetUp() {
    FakeOsTest::SetUp();
    fake::ResetTray();
    HeldTrayIcon = nullptr;
}

std::vector<fake::Call> Named(const char* name) { return fake::CallsNamed({name}); }
