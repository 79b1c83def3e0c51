#include "payment_core/md5.h"

#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int kShift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

std::uint32_t rotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void encode(unsigned char* out, const std::uint32_t* words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        for (int b = 0; b < 4; ++b) out[i * 4 + static_cast<std::size_t>(b)] = static_cast<unsigned char>(words[i] >> (8 * b));
    }
}

void decode(std::uint32_t* words, const unsigned char* in, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        words[i] = static_cast<std::uint32_t>(in[i * 4]) | (static_cast<std::uint32_t>(in[i * 4 + 1]) << 8) |
                   (static_cast<std::uint32_t>(in[i * 4 + 2]) << 16) | (static_cast<std::uint32_t>(in[i * 4 + 3]) << 24);
    }
}
}  // namespace

void Md5Context::init() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    count_[0] = count_[1] = 0;
    std::memset(buffer_, 0, sizeof buffer_);
    std::memset(digest_, 0, sizeof digest_);
}

void Md5Context::transform(const unsigned char block[64]) {
    std::uint32_t x[16];
    decode(x, block, 16);
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = b + rotateLeft(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5Context::update(const void* bytes, std::size_t count) {
    if (count == 0) return;
    const auto* input = static_cast<const unsigned char*>(bytes);
    std::size_t index = (count_[0] >> 3) & 0x3F;
    const std::uint64_t bits = ((static_cast<std::uint64_t>(count_[1]) << 32) | count_[0]) +
                               (static_cast<std::uint64_t>(count) << 3);
    count_[0] = static_cast<std::uint32_t>(bits);
    count_[1] = static_cast<std::uint32_t>(bits >> 32);
    const std::size_t room = 64 - index;
    std::size_t i = 0;
    if (count >= room) {
        std::memcpy(buffer_ + index, input, room);
        transform(buffer_);
        for (i = room; i + 63 < count; i += 64) transform(input + i);
        index = 0;
    }
    if (count > i) std::memcpy(buffer_ + index, input + i, count - i);
}

const unsigned char* Md5Context::final() {
    unsigned char bits[8];
    encode(bits, count_, 2);
    const std::size_t index = (count_[0] >> 3) & 0x3F;
    const std::size_t padding = index < 56 ? 56 - index : 120 - index;
    static constexpr unsigned char kPadding[64] = {0x80};
    update(kPadding, padding);
    update(bits, 8);
    encode(digest_, state_, 4);
    return digest_;
}

int md5Into(InlineString99& target, const void* bytes, std::size_t count) {
    Md5Context context;
    context.update(bytes, count);
    return target.assign(16, context.final());
}

int md5InPlace(InlineString99& target) {
    return md5Into(target, target.data(), static_cast<std::size_t>(target.length()));
}

template <int N>
int md5Hex(const void* bytes, std::size_t count, InlineString<N>& target) {
    Md5Context context;
    context.update(bytes, count);
    return hexEncode(target, context.final(), 16);
}

template <int N>
int md5HexPair(const void* a, std::size_t aLength, const void* b, std::size_t bLength, InlineString<N>& target) {
    Md5Context context;
    context.update(a, aLength);
    context.update(":", 1);
    context.update(b, bLength);
    return hexEncode(target, context.final(), 16);
}

template int md5Hex<99>(const void*, std::size_t, InlineString<99>&);
template int md5Hex<20>(const void*, std::size_t, InlineString<20>&);
template int md5HexPair<99>(const void*, std::size_t, const void*, std::size_t, InlineString<99>&);
template int md5HexPair<20>(const void*, std::size_t, const void*, std::size_t, InlineString<20>&);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
