#include "win32/codepage.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <iconv.h>

namespace win32 {
namespace {

constexpr UINT kDefaultAnsi = 1252;
std::atomic<UINT> ansiCodePage{kDefaultAnsi};

// A byte sequence the code page does not define, or a lone surrogate.
constexpr char32_t kInvalid = 0xFFFFFFFFu;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kKatakanaMiddleDot = 0x30FB;

bool resolve(UINT codePage, UINT& out) {
    out = codePage == CP_ACP ? ansiCodePage.load() : codePage;
    return out == 1252 || out == 932 || out == CP_UTF8;
}

// Bytes 0x80-0x9F of code page 1252. The five the code page leaves unassigned map to the C1
// controls of the same value, as the platform does, so that every byte survives a round trip.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t decode1252Byte(unsigned char b) { return b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : b; }

bool encode1252(char32_t c, std::string& out) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out.push_back(static_cast<char>(c));
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (k1252High[i] == c) {
            out.push_back(static_cast<char>(0x80 + i));
            return true;
        }
    }
    return false;
}

// Code page 932 as tables taken once from glibc's CP932 converter: looking up a table is exact
// and keeps iconv's state handling out of every conversion.
class Cp932 {
public:
    static const Cp932& get() {
        static const auto* table = new Cp932;
        return *table;
    }
    static bool isLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    char16_t single(unsigned char b) const { return single_[b]; }
    char16_t pair(unsigned char lead, unsigned char trail) const { return double_[(lead << 8) | trail]; }
    bool encode(char32_t c, std::string& out) const {
        if (c == 0) {
            out.push_back('\0');
            return true;
        }
        auto it = c <= 0xFFFF ? encode_.find(static_cast<char16_t>(c)) : encode_.end();
        if (it == encode_.end()) return false;
        if (it->second > 0xFF) out.push_back(static_cast<char>(it->second >> 8));
        out.push_back(static_cast<char>(it->second & 0xFF));
        return true;
    }

private:
    Cp932() : double_(65536, 0) {
        iconv_t toWide = iconv_open("UTF-16LE", "CP932");
        iconv_t toBytes = iconv_open("CP932", "UTF-16LE");
        if (toWide == reinterpret_cast<iconv_t>(-1) || toBytes == reinterpret_cast<iconv_t>(-1)) return;
        std::unordered_map<char16_t, std::vector<std::uint16_t>> sources;
        auto add = [&](std::uint16_t code, char16_t c) { sources[c].push_back(code); };
        for (int b = 1; b < 256; ++b) {
            if (isLead(static_cast<unsigned char>(b))) continue;
            char in = static_cast<char>(b);
            if (char16_t c = convertOne(toWide, &in, 1)) {
                single_[b] = c;
                add(static_cast<std::uint16_t>(b), c);
            }
        }
        // Single bytes that glibc refuses but the platform maps to fixed characters.
        constexpr std::pair<unsigned char, char16_t> extras[] = {
            {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
        for (auto [b, c] : extras) {
            if (!single_[b]) {
                single_[b] = c;
                add(b, c);
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLead(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                if (char16_t c = convertOne(toWide, in, 2)) {
                    auto code = static_cast<std::uint16_t>((lead << 8) | trail);
                    double_[code] = c;
                    add(code, c);
                }
            }
        }
        // Where several codes give one character (the duplicated extension rows), the
        // converter's own choice of encoding holds.
        for (auto& [c, codes] : sources) {
            std::uint16_t chosen = codes.front();
            if (codes.size() > 1) {
                char16_t unit = c;
                char buf[4];
                char* in = reinterpret_cast<char*>(&unit);
                char* outp = buf;
                size_t inLeft = 2, outLeft = sizeof buf;
                iconv(toBytes, nullptr, nullptr, nullptr, nullptr);
                if (iconv(toBytes, &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) {
                    size_t n = sizeof buf - outLeft;
                    if (n == 1) chosen = static_cast<unsigned char>(buf[0]);
                    if (n == 2) chosen = static_cast<std::uint16_t>((static_cast<unsigned char>(buf[0]) << 8) |
                                                                    static_cast<unsigned char>(buf[1]));
                }
            }
            encode_[c] = chosen;
        }
        iconv_close(toWide);
        iconv_close(toBytes);
    }

    static char16_t convertOne(iconv_t cd, char* in, size_t length) {
        char16_t out[2] = {0, 0};
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &length, &outp, &outLeft) == static_cast<size_t>(-1) || length != 0 ||
            outLeft != sizeof out - 2)
            return 0;
        return out[0];
    }

    char16_t single_[256] = {};
    std::vector<char16_t> double_;
    std::unordered_map<char16_t, std::uint16_t> encode_;
};

void decode932(std::string_view in, std::u32string& out) {
    const Cp932& t = Cp932::get();
    for (std::size_t i = 0; i < in.size(); ++i) {
        auto b = static_cast<unsigned char>(in[i]);
        if (b == 0) {
            out.push_back(0);
        } else if (Cp932::isLead(b)) {
            if (i + 1 < in.size()) {
                auto trail = static_cast<unsigned char>(in[i + 1]);
                if (char16_t c = t.pair(b, trail)) {
                    out.push_back(c);
                    ++i;
                    continue;
                }
                // A trail byte that is itself a valid character is not swallowed.
                if (trail >= 0x40 && trail != 0x7F && trail <= 0xFC && !t.single(trail)) ++i;
            }
            out.push_back(kInvalid);
        } else {
            char16_t c = t.single(b);
            out.push_back(c ? c : kInvalid);
        }
    }
}

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are invalid, each
// maximal ill-formed part counting as one invalid character.
void decodeUtf8(std::string_view in, std::u32string& out) {
    std::size_t i = 0;
    while (i < in.size()) {
        auto b = static_cast<unsigned char>(in[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int need;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            c = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            c = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(kInvalid);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int got = 0;
        while (got < need && j < in.size()) {
            auto t = static_cast<unsigned char>(in[j]);
            if (t < lo || t > hi) break;
            c = (c << 6) | (t & 0x3F);
            lo = 0x80;
            hi = 0xBF;
            ++j;
            ++got;
        }
        out.push_back(got == need ? c : kInvalid);
        i = j;
    }
}

void encodeUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void decodeUtf16(std::u16string_view in, std::u32string& out) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        char16_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (in[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back(kInvalid);
        } else {
            out.push_back(u);
        }
    }
}

void decodeBytes(UINT codePage, std::string_view in, std::u32string& out) {
    if (codePage == CP_UTF8)
        decodeUtf8(in, out);
    else if (codePage == 932)
        decode932(in, out);
    else
        for (char b : in) out.push_back(decode1252Byte(static_cast<unsigned char>(b)));
}

bool encodeChar(UINT codePage, char32_t c, std::string& out) {
    if (c == kInvalid) return false;
    if (codePage == CP_UTF8) {
        encodeUtf8(c, out);
        return true;
    }
    return codePage == 932 ? Cp932::get().encode(c, out) : encode1252(c, out);
}

int fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

void setAnsiCodePage(UINT codePage) { ansiCodePage.store(codePage ? codePage : kDefaultAnsi); }

std::string ansiToUtf8(std::string_view text, UINT codePage) {
    UINT cp;
    if (!resolve(codePage, cp)) cp = kDefaultAnsi;
    std::u32string chars;
    decodeBytes(cp, text, chars);
    std::string out;
    for (char32_t c : chars) encodeUtf8(c == kInvalid ? kReplacement : c, out);
    return out;
}

std::string utf8ToAnsi(std::string_view text, UINT codePage) {
    UINT cp;
    if (!resolve(codePage, cp)) cp = kDefaultAnsi;
    std::u32string chars;
    decodeUtf8(text, chars);
    std::string out;
    for (char32_t c : chars)
        if (!encodeChar(cp, c, out)) out.push_back('?');
    return out;
}

}  // namespace win32

using namespace win32;

UINT GetACP() { return ansiCodePage.load(); }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int outSize) {
    UINT cp;
    if (!resolve(codePage, cp)) return fail(ERROR_INVALID_PARAMETER);
    if (!text || length == 0 || length < -1 || outSize < 0 || (outSize > 0 && !out))
        return fail(ERROR_INVALID_PARAMETER);
    std::string_view in(text, length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length));
    std::u32string chars;
    decodeBytes(cp, in, chars);
    std::u16string wide;
    wide.reserve(chars.size());
    for (char32_t c : chars) {
        if (c == kInvalid) {
            if (flags & MB_ERR_INVALID_CHARS) return fail(ERROR_NO_UNICODE_TRANSLATION);
            c = cp == 932 ? kKatakanaMiddleDot : kReplacement;
        }
        if (c >= 0x10000) {
            wide.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(c));
        }
    }
    if (outSize == 0) return static_cast<int>(wide.size());
    if (wide.size() > static_cast<std::size_t>(outSize)) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, wide.data(), wide.size() * sizeof(WCHAR));
    return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int outSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    UINT cp;
    if (!resolve(codePage, cp)) return fail(ERROR_INVALID_PARAMETER);
    if (!text || length == 0 || length < -1 || outSize < 0 || (outSize > 0 && !out))
        return fail(ERROR_INVALID_PARAMETER);
    if (cp == CP_UTF8 && (defaultChar || usedDefaultChar)) return fail(ERROR_INVALID_PARAMETER);
    std::size_t n = 0;
    if (length == -1) {
        while (text[n]) ++n;
        ++n;
    } else {
        n = static_cast<std::size_t>(length);
    }
    std::u32string chars;
    decodeUtf16(std::u16string_view(text, n), chars);
    const std::string fallback = defaultChar && *defaultChar ? defaultChar : "?";
    bool usedDefault = false;
    std::string bytes;
    bytes.reserve(chars.size());
    for (char32_t c : chars) {
        if (encodeChar(cp, c, bytes)) continue;
        if (cp == CP_UTF8) {
            if (flags & WC_ERR_INVALID_CHARS) return fail(ERROR_NO_UNICODE_TRANSLATION);
            encodeUtf8(kReplacement, bytes);
        } else {
            bytes += fallback;
            usedDefault = true;
        }
    }
    if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    if (outSize == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<std::size_t>(outSize)) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}
