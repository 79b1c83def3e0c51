#include "payment_core/pointer_list.h"

#include <cstring>
#include <new>

#include "win32/files.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

MimePart* PointerList::createPart() {
    void* block = coreAllocate(sizeof(MimePart));
    return block ? new (block) MimePart() : nullptr;
}

void PointerList::destroyPart(MimePart* part) {
    if (!part) return;
    if (part->ownsDataFile) DeleteFileA(part->dataFile.data());
    part->~MimePart();
    coreFree(part);
}

MimePart* PointerList::get(int i) const { return i < 0 || i >= count_ ? nullptr : slot(i); }

MimePart* PointerList::slot(int i) const {
    MimePart* part;
    std::memcpy(&part, storage_.data() + static_cast<std::size_t>(i) * sizeof part, sizeof part);
    return part;
}

void PointerList::store(int i, MimePart* part) {
    std::memcpy(storage_.data() + static_cast<std::size_t>(i) * sizeof part, &part, sizeof part);
}

void PointerList::init() {
    storage_.reset();
    count_ = 0;
}

void PointerList::clear() {
    for (int i = 0; i < count_; ++i) destroyPart(slot(i));
    storage_.reset();
    count_ = 0;
}

int PointerList::resize(int n) {
    if (n < 0) n = 0;
    if (n < count_) {
        for (int i = n; i < count_; ++i) destroyPart(slot(i));
        storage_.assign(static_cast<std::size_t>(n) * sizeof(MimePart*), nullptr);
        count_ = n;
        return kOk;
    }
    if (n == count_) return kOk;
    if (static_cast<std::size_t>(n) > InlineString99::kMaxLength / sizeof(MimePart*)) return kOutOfMemory;
    const int old = count_;
    int result = storage_.assign(static_cast<std::size_t>(n) * sizeof(MimePart*), nullptr);
    if (result) return result;
    for (int i = old; i < n; ++i) {
        MimePart* part = createPart();
        if (!part) {
            for (int k = old; k < i; ++k) destroyPart(slot(k));
            storage_.assign(static_cast<std::size_t>(old) * sizeof(MimePart*), nullptr);
            return kOutOfMemory;
        }
        store(i, part);
    }
    count_ = n;
    return kOk;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
