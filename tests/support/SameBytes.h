#pragma once
// Compares file contents without printing megabytes when they differ.

#include <gtest/gtest.h>

#include <string>

namespace varnix::test {

inline ::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << actual.size() << " bytes instead of " << expected.size()
                                         << ", first difference at " << at;
}

} // namespace varnix::test
