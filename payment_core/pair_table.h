#pragma once
// A fixed number of name/value pairs, each string made on first use; the XML parser
// keeps its attributes, open elements and prefix declarations in these.

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class PairTable {
public:
    static constexpr int kCapacity = kCheckoutBuild ? 256 : 128;

    PairTable() = default;
    ~PairTable() { release(); }
    PairTable(const PairTable&) = delete;
    PairTable& operator=(const PairTable&) = delete;

    // 200 when the table is full or a slot cannot be made.
    int add(const char* name, std::size_t nameLength, const char* value, std::size_t valueLength);
    int add(const char* name, const char* value);
    void removeLast();
    // Empties the table and keeps the slots for reuse.
    void clear();
    // Empties the table and frees every slot.
    void release();

    int count() const { return count_; }
    InlineString99& name(int i) { return *names_[i]; }
    const InlineString99& name(int i) const { return *names_[i]; }
    InlineString99& value(int i) { return *values_[i]; }
    const InlineString99& value(int i) const { return *values_[i]; }
    // Two numbers carried with each pair (the declaring depth and record of a prefix, say).
    int& level(int i) { return levels_[i]; }
    int level(int i) const { return levels_[i]; }
    int& offset(int i) { return offsets_[i]; }
    int offset(int i) const { return offsets_[i]; }

private:
    int count_ = 0;
    InlineString99* names_[kCapacity] = {};
    InlineString99* values_[kCapacity] = {};
    int levels_[kCapacity] = {};
    int offsets_[kCapacity] = {};
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
