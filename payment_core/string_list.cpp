#include "payment_core/string_list.h"

#include <cstring>
#include <functional>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

std::size_t StringList::lengthAt(std::size_t offset) const {
    const auto* d = reinterpret_cast<const unsigned char*>(storage_.data()) + offset;
    return (static_cast<std::size_t>(d[0]) << 16) | (static_cast<std::size_t>(d[1]) << 8) | d[2];
}

void StringList::writeHeader(std::size_t offset, std::size_t n) {
    auto* d = reinterpret_cast<unsigned char*>(storage_.data()) + offset;
    d[0] = static_cast<unsigned char>(n >> 16);
    d[1] = static_cast<unsigned char>(n >> 8);
    d[2] = static_cast<unsigned char>(n);
}

std::size_t StringList::offsetOf(int i) const {
    std::size_t offset = 0;
    for (int k = 0; k < i; ++k) offset += lengthAt(offset) + 4;
    return offset;
}

bool StringList::inStorage(const void* p) const {
    const std::less_equal<const void*> le;
    return le(storage_.data(), p) && le(p, storage_.data() + storage_.length());
}

int StringList::add(const void* bytes, std::size_t n) {
    if (n > kMaxItemLength) return kOutOfMemory;
    const std::size_t at = static_cast<std::size_t>(storage_.length());
    const bool own = bytes && inStorage(bytes);
    const std::size_t source = own ? static_cast<std::size_t>(static_cast<const char*>(bytes) - storage_.data()) : 0;
    if (n + 4 > InlineString99::kMaxLength - at) return kOutOfMemory;
    const int result = storage_.assign(at + n + 4, nullptr);
    if (result) return result;
    writeHeader(at, n);
    char* d = storage_.data();
    if (bytes) {
        std::memmove(d + at + 3, own ? d + source : bytes, n);
    } else {
        std::memset(d + at + 3, 0, n);
    }
    d[at + 3 + n] = 0;
    ++count_;
    return kOk;
}

int StringList::add(const char* text) { return text ? add(text, std::strlen(text)) : add("", 0); }

const char* StringList::get(int i) const {
    if (i < 0 || i >= count_) return "";
    return storage_.data() + offsetOf(i) + 3;
}

int StringList::itemLength(int i) const {
    if (i < 0 || i >= count_) return 0;
    return static_cast<int>(lengthAt(offsetOf(i)));
}

int StringList::set(int i, const void* bytes, std::size_t n) {
    if (i < 0 || i >= count_) return kListIndexOutOfRange;
    if (n > kMaxItemLength) return kOutOfMemory;
    // A source inside the list would move under the tail shift; take a copy first.
    InlineString99 copy;
    if (bytes && inStorage(bytes)) {
        const int result = copy.assign(n, bytes);
        if (result) return result;
        bytes = copy.data();
    }
    const std::size_t at = offsetOf(i);
    const std::size_t old = lengthAt(at);
    const std::size_t total = static_cast<std::size_t>(storage_.length());
    const std::size_t tail = at + old + 4;
    const std::size_t tailLength = total - tail;
    if (n > old && n - old > InlineString99::kMaxLength - total) return kOutOfMemory;
    const std::size_t newTotal = total + n - old;
    if (newTotal > total) {
        const int result = storage_.assign(newTotal, nullptr);
        if (result) return result;
    }
    char* d = storage_.data();
    std::memmove(d + at + n + 4, d + tail, tailLength);
    if (newTotal < total) storage_.assign(newTotal, nullptr);
    d = storage_.data();
    writeHeader(at, n);
    if (bytes) {
        std::memcpy(d + at + 3, bytes, n);
    } else {
        std::memset(d + at + 3, 0, n);
    }
    d[at + 3 + n] = 0;
    return kOk;
}

int StringList::set(int i, const char* text) { return text ? set(i, text, std::strlen(text)) : set(i, "", 0); }

int StringList::resize(int n) {
    if (n < 0) n = 0;
    if (n == count_) return kOk;
    if (n < count_) {
        storage_.assign(offsetOf(n), nullptr);
        count_ = n;
        return kOk;
    }
    const std::size_t at = static_cast<std::size_t>(storage_.length());
    const std::size_t added = static_cast<std::size_t>(n - count_) * 4;
    if (added > InlineString99::kMaxLength - at) return kOutOfMemory;
    const int result = storage_.assign(at + added, nullptr);
    if (result) return result;
    std::memset(storage_.data() + at, 0, added);
    count_ = n;
    return kOk;
}

int StringList::removeLast() {
    if (count_ == 0) return kListEmpty;
    return resize(count_ - 1);
}

int StringList::indexOf(const char* name, int start) const {
    if (!name) name = "";
    if (start < 0) start = 0;
    std::size_t offset = offsetOf(start < count_ ? start : count_);
    for (int i = start; i < count_; ++i) {
        if (std::strcmp(storage_.data() + offset + 3, name) == 0) return i;
        offset += lengthAt(offset) + 4;
    }
    return -1;
}

#if PAYMENT_CORE_CHECKOUT
int StringList::itemAsInt(int i) const { return parseInt(get(i)); }

int StringList::setItemInt(int i, int value) {
    InlineString99 text;
    const int result = text.appendInt(value);
    return result ? result : set(i, text.data(), static_cast<std::size_t>(text.length()));
}
#endif

void StringList::reset() {
    storage_.reset();
    count_ = 0;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
