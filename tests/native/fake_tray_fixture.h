// A fixture for the tray, menu and painting: both parts of the fake reset,
// and the tray icon the process holds forgotten.
#pragma once

#include <string>
#include <vector>

#include "platform/fake/fake_tray.h"
#include "tests/native/fake_calls.h"

class FakeTrayTest : public FakeOsTest {
protected:
    void SetUp() override;
};

// The recorded calls of one operation, as the fake described them.
std::vector<fake::Call> Named(const char* name);
