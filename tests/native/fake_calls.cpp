#include "tests/native/fake_calls.h"

::testing::AssertionResult SameCalls(const std::vector<fake::Call>& actual,
                                     const std::vector<fake::Call>& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "\n  expected:";
    for (const fake::Call& call : expected) failure << "\n    " << fake::Describe(call);
    failure << "\n  actual:";
    for (const fake::Call& call : actual) failure << "\n    " << fake::Describe(call);
    return failure;
}
