#include "payment_core/pair_table.h"

#include <cstring>
#include <new>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
InlineString99* makeSlot() {
    void* block = coreAllocate(sizeof(InlineString99));
    return block ? new (block) InlineString99() : nullptr;
}

void freeSlot(InlineString99*& slot) {
    if (!slot) return;
    slot->~InlineString99();
    coreFree(slot);
    slot = nullptr;
}
}  // namespace

int PairTable::add(const char* name, std::size_t nameLength, const char* value, std::size_t valueLength) {
    if (count_ >= kCapacity) return kOutOfMemory;
    const int i = count_;
    if (!names_[i] && !(names_[i] = makeSlot())) return kOutOfMemory;
    if (!values_[i] && !(values_[i] = makeSlot())) return kOutOfMemory;
    int result = names_[i]->assign(nameLength, name);
    if (!result) result = values_[i]->assign(valueLength, value);
    if (result) return result;
    levels_[i] = 0;
    offsets_[i] = 0;
    ++count_;
    return kOk;
}

int PairTable::add(const char* name, const char* value) {
    if (!name) name = "";
    if (!value) value = "";
    return add(name, std::strlen(name), value, std::strlen(value));
}

void PairTable::removeLast() {
    if (count_ == 0) return;
    --count_;
    names_[count_]->reset();
    values_[count_]->reset();
}

void PairTable::clear() {
    while (count_ > 0) removeLast();
}

void PairTable::release() {
    for (int i = 0; i < kCapacity; ++i) {
        freeSlot(names_[i]);
        freeSlot(values_[i]);
    }
    count_ = 0;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
