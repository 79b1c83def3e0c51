#pragma once
// Every heap block of the core goes through these calls, so that tests can make
// allocations fail and check that each caller reports 200 and stays consistent.

#include <cstddef>

#include "payment_core/core_build.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

void* coreAllocate(std::size_t size);
void* coreReallocate(void* block, std::size_t size);
void coreFree(void* block);

// Test seam: the next `count` allocations succeed and every later one fails;
// a negative count lets every allocation through again.
void failAllocationsAfter(long count);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
