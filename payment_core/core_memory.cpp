#include "payment_core/core_memory.h"

#include <atomic>
#include <cstdlib>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
std::atomic<long> allowance{-1};

bool allocationAllowed() {
    long current = allowance.load(std::memory_order_relaxed);
    while (current >= 0) {
        if (current == 0) return false;
        if (allowance.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) return true;
    }
    return true;
}
}  // namespace

void* coreAllocate(std::size_t size) {
    if (!allocationAllowed()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* coreReallocate(void* block, std::size_t size) {
    if (!allocationAllowed()) return nullptr;
    return std::realloc(block, size == 0 ? 1 : size);
}

void coreFree(void* block) { std::free(block); }

void failAllocationsAfter(long count) { allowance.store(count < 0 ? -1 : count, std::memory_order_relaxed); }

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
