#pragma once
// MD5 as RFC 1321 defines it, for HTTP Digest authentication and gateway response hashes.

#include <cstddef>
#include <cstdint>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class Md5Context {
public:
    Md5Context() { init(); }
    void init();
    void update(const void* bytes, std::size_t count);
    // Pads, appends the bit count and returns the 16 digest bytes.
    const unsigned char* final();

private:
    void transform(const unsigned char block[64]);

    std::uint32_t state_[4];
    // Bits of message seen so far, low word first, carrying into the high word.
    std::uint32_t count_[2];
    unsigned char buffer_[64];
    unsigned char digest_[16];
};

int md5Into(InlineString99& target, const void* bytes, std::size_t count);
int md5InPlace(InlineString99& target);
template <int N>
int md5Hex(const void* bytes, std::size_t count, InlineString<N>& target);
template <int N>
int md5HexPair(const void* a, std::size_t aLength, const void* b, std::size_t bLength, InlineString<N>& target);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
