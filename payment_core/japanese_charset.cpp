#include "payment_core/japanese_charset.h"

#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
// Full-width JIS X 0208 forms of the half-width katakana 0xA1-0xDF.
constexpr unsigned short kHalfWidthKana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565,
    0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F, 0x2531, 0x2533,
    0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C,
    0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564,
    0x2566, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,
};

constexpr char kEnterTwoByte[] = "\x1b$B";
constexpr char kEnterAscii[] = "\x1b(B";
constexpr char kWordStart[] = "=?ISO-2022-JP?B?";

bool isHalfWidthKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// The kana merged with a following voiced (0xDE) or semi-voiced (0xDF) mark, or 0.
unsigned short mergedKana(unsigned char kana, unsigned char mark) {
    const unsigned short base = kHalfWidthKana[kana - 0xA1];
    if (mark == 0xDE) {
        if (kana == 0xB3) return 0x2574;
        if ((kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE)) return static_cast<unsigned short>(base + 1);
    } else if (mark == 0xDF) {
        if (kana >= 0xCA && kana <= 0xCE) return static_cast<unsigned short>(base + 2);
    }
    return 0;
}

void toJis(unsigned char s1, unsigned char s2, unsigned char& j1, unsigned char& j2) {
    const int row = s1 <= 0x9F ? s1 - 0x70 : s1 - 0xB0;
    if (s2 < 0x9F) {
        j1 = static_cast<unsigned char>(row * 2 - 1);
        j2 = static_cast<unsigned char>(s2 - (s2 > 0x7F ? 0x20 : 0x1F));
    } else {
        j1 = static_cast<unsigned char>(row * 2);
        j2 = static_cast<unsigned char>(s2 - 0x7E);
    }
}

void toSjis(unsigned char j1, unsigned char j2, unsigned char& s1, unsigned char& s2) {
    s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    if (j1 & 1) {
        s2 = static_cast<unsigned char>(j2 + 0x1F + (j2 + 0x1F >= 0x7F ? 1 : 0));
    } else {
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    }
}

// Length of the Shift_JIS character at p (1 or 2), never running past the end.
std::size_t characterLength(const unsigned char* p, std::size_t left) {
    return isShiftJisLeadByte(p[0]) && left > 1 ? 2 : 1;
}

int appendWord(InlineString99& target, const char* bytes, std::size_t n) {
    InlineString99 jis;
    int result = sjisToJis(jis, bytes, n);
    if (!result) result = target.appendCString(kWordStart);
    if (!result) result = base64Encode(target, jis.data(), static_cast<std::size_t>(jis.length()), false);
    if (!result) result = target.append("?=", 2);
    return result;
}

// Decodes the encoded word at text; its end is returned through end, or false when
// the text holds no complete word there.
bool decodeWord(const char* text, InlineString99& jis, const char*& end, int& result) {
    static constexpr char kCharset[] = "=?ISO-2022-JP?";
    const std::size_t charsetLength = sizeof kCharset - 1;
    if (compareTextPrefixNoCase(text, kCharset, charsetLength) != 0) return false;
    const char* p = text + charsetLength;
    const char kind = foldCase(p[0]);
    if ((kind != 'b' && kind != 'q') || p[1] != '?') return false;
    const char* data = p + 2;
    const char* close = std::strstr(data, "?=");
    if (!close) return false;
    const std::size_t n = static_cast<std::size_t>(close - data);
    end = close + 2;
    if (kind == 'b') {
        result = jis.assign(n, data);
        if (!result) result = base64Decode(jis);
        return true;
    }
    result = kOk;
    for (std::size_t i = 0; i < n && !result; ++i) {
        const char c = data[i];
        if (c == '_') {
            result = jis.appendChar(' ');
        } else if (c == '=' && i + 2 < n && hexValue(data[i + 1], data[i + 2]) >= 0) {
            result = jis.appendChar(static_cast<char>(hexValue(data[i + 1], data[i + 2])));
            i += 2;
        } else {
            result = jis.appendChar(c);
        }
    }
    return true;
}
}  // namespace

bool isShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }

int sjisToJis(InlineString99& target, const char* text) { return sjisToJis(target, text, text ? std::strlen(text) : 0); }

int sjisToJis(InlineString99& target, const char* bytes, std::size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    bool twoByte = false;
    int result = kOk;
    auto enter = [&](bool wantTwoByte) {
        if (twoByte != wantTwoByte && !result) {
            result = target.append(wantTwoByte ? kEnterTwoByte : kEnterAscii, 3);
            twoByte = wantTwoByte;
        }
    };
    std::size_t i = 0;
    while (i < n && !result) {
        const unsigned char c = p[i];
        if (isShiftJisLeadByte(c) && i + 1 < n && p[i + 1] >= 0x40 && p[i + 1] <= 0xFC) {
            unsigned char pair[2];
            toJis(c, p[i + 1], pair[0], pair[1]);
            enter(true);
            if (!result) result = target.append(pair, 2);
            i += 2;
        } else if (isHalfWidthKana(c)) {
            unsigned short code = 0;
            if (i + 1 < n) code = mergedKana(c, p[i + 1]);
            if (code) {
                ++i;
            } else {
                code = kHalfWidthKana[c - 0xA1];
            }
            const unsigned char pair[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
            enter(true);
            if (!result) result = target.append(pair, 2);
            ++i;
        } else {
            enter(false);
            if (!result) result = target.appendChar(static_cast<char>(c));
            ++i;
        }
    }
    enter(false);
    return result;
}

int jisToSjis(InlineString99& target, const char* text) { return jisToSjis(target, text, text ? std::strlen(text) : 0); }

int jisToSjis(InlineString99& target, const char* bytes, std::size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    bool twoByte = false;
    int result = kOk;
    std::size_t i = 0;
    while (i < n && !result) {
        const unsigned char c = p[i];
        if (c == 0x1B) {
            if (i + 1 >= n) break;
            const unsigned char kind = p[i + 1];
            twoByte = kind == '$' || kind == 'K';
            i += kind == '$' || kind == '(' ? 3 : 2;
        } else if (c == '\r' || c == '\n') {
            twoByte = false;
            result = target.appendChar(static_cast<char>(c));
            ++i;
        } else if (twoByte) {
            if (i + 1 >= n) break;
            unsigned char pair[2];
            toSjis(c, p[i + 1], pair[0], pair[1]);
            result = target.append(pair, 2);
            i += 2;
        } else {
            result = target.appendChar(static_cast<char>(c));
            ++i;
        }
    }
    return result;
}

int encodeJisWord(InlineString99& target, const char* text) {
    return encodeJisWord(target, text, text ? std::strlen(text) : 0);
}

int encodeJisWord(InlineString99& target, const char* bytes, std::size_t n) { return appendWord(target, bytes, n); }

int appendHeaderParameter(InlineString99& target, const char* name, const char* value, std::size_t length, int mode) {
    if (!name) name = "";
    if (!value) {
        value = "";
        length = 0;
    }
    int result;
    if (mode != 1 || !hasEightBitBytes(value, length)) {
        result = target.appendChar(' ');
        if (!result) result = target.appendCString(name);
        if (!result) result = target.appendChar('=');
        if (!result) result = target.appendChar('"');
        if (!result) result = target.append(value, length);
        if (!result) result = target.appendChar('"');
        return result;
    }
    result = target.append("\r\n\t", 3);
    if (!result) result = target.appendCString(name);
    if (!result) result = target.append("=\"", 2);
    const auto* p = reinterpret_cast<const unsigned char*>(value);
    std::size_t start = 0;
    std::size_t i = 0;
    bool first = true;
    while (i < length && !result) {
        i += characterLength(p + i, length - i);
        if (i - start > (first ? 35u : 50u) || i >= length) {
            if (!first) result = target.append("\r\n\t", 3);
            if (!result) result = appendWord(target, value + start, i - start);
            start = i;
            first = false;
        }
    }
    if (!result) result = target.appendChar('"');
    return result;
}

int decodeHeaderText(InlineString99& target, const char* text) {
    if (!text) return kOk;
    int result = kOk;
    const char* p = text;
    while (*p && !result) {
        const char* end = nullptr;
        InlineString99 jis;
        if (p[0] == '=' && p[1] == '?' && decodeWord(p, jis, end, result)) {
            if (!result) result = jisToSjis(target, jis.data(), static_cast<std::size_t>(jis.length()));
            p = end;
        } else {
            result = target.appendChar(*p);
            ++p;
        }
    }
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
