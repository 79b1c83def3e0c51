#include "payment_core/text_utils.h"

#include <cstring>
#include <string>

#include "win32/codepage.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kLowerHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";

// The value of each base64 character; kSkip for bytes outside the alphabet, kPad for "=".
constexpr signed char kSkip = -1;
constexpr signed char kPad = -2;
struct Base64Values {
    signed char value[256];
    constexpr Base64Values() : value() {
        for (signed char& v : value) v = kSkip;
        for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<signed char>(i);
        value[static_cast<unsigned char>('=')] = kPad;
    }
};
constexpr Base64Values kBase64Values;

char* encodeGroups(char* out, const unsigned char* p, std::size_t groups) {
    for (std::size_t g = 0; g < groups; ++g, p += 3, out += 4) {
        const unsigned v = (static_cast<unsigned>(p[0]) << 16) | (static_cast<unsigned>(p[1]) << 8) | p[2];
        out[0] = kBase64Alphabet[v >> 18];
        out[1] = kBase64Alphabet[(v >> 12) & 63];
        out[2] = kBase64Alphabet[(v >> 6) & 63];
        out[3] = kBase64Alphabet[v & 63];
    }
    return out;
}

int parseNumber(const char* text, unsigned base) {
    if (!text) return 0;
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    }
    unsigned value = 0;
    for (;; ++text) {
        const int digit = base == 16 ? hexDigit(static_cast<unsigned char>(*text))
                                     : (*text >= '0' && *text <= '9' ? *text - '0' : -1);
        if (digit < 0) break;
        value = value * base + static_cast<unsigned>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}
}  // namespace

int hexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void copyBytes(void* destination, const void* source, std::size_t n) { std::memmove(destination, source, n); }

const char* findChar(const char* text, char byte) { return std::strchr(text, byte); }
char* findChar(char* text, char byte) { return std::strchr(text, byte); }

char foldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int compareText(const char* a, const char* b) { return std::strcmp(a, b); }

int compareTextNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(foldCase(*a));
        const unsigned char y = static_cast<unsigned char>(foldCase(*b));
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

int compareTextPrefix(const char* a, const char* b, std::size_t n) { return std::strncmp(a, b, n); }

int compareTextPrefixNoCase(const char* a, const char* b, std::size_t n) {
    for (; n > 0; --n, ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(foldCase(*a));
        const unsigned char y = static_cast<unsigned char>(foldCase(*b));
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
    return 0;
}

bool equalsNoCase(const char* a, const char* b) { return compareTextNoCase(a ? a : "", b ? b : "") == 0; }

void copyText(char* destination, const char* source) { std::memmove(destination, source, std::strlen(source) + 1); }

void copyTextPadded(char* destination, const char* source, std::size_t n) {
    if (n == 0) return;
    std::size_t k = 0;
    if (source) {
        while (k + 1 < n && source[k]) {
            destination[k] = source[k];
            ++k;
        }
    }
    std::memset(destination + k, 0, n - k);
}

const char* findText(const char* haystack, const char* needle) { return std::strstr(haystack, needle); }

const char* findTextNoCase(const char* haystack, const char* needle) {
    if (!*haystack) return nullptr;
    const std::size_t n = std::strlen(needle);
    for (; *haystack; ++haystack) {
        if (compareTextPrefixNoCase(haystack, needle, n) == 0) return haystack;
    }
    return n == 0 ? haystack : nullptr;
}

int parseInt(const char* text) { return parseNumber(text, 10); }
int parseInt(const InlineString99& text) { return parseNumber(text.data(), 10); }
int parseHex(const char* text) { return parseNumber(text, 16); }
int parseHex(const InlineString99& text) { return parseNumber(text.data(), 16); }

char* splitAt(char* text, char byte) {
    char* hit = std::strchr(text, byte);
    if (!hit) return text + std::strlen(text);
    *hit = 0;
    return hit + 1;
}

char* splitHeaderLine(InlineString99& line) {
    if (line.empty()) return nullptr;
    char* d = line.data();
    if (static_cast<unsigned char>(d[0]) < '!') {
        d[0] = 0;
        return d + 1;
    }
    char* colon = std::strchr(d, ':');
    if (!colon) return d + std::strlen(d);
    *colon = 0;
    return colon[1] == ' ' ? colon + 2 : colon + 1;
}

bool hasEightBitBytes(const void* bytes, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x80) return true;
    }
    return false;
}

template <int N>
int urlEncode(InlineString<N>& target, const char* text) {
    if (!text) return kOk;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
                           c == '-' || c == '.' || c == '@' || c == '_';
        int result;
        if (plain) {
            result = target.appendChar(static_cast<char>(c));
        } else {
            const char escaped[3] = {'%', kUpperHex[c >> 4], kUpperHex[c & 15]};
            result = target.append(escaped, 3);
        }
        if (result) return result;
    }
    return kOk;
}

template <int N>
int base64Encode(InlineString<N>& target, const void* bytes, std::size_t n, bool lineBreaks) {
    if (n == 0) return kOk;
    const auto* p = static_cast<const unsigned char*>(bytes);
    // Lines of 16 groups (48 input bytes), CR LF between them.
    constexpr std::size_t kLineGroups = 16;
    const std::size_t groups = n / 3 + (n % 3 != 0);
    const std::size_t breaks = lineBreaks ? (groups - 1) / kLineGroups : 0;
    const std::size_t old = static_cast<std::size_t>(target.length());
    constexpr std::size_t kMax = InlineString<N>::kMaxLength;
    if (groups > kMax / 4 || groups * 4 + 2 * breaks > kMax - old) return kOutOfMemory;
    const int result = target.assign(old + groups * 4 + 2 * breaks, nullptr);
    if (result) return result;
    char* out = target.data() + old;
    const std::size_t whole = n / 3;
    for (std::size_t done = 0; done < whole;) {
        if (breaks && done > 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        const std::size_t line = breaks && whole - done > kLineGroups ? kLineGroups : whole - done;
        out = encodeGroups(out, p, line);
        p += line * 3;
        done += line;
    }
    if (breaks && whole > 0 && whole % kLineGroups == 0 && n % 3 != 0) {
        *out++ = '\r';
        *out++ = '\n';
    }
    if (n % 3 != 0) {
        const unsigned b0 = p[0];
        const unsigned b1 = n % 3 == 2 ? p[1] : 0;
        out[0] = kBase64Alphabet[b0 >> 2];
        out[1] = kBase64Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out[2] = n % 3 == 2 ? kBase64Alphabet[(b1 & 15) << 2] : '=';
        out[3] = '=';
    }
    return kOk;
}

int base64Decode(InlineString99& text) {
    char* d = text.data();
    const int length = text.length();
    const signed char* values = kBase64Values.value;
    int out = 0;
    unsigned bits = 0;
    int pending = 0;
    int i = 0;
    while (i < length) {
        // Whole groups of four alphabet characters go three bytes at a time; anything else
        // (line breaks, blanks, "=") takes the byte-wise path below.
        if (pending == 0) {
            while (i + 4 <= length) {
                const int v0 = values[static_cast<unsigned char>(d[i])];
                const int v1 = values[static_cast<unsigned char>(d[i + 1])];
                const int v2 = values[static_cast<unsigned char>(d[i + 2])];
                const int v3 = values[static_cast<unsigned char>(d[i + 3])];
                if ((v0 | v1 | v2 | v3) < 0) break;
                const unsigned v = (static_cast<unsigned>(v0) << 18) | (static_cast<unsigned>(v1) << 12) |
                                   (static_cast<unsigned>(v2) << 6) | static_cast<unsigned>(v3);
                // The output never overtakes the input: four characters give three bytes.
                d[out] = static_cast<char>(v >> 16);
                d[out + 1] = static_cast<char>(v >> 8);
                d[out + 2] = static_cast<char>(v);
                out += 3;
                i += 4;
            }
            if (i >= length) break;
        }
        const int v = values[static_cast<unsigned char>(d[i++])];
        if (v == kPad) break;
        if (v == kSkip) continue;
        bits = (bits << 6) | static_cast<unsigned>(v);
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            d[out++] = static_cast<char>((bits >> pending) & 0xFF);
        }
    }
    return text.assign(static_cast<std::size_t>(out), nullptr);
}

template <int N>
int hexEncode(InlineString<N>& target, const void* bytes, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < n; ++i) {
        const char pair[2] = {kLowerHex[p[i] >> 4], kLowerHex[p[i] & 15]};
        const int result = target.append(pair, 2);
        if (result) return result;
    }
    return kOk;
}

int hexValue(char high, char low) {
    const int h = hexDigit(static_cast<unsigned char>(high));
    const int l = hexDigit(static_cast<unsigned char>(low));
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}

int resolveCodePage(int codePage) { return codePage == 0 ? static_cast<int>(GetACP()) : codePage; }

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

namespace {
struct Encoding {
    const char* name;
    int codePage;
};
// The first name of each code page is the one a document declares.
constexpr Encoding kEncodings[] = {
    {"utf-8", CP_UTF8},          {"utf8", CP_UTF8},
    {"windows-1252", 1252},      {"cp1252", 1252},          {"x-cp1252", 1252},
    {"shift_jis", 932},          {"shift-jis", 932},        {"sjis", 932},
    {"x-sjis", 932},             {"windows-31j", 932},      {"cp932", 932},
    {"iso-8859-1", kCodePageLatin1}, {"iso_8859-1", kCodePageLatin1}, {"iso8859-1", kCodePageLatin1},
    {"latin1", kCodePageLatin1}, {"l1", kCodePageLatin1},
    // ASCII is a part of ISO-8859-1, and reads the same.
    {"us-ascii", kCodePageLatin1}, {"ascii", kCodePageLatin1},
};
}  // namespace

int codePageOfEncoding(const char* name, std::size_t n) {
    for (const Encoding& encoding : kEncodings) {
        if (std::strlen(encoding.name) == n && compareTextPrefixNoCase(encoding.name, name, n) == 0) {
            return encoding.codePage;
        }
    }
    return 0;
}

const char* encodingOfCodePage(int codePage) {
    const int resolved = resolveCodePage(codePage);
    for (const Encoding& encoding : kEncodings) {
        if (encoding.codePage == resolved) return encoding.name;
    }
    // The platform converts host text only in the code pages above; text kept from before a
    // change to another one is still UTF-8.
    return "utf-8";
}

int appendCharacter(InlineString99& target, char32_t c, int codePage) {
    const int resolved = resolveCodePage(codePage);
    if (resolved == kCodePageLatin1) return target.appendChar(c <= 0xFF ? static_cast<char>(c) : '?');
    char16_t units[2];
    int count = 1;
    if (c >= 0x10000) {
        units[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<char16_t>(c);
    }
    // UTF-8 has every character; the others take "?" for what they lack.
    const bool utf8 = resolved == static_cast<int>(CP_UTF8);
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(static_cast<UINT>(resolved), utf8 ? 0 : WC_NO_BEST_FIT_CHARS, units, count, bytes,
                                      static_cast<int>(sizeof bytes), utf8 ? nullptr : "?", utf8 ? nullptr : &usedDefault);
    return n > 0 ? target.append(bytes, static_cast<std::size_t>(n)) : target.appendChar('?');
}

bool convertCodePage(const char* bytes, std::size_t n, int from, int to, InlineString99& target) {
    from = resolveCodePage(from);
    to = resolveCodePage(to);
    if (from == to) return target.append(bytes, n) == kOk;
    if (n > static_cast<std::size_t>(INT_MAX)) return false;
    std::u16string wide;
    if (from == kCodePageLatin1) {
        wide.resize(n);
        for (std::size_t i = 0; i < n; ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
    } else if (n > 0) {
        const int length = static_cast<int>(n);
        const int units = MultiByteToWideChar(static_cast<UINT>(from), 0, bytes, length, nullptr, 0);
        if (units <= 0) return false;
        wide.resize(static_cast<std::size_t>(units));
        MultiByteToWideChar(static_cast<UINT>(from), 0, bytes, length, wide.data(), units);
    }
    if (wide.empty()) return true;
    if (to == kCodePageLatin1) {
        for (std::size_t i = 0; i < wide.size(); ++i) {
            const char16_t u = wide[i];
            // A pair of surrogates is one character the target lacks.
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
            if (target.appendChar(u <= 0xFF ? static_cast<char>(u) : '?')) return false;
        }
        return true;
    }
    // UTF-8 has every character; the others take "?" for what they lack.
    const bool utf8 = to == static_cast<int>(CP_UTF8);
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int units = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(static_cast<UINT>(to), flags, wide.data(), units, nullptr, 0, fallback, used);
    if (size <= 0) return false;
    const std::size_t start = static_cast<std::size_t>(target.length());
    if (target.assign(start + static_cast<std::size_t>(size), nullptr)) return false;
    WideCharToMultiByte(static_cast<UINT>(to), flags, wide.data(), units, target.data() + start, size, fallback, used);
    return true;
}

#define PAYMENT_CORE_CODECS(N)                                                    \
    template int urlEncode<N>(InlineString<N>&, const char*);                      \
    template int base64Encode<N>(InlineString<N>&, const void*, std::size_t, bool); \
    template int hexEncode<N>(InlineString<N>&, const void*, std::size_t);
PAYMENT_CORE_CODECS(99)
PAYMENT_CORE_CODECS(20)
PAYMENT_CORE_CODECS(30)
PAYMENT_CORE_CODECS(50)
#undef PAYMENT_CORE_CODECS

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
