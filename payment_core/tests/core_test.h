#pragma once
// The same tests run against both builds of the core; the suite names carry the
// build so that both binaries can be listed side by side.

#include <gtest/gtest.h>

#include <string>

#include "payment_core/core_memory.h"
#include "payment_core/inline_string.h"

#define CORE_SUITE_JOIN2(prefix, suite) prefix##suite
#define CORE_SUITE_JOIN(prefix, suite) CORE_SUITE_JOIN2(prefix, suite)
#define CORE_SUITE(suite) CORE_SUITE_JOIN(CORE_TEST_PREFIX, suite)
#define CORE_TEST(suite, name) TEST(CORE_SUITE(suite), name)

// Lets every allocation through again when a test that starved the core ends.
struct AllocationLimit {
    explicit AllocationLimit(long count) { payment_core::failAllocationsAfter(count); }
    ~AllocationLimit() { payment_core::failAllocationsAfter(-1); }
};

// An inline string's bytes, embedded zeros included.
template <int N>
std::string str(const payment_core::InlineString<N>& s) {
    return std::string(s.data(), static_cast<std::size_t>(s.length()));
}
