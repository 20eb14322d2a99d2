// Comparing what the fake layer recorded with a table of expected calls.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/fake/fake_os.h"

// Fails at the caller's line with both sequences spelled out.
::testing::AssertionResult SameCalls(const std::vector<fake::Call>& actual,
                                     const std::vector<fake::Call>& expected);

// Resets the fake before each test.
class FakeOsTest : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};
