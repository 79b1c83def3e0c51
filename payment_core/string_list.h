#pragma once
// An ordered list of byte strings packed into one buffer: each item is a 3-byte
// big-endian length, the bytes and a NUL, with no gap between items.

#include <cstddef>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class StringList {
public:
    // The largest item the 3-byte length can describe.
    static constexpr std::size_t kMaxItemLength = 0xFFFFFF;

    int add(const void* bytes, std::size_t n);
    int add(const char* text);
    // Past the end: an empty text and length 0.
    const char* get(int i) const;
    int itemLength(int i) const;
    int set(int i, const void* bytes, std::size_t n);
    int set(int i, const char* text);
    int resize(int n);
    int removeLast();
    int indexOf(const char* name, int start = 0) const;
#if PAYMENT_CORE_CHECKOUT
    int itemAsInt(int i) const;
    int setItemInt(int i, int value);
#endif
    void reset();

    int count() const { return count_; }
    const InlineString99& storage() const { return storage_; }

private:
    std::size_t offsetOf(int i) const;
    std::size_t lengthAt(std::size_t offset) const;
    void writeHeader(std::size_t offset, std::size_t n);
    bool inStorage(const void* p) const;

    int count_ = 0;
    InlineString99 storage_;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
