#include "payment_core/md5.h"

#include <bit>
#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
void encode(unsigned char* out, const std::uint32_t* words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        for (int b = 0; b < 4; ++b) out[i * 4 + static_cast<std::size_t>(b)] = static_cast<unsigned char>(words[i] >> (8 * b));
    }
}

void decode(std::uint32_t* words, const unsigned char* in, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(words, in, count * 4);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            words[i] = static_cast<std::uint32_t>(in[i * 4]) | (static_cast<std::uint32_t>(in[i * 4 + 1]) << 8) |
                       (static_cast<std::uint32_t>(in[i * 4 + 2]) << 16) |
                       (static_cast<std::uint32_t>(in[i * 4 + 3]) << 24);
        }
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

// The four rounds written out step by step as RFC 1321 lists them. The message word and the
// constant are added before the round function, which waits on the previous step; G is added
// as its two disjoint halves so that one of them does not wait either.
#define MD5_STEP(f, a, b, c, d, x, s, t) \
    a += (x) + (t);                    \
    a += f(b, c, d);                   \
    a = std::rotl(a, s) + (b)
#define MD5_STEP_G(a, b, c, d, x, s, t) \
    a += (x) + (t) + (c & ~d);           \
    a += (b & d);                        \
    a = std::rotl(a, s) + (b)
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

void Md5Context::transform(const unsigned char block[64]) {
    std::uint32_t x[16];
    decode(x, block, 16);
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

    MD5_STEP(MD5_F, a, b, c, d, x[0], 7, 0xd76aa478);
    MD5_STEP(MD5_F, d, a, b, c, x[1], 12, 0xe8c7b756);
    MD5_STEP(MD5_F, c, d, a, b, x[2], 17, 0x242070db);
    MD5_STEP(MD5_F, b, c, d, a, x[3], 22, 0xc1bdceee);
    MD5_STEP(MD5_F, a, b, c, d, x[4], 7, 0xf57c0faf);
    MD5_STEP(MD5_F, d, a, b, c, x[5], 12, 0x4787c62a);
    MD5_STEP(MD5_F, c, d, a, b, x[6], 17, 0xa8304613);
    MD5_STEP(MD5_F, b, c, d, a, x[7], 22, 0xfd469501);
    MD5_STEP(MD5_F, a, b, c, d, x[8], 7, 0x698098d8);
    MD5_STEP(MD5_F, d, a, b, c, x[9], 12, 0x8b44f7af);
    MD5_STEP(MD5_F, c, d, a, b, x[10], 17, 0xffff5bb1);
    MD5_STEP(MD5_F, b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_STEP(MD5_F, a, b, c, d, x[12], 7, 0x6b901122);
    MD5_STEP(MD5_F, d, a, b, c, x[13], 12, 0xfd987193);
    MD5_STEP(MD5_F, c, d, a, b, x[14], 17, 0xa679438e);
    MD5_STEP(MD5_F, b, c, d, a, x[15], 22, 0x49b40821);

    MD5_STEP_G(a, b, c, d, x[1], 5, 0xf61e2562);
    MD5_STEP_G(d, a, b, c, x[6], 9, 0xc040b340);
    MD5_STEP_G(c, d, a, b, x[11], 14, 0x265e5a51);
    MD5_STEP_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    MD5_STEP_G(a, b, c, d, x[5], 5, 0xd62f105d);
    MD5_STEP_G(d, a, b, c, x[10], 9, 0x02441453);
    MD5_STEP_G(c, d, a, b, x[15], 14, 0xd8a1e681);
    MD5_STEP_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    MD5_STEP_G(a, b, c, d, x[9], 5, 0x21e1cde6);
    MD5_STEP_G(d, a, b, c, x[14], 9, 0xc33707d6);
    MD5_STEP_G(c, d, a, b, x[3], 14, 0xf4d50d87);
    MD5_STEP_G(b, c, d, a, x[8], 20, 0x455a14ed);
    MD5_STEP_G(a, b, c, d, x[13], 5, 0xa9e3e905);
    MD5_STEP_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
    MD5_STEP_G(c, d, a, b, x[7], 14, 0x676f02d9);
    MD5_STEP_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    MD5_STEP(MD5_H, a, b, c, d, x[5], 4, 0xfffa3942);
    MD5_STEP(MD5_H, d, a, b, c, x[8], 11, 0x8771f681);
    MD5_STEP(MD5_H, c, d, a, b, x[11], 16, 0x6d9d6122);
    MD5_STEP(MD5_H, b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_STEP(MD5_H, a, b, c, d, x[1], 4, 0xa4beea44);
    MD5_STEP(MD5_H, d, a, b, c, x[4], 11, 0x4bdecfa9);
    MD5_STEP(MD5_H, c, d, a, b, x[7], 16, 0xf6bb4b60);
    MD5_STEP(MD5_H, b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_STEP(MD5_H, a, b, c, d, x[13], 4, 0x289b7ec6);
    MD5_STEP(MD5_H, d, a, b, c, x[0], 11, 0xeaa127fa);
    MD5_STEP(MD5_H, c, d, a, b, x[3], 16, 0xd4ef3085);
    MD5_STEP(MD5_H, b, c, d, a, x[6], 23, 0x04881d05);
    MD5_STEP(MD5_H, a, b, c, d, x[9], 4, 0xd9d4d039);
    MD5_STEP(MD5_H, d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_STEP(MD5_H, c, d, a, b, x[15], 16, 0x1fa27cf8);
    MD5_STEP(MD5_H, b, c, d, a, x[2], 23, 0xc4ac5665);

    MD5_STEP(MD5_I, a, b, c, d, x[0], 6, 0xf4292244);
    MD5_STEP(MD5_I, d, a, b, c, x[7], 10, 0x432aff97);
    MD5_STEP(MD5_I, c, d, a, b, x[14], 15, 0xab9423a7);
    MD5_STEP(MD5_I, b, c, d, a, x[5], 21, 0xfc93a039);
    MD5_STEP(MD5_I, a, b, c, d, x[12], 6, 0x655b59c3);
    MD5_STEP(MD5_I, d, a, b, c, x[3], 10, 0x8f0ccc92);
    MD5_STEP(MD5_I, c, d, a, b, x[10], 15, 0xffeff47d);
    MD5_STEP(MD5_I, b, c, d, a, x[1], 21, 0x85845dd1);
    MD5_STEP(MD5_I, a, b, c, d, x[8], 6, 0x6fa87e4f);
    MD5_STEP(MD5_I, d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_STEP(MD5_I, c, d, a, b, x[6], 15, 0xa3014314);
    MD5_STEP(MD5_I, b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_STEP(MD5_I, a, b, c, d, x[4], 6, 0xf7537e82);
    MD5_STEP(MD5_I, d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_STEP(MD5_I, c, d, a, b, x[2], 15, 0x2ad7d2bb);
    MD5_STEP(MD5_I, b, c, d, a, x[9], 21, 0xeb86d391);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_STEP_G
#undef MD5_H
#undef MD5_I

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
