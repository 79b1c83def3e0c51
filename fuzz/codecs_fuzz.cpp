// The core's codecs and charsets: URL encoding, base64 with and without line breaks and
// hexadecimal each decode back to the bytes they were given; the number readers agree with the
// plain definition; Shift_JIS text made of ASCII and double-byte characters comes back from
// ISO-2022-JP, from an encoded word and from a header parameter unchanged.

#include <string>

#include "fuzz/fuzz_check.h"
#include "payment_core/japanese_charset.h"
#include "payment_core/text_utils.h"

using namespace payment_core;

namespace {

std::string str(const InlineString99& s) { return std::string(s.data(), static_cast<std::size_t>(s.length())); }

void urlEncodeDecodes(const std::string& text) {
    InlineString99 encoded;
    FUZZ_CHECK(urlEncode(encoded, text.c_str()) == 0);
    std::string decoded;
    const std::string e = str(encoded);
    for (std::size_t i = 0; i < e.size(); ++i) {
        const char c = e[i];
        if (c == '%') {
            FUZZ_CHECK(i + 2 < e.size());
            FUZZ_CHECK(std::string("0123456789ABCDEF").find(e[i + 1]) != std::string::npos);
            FUZZ_CHECK(std::string("0123456789ABCDEF").find(e[i + 2]) != std::string::npos);
            decoded.push_back(static_cast<char>(hexValue(e[i + 1], e[i + 2])));
            i += 2;
        } else {
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                               c == '*' || c == '-' || c == '.' || c == '@' || c == '_';
            FUZZ_CHECK(plain);
            decoded.push_back(c);
        }
    }
    FUZZ_CHECK(decoded == text);
}

void base64Decodes(const std::string& bytes, bool lineBreaks) {
    InlineString99 encoded;
    FUZZ_CHECK(base64Encode(encoded, bytes.data(), bytes.size(), lineBreaks) == 0);
    const std::size_t groups = (bytes.size() + 2) / 3;
    const std::size_t breaks = lineBreaks && bytes.size() > 48 ? (bytes.size() - 1) / 48 : 0;
    FUZZ_CHECK(static_cast<std::size_t>(encoded.length()) == groups * 4 + breaks * 2);
    FUZZ_CHECK(base64Decode(encoded) == 0);
    FUZZ_CHECK(str(encoded) == bytes);
    InlineString20 small;
    FUZZ_CHECK(base64Encode(small, bytes.data(), bytes.size(), lineBreaks) == 0);
    FUZZ_CHECK(static_cast<std::size_t>(small.length()) == groups * 4 + breaks * 2);
}

void hexDecodes(const std::string& bytes) {
    InlineString99 encoded;
    FUZZ_CHECK(hexEncode(encoded, bytes.data(), bytes.size()) == 0);
    FUZZ_CHECK(static_cast<std::size_t>(encoded.length()) == bytes.size() * 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char high = encoded.data()[2 * i];
        const char low = encoded.data()[2 * i + 1];
        FUZZ_CHECK(std::string("0123456789abcdef").find(high) != std::string::npos);
        FUZZ_CHECK(hexValue(high, low) == static_cast<unsigned char>(bytes[i]));
    }
}

// The signed number the readers are defined to give, wrapping as a 32-bit int does; the
// hexadecimal reader takes digits of either case.
int expectedNumber(const std::string& text, bool hex) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    unsigned value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        value = value * (hex ? 16u : 10u) + static_cast<unsigned>(digit);
    }
    return static_cast<int>(negative ? 0u - value : value);
}

// Keeps only bytes that make ASCII and double-byte Shift_JIS characters, the text that the
// conversions take back and forth without change.
std::string shiftJisText(const std::string& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (isShiftJisLeadByte(c) && i + 1 < bytes.size()) {
            const auto trail = static_cast<unsigned char>(bytes[i + 1]);
            if (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) {
                text.push_back(static_cast<char>(c));
                text.push_back(static_cast<char>(trail));
                ++i;
            }
        } else if (c >= 0x20 && c < 0x7F) {
            text.push_back(static_cast<char>(c));
        }
    }
    return text;
}

void japaneseRoundTrips(const std::string& bytes) {
    InlineString99 out;
    (void)jisToSjis(out, bytes.data(), bytes.size());
    out.reset();
    (void)sjisToJis(out, bytes.data(), bytes.size());
    out.reset();
    (void)decodeHeaderText(out, bytes.c_str());
    out.reset();
    (void)appendHeaderParameter(out, "name", bytes.data(), bytes.size(), 1);

    const std::string text = shiftJisText(bytes);
    InlineString99 jis;
    FUZZ_CHECK(sjisToJis(jis, text.data(), text.size()) == 0);
    for (int i = 0; i < jis.length(); ++i) FUZZ_CHECK(static_cast<unsigned char>(jis.data()[i]) < 0x80);
    InlineString99 back;
    FUZZ_CHECK(jisToSjis(back, jis.data(), static_cast<std::size_t>(jis.length())) == 0);
    FUZZ_CHECK(str(back) == text);

    InlineString99 word;
    FUZZ_CHECK(encodeJisWord(word, text.data(), text.size()) == 0);
    InlineString99 decoded;
    FUZZ_CHECK(decodeHeaderText(decoded, word.data()) == 0);
    FUZZ_CHECK(str(decoded) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(fuzz::bytes(data, size));
    const std::string text = fuzz::text(bytes);
    urlEncodeDecodes(text);
    base64Decodes(bytes, false);
    base64Decodes(bytes, true);
    hexDecodes(bytes);
    FUZZ_CHECK(parseInt(text.c_str()) == expectedNumber(text, false));
    FUZZ_CHECK(parseHex(text.c_str()) == expectedNumber(text, true));

    // Decoding skips what is not base64 and stops at the first "=".
    InlineString99 loose;
    FUZZ_CHECK(loose.assign(bytes.size(), bytes.data()) == 0);
    FUZZ_CHECK(base64Decode(loose) == 0);
    FUZZ_CHECK(static_cast<std::size_t>(loose.length()) <= bytes.size());

    InlineString99 line;
    FUZZ_CHECK(line.assignCString(text.c_str()) == 0);
    const char* value = splitHeaderLine(line);
    if (text.empty()) {
        FUZZ_CHECK(value == nullptr);
    } else {
        FUZZ_CHECK(value != nullptr);
        FUZZ_CHECK(value >= line.data() && value <= line.data() + text.size());
    }
    japaneseRoundTrips(bytes);
    return 0;
}
