#pragma once
// The core's 8-bit string: up to N bytes live inline, longer content moves to one
// heap block that grows by half again each time. Content may hold NUL bytes and is
// always followed by a NUL. Every operation that can grow reports 200 on failure and
// leaves the previous content intact.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

#include "payment_core/core_build.h"
#include "payment_core/core_memory.h"
#include "payment_core/result_codes.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

template <int N>
class InlineString {
    static_assert(N > 0, "an inline string holds at least one byte inline");

public:
    // Lengths stay representable as int, and capacity + 1 as a block size.
    static constexpr std::size_t kMaxLength = static_cast<std::size_t>(INT_MAX) - 1;

    InlineString() noexcept { clearInline(); }
    ~InlineString() { coreFree(heap_); }

    InlineString(const InlineString&) = delete;
    InlineString& operator=(const InlineString&) = delete;

    InlineString(InlineString&& other) noexcept { takeFrom(other); }
    InlineString& operator=(InlineString&& other) noexcept {
        if (this != &other) {
            coreFree(heap_);
            takeFrom(other);
        }
        return *this;
    }

    void reset() noexcept {
        if (heap_) {
            coreFree(heap_);
            heap_ = nullptr;
        }
        clearInline();
        length_ = 0;
        capacity_ = N;
    }

    // A null source only resizes, keeping the bytes that were there.
    int assign(std::size_t len, const void* src) {
        if (len > kMaxLength) return kOutOfMemory;
        const int n = static_cast<int>(len);
        if (n <= N) {
            if (heap_) {
                std::memmove(inline_, src ? src : heap_, len);
                coreFree(heap_);
                heap_ = nullptr;
                capacity_ = N;
            } else if (src) {
                std::memmove(inline_, src, len);
            }
            inline_[n] = 0;
            length_ = n;
            return kOk;
        }
        if (!heap_ || n > capacity_) {
            const std::size_t grown = len + len / 2;
            const std::size_t capacity = grown > kMaxLength ? kMaxLength : grown;
            char* block;
            if (src) {
                // The old block stays alive until the copy is done: src may point into it.
                block = static_cast<char*>(coreAllocate(capacity + 1));
                if (!block) return kOutOfMemory;
                std::memcpy(block, src, len);
                coreFree(heap_);
            } else if (heap_) {
                block = static_cast<char*>(coreReallocate(heap_, capacity + 1));
                if (!block) return kOutOfMemory;
            } else {
                block = static_cast<char*>(coreAllocate(capacity + 1));
                if (!block) return kOutOfMemory;
                std::memcpy(block, inline_, static_cast<std::size_t>(length_));
            }
            heap_ = block;
            capacity_ = static_cast<int>(capacity);
        } else if (src) {
            std::memmove(heap_, src, len);
        }
        heap_[n] = 0;
        length_ = n;
        return kOk;
    }

    int assignCString(const char* text) { return text ? assign(std::strlen(text), text) : assign(0, nullptr); }

    int append(const void* src, std::size_t n) {
        if (!src || n == 0) return kOk;
        const std::size_t old = static_cast<std::size_t>(length_);
        // With room in the buffer in use, the bytes go straight behind the content.
        const std::size_t room = static_cast<std::size_t>(heap_ ? capacity_ : N) - old;
        if (n <= room && !contains(src)) {
            char* d = data();
            std::memcpy(d + old, src, n);
            d[old + n] = 0;
            length_ = static_cast<int>(old + n);
            return kOk;
        }
        if (n > kMaxLength - old) return kOutOfMemory;
        // Growing may move the block, so a source inside our own content is re-found by offset.
        const bool own = contains(src);
        const std::size_t offset = own ? static_cast<std::size_t>(static_cast<const char*>(src) - data()) : 0;
        const int result = assign(old + n, nullptr);
        if (result) return result;
        std::memmove(data() + old, own ? data() + offset : src, n);
        return kOk;
    }

    int appendChar(char c) { return append(&c, 1); }
    int appendCString(const char* text) { return text ? append(text, std::strlen(text)) : kOk; }

    int appendInt(int value) {
        char buffer[16];
        const int n = std::snprintf(buffer, sizeof buffer, "%d", value);
        return append(buffer, static_cast<std::size_t>(n));
    }

    int appendHex0x(unsigned value) {
        char buffer[16];
        const int n = std::snprintf(buffer, sizeof buffer, "0x%x", value);
        return append(buffer, static_cast<std::size_t>(n));
    }

#if PAYMENT_CORE_CHECKOUT
    int appendUnsigned(unsigned value) {
        char buffer[16];
        const int n = std::snprintf(buffer, sizeof buffer, "%u", value);
        return append(buffer, static_cast<std::size_t>(n));
    }
#endif

    int appendQuoted(const char* text) {
        if (!text) return kOk;
        int result = appendChar('"');
        if (!result) result = appendCString(text);
        if (!result) result = appendChar('"');
        return result;
    }

    char* data() noexcept { return heap_ ? heap_ : inline_; }
    const char* data() const noexcept { return heap_ ? heap_ : inline_; }
    int length() const noexcept { return length_; }
    int capacity() const noexcept { return capacity_; }
    bool empty() const noexcept { return length_ == 0; }
    bool isInline() const noexcept { return heap_ == nullptr; }

    int removePrefix(int n) {
        if (n <= 0) return kOk;
        const int drop = n < length_ ? n : length_;
        std::memmove(data(), data() + drop, static_cast<std::size_t>(length_ - drop));
        return assign(static_cast<std::size_t>(length_ - drop), nullptr);
    }

    int removeLast() {
        if (length_ > 0) assign(static_cast<std::size_t>(length_ - 1), nullptr);
        return kOk;
    }

    int trim(char byte) {
        const char* d = data();
        int begin = 0;
        int end = length_;
        while (begin < end && d[begin] == byte) ++begin;
        while (end > begin && d[end - 1] == byte) --end;
        if (begin == 0 && end == length_) return kOk;
        std::memmove(data(), data() + begin, static_cast<std::size_t>(end - begin));
        return assign(static_cast<std::size_t>(end - begin), nullptr);
    }

    // n = -1 compares as zero-terminated texts; otherwise length and bytes must match.
    bool equals(const char* text, int n = -1) const {
        if (!text) text = "";
        if (n == -1) return std::strcmp(data(), text) == 0;
        return n == length_ && std::memcmp(data(), text, static_cast<std::size_t>(n)) == 0;
    }

    int indexOf(char byte, int start = 0) const {
        if (start < 0) start = 0;
        if (start >= length_) return -1;
        const void* hit = std::memchr(data() + start, static_cast<unsigned char>(byte), static_cast<std::size_t>(length_ - start));
        return hit ? static_cast<int>(static_cast<const char*>(hit) - data()) : -1;
    }

    int find(const char* text, int start = 0) const {
        if (start < 0) start = 0;
        if (start > length_) return -1;
        if (!text || !*text) return 0;
        const int n = static_cast<int>(std::strlen(text));
        const char* d = data();
        for (int i = start; i + n <= length_; ++i) {
            if (d[i] == text[0] && std::memcmp(d + i, text, static_cast<std::size_t>(n)) == 0) return i;
        }
        return -1;
    }

    int lastIndexOf(char byte, int pos) const {
        if (length_ == 0) return -1;
        for (int i = pos < length_ - 1 ? pos : length_ - 1; i >= 0; --i) {
            if (data()[i] == byte) return i;
        }
        return -1;
    }

    int lastIndexOf(const char* text, int pos) const {
        if (!text || !*text) return 0;
        const int n = static_cast<int>(std::strlen(text));
        int i = pos < length_ - 1 ? pos : length_ - 1;
        if (i > length_ - n) i = length_ - n;
        for (; i >= 0; --i) {
            if (std::memcmp(data() + i, text, static_cast<std::size_t>(n)) == 0) return i;
        }
        return -1;
    }

    bool startsWith(const char* text) const {
        if (!text) return true;
        const std::size_t n = std::strlen(text);
        return n <= static_cast<std::size_t>(length_) && std::memcmp(data(), text, n) == 0;
    }

private:
    void clearInline() noexcept {
        inline_[0] = 0;
        inline_[N] = 0;
    }

    void takeFrom(InlineString& other) noexcept {
        heap_ = other.heap_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        if (heap_) {
            clearInline();
        } else {
            std::memcpy(inline_, other.inline_, sizeof inline_);
        }
        other.heap_ = nullptr;
        other.clearInline();
        other.length_ = 0;
        other.capacity_ = N;
    }

    bool contains(const void* p) const noexcept {
        const std::less_equal<const void*> le;
        return le(data(), p) && le(p, data() + length_);
    }

    char inline_[N + 1];
    char* heap_ = nullptr;
    int length_ = 0;
    int capacity_ = N;
};

using InlineString99 = InlineString<99>;
using InlineString20 = InlineString<20>;
using InlineString30 = InlineString<30>;
using InlineString50 = InlineString<50>;

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
