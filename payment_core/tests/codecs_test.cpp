#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "payment_core/japanese_charset.h"
#include "payment_core/md5.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/text_utils.h"
#include "testing/iconv_text.h"
#include "win32/codepage.h"

using namespace payment_core;

namespace {
using fixtures::iconvConvert;

std::string opensslMd5Hex(const std::string& input) {
    unsigned char digest[16];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}
}  // namespace

CORE_TEST(TextUtils, CaseFoldingIsAsciiOnly) {
    EXPECT_EQ(compareTextNoCase("Content-TYPE", "content-type"), 0);
    EXPECT_NE(compareTextNoCase("\xC4", "\xE4"), 0);
    EXPECT_LT(compareTextNoCase("abc", "ABD"), 0);
    EXPECT_EQ(compareTextPrefixNoCase("HOST: x", "host", 4), 0);
    EXPECT_EQ(compareTextPrefix("abc", "abd", 2), 0);
    EXPECT_NE(compareTextPrefix("abc", "abd", 3), 0);
    EXPECT_STREQ(findTextNoCase("a Content-Length b", "content-length"), "Content-Length b");
    EXPECT_EQ(findTextNoCase("", "x"), nullptr);
    EXPECT_STREQ(findText("abc", ""), "abc");
    const char* text = "abc";
    EXPECT_EQ(findChar(text, '\0'), text + 3);
}

CORE_TEST(TextUtils, CopiesAreBoundedAndOverlapSafe) {
    char buffer[8] = "abcdef";
    copyBytes(buffer + 1, buffer, 5);
    EXPECT_STREQ(buffer, "aabcde");
    copyBytes(buffer, buffer + 1, 5);
    EXPECT_STREQ(buffer, "abcdee");
    char field[4];
    std::memset(field, 'x', sizeof field);
    copyTextPadded(field, "longer than the field", sizeof field);
    EXPECT_EQ(std::string(field, 4), std::string("lon\0", 4));
    copyTextPadded(field, "a", sizeof field);
    EXPECT_EQ(std::string(field, 4), std::string("a\0\0\0", 4));
}

CORE_TEST(TextUtils, NumberParsing) {
    struct Case {
        const char* text;
        int decimal;
        int hex;
    };
    const Case cases[] = {
        {"-12x", -12, -18},   {"1f", 1, 31},       {"1F", 1, 31},       {"", 0, 0},
        {"x1", 0, 0},         {"-", 0, 0},         {"0012", 12, 18},    {"ff", 0, 255},
        // Overflow wraps as unsigned arithmetic does.
        {"4294967297", 1, static_cast<int>(0x94967297u)}, {"-2147483648", INT32_MIN, -0x47483648},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseInt(c.text), c.decimal) << c.text;
        EXPECT_EQ(parseHex(c.text), c.hex) << c.text;
    }
    EXPECT_EQ(parseHex("ffffffff1"), static_cast<int>(0xfffffff1u));
    InlineString99 s;
    s.assignCString("-77");
    EXPECT_EQ(parseInt(s), -77);
    EXPECT_EQ(hexValue('a', 'F'), 0xAF);
    EXPECT_EQ(hexValue('g', '0'), -1);
}

CORE_TEST(TextUtils, HeaderLineSplitting) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"Content-Type: text/xml", "Content-Type", "text/xml"},
        {"Host:example", "Host", "example"},
        {"X:  two", "X", " two"},
        {"NoColon", "NoColon", ""},
        {" continued", "", "continued"},
        {"\tfolded", "", "folded"},
    };
    for (const Case& c : cases) {
        InlineString99 line;
        line.assignCString(c.line);
        const char* value = splitHeaderLine(line);
        ASSERT_NE(value, nullptr) << c.line;
        EXPECT_STREQ(line.data(), c.name);
        EXPECT_STREQ(value, c.value);
    }
    InlineString99 empty;
    EXPECT_EQ(splitHeaderLine(empty), nullptr);
    char pair[] = "a=b=c";
    EXPECT_STREQ(splitAt(pair, '='), "b=c");
    EXPECT_STREQ(pair, "a");
    EXPECT_TRUE(hasEightBitBytes("ab\x80", 3));
    EXPECT_FALSE(hasEightBitBytes("ab\x7f", 3));
}

CORE_TEST(Codecs, UrlEncode) {
    InlineString99 out;
    urlEncode(out, "a b+c/d");
    EXPECT_EQ(str(out), "a%20b%2Bc%2Fd");
    out.reset();
    urlEncode(out, "@*-._AZaz09~%=&\x01\xff");
    EXPECT_EQ(str(out), "@*-._AZaz09%7E%25%3D%26%01%FF");
}

CORE_TEST(Codecs, Base64Rfc4648Vectors) {
    const char* vectors[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},     {"foo", "Zm9v"},
                                {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"}};
    for (const auto& v : vectors) {
        InlineString99 encoded;
        ASSERT_EQ(base64Encode(encoded, v[0], std::strlen(v[0]), false), 0);
        EXPECT_EQ(str(encoded), v[1]);
        InlineString20 shortForm;
        base64Encode(shortForm, v[0], std::strlen(v[0]), true);
        EXPECT_EQ(str(shortForm), v[1]);
        ASSERT_EQ(base64Decode(encoded), 0);
        EXPECT_EQ(str(encoded), v[0]);
    }
}

CORE_TEST(Codecs, Base64LineBreaks) {
    std::string input(48, '\0');
    for (int i = 0; i < 48; ++i) input[static_cast<std::size_t>(i)] = static_cast<char>(i * 5);
    InlineString99 one;
    base64Encode(one, input.data(), input.size(), true);
    EXPECT_EQ(one.length(), 64);
    EXPECT_EQ(one.indexOf('\r'), -1);

    std::string big(1000, '\0');
    std::mt19937 random(7);
    for (char& c : big) c = static_cast<char>(random());
    InlineString99 lines;
    base64Encode(lines, big.data(), big.size(), true);
    const std::string text = str(lines);
    EXPECT_EQ(text.substr(64, 2), "\r\n");
    EXPECT_EQ(text.find("\r\n", 66), 130u);
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    // Blanks and line breaks are skipped; decoding stops at the first "=".
    lines.append(" \r\n", 3);
    ASSERT_EQ(base64Decode(lines), 0);
    EXPECT_EQ(str(lines), big);
    InlineString99 padded;
    padded.assignCString("Zg==Zm9v");
    base64Decode(padded);
    EXPECT_EQ(str(padded), "f");
}

CORE_TEST(Codecs, Base64AgreesWithOpenSsl) {
    std::mt19937 random(4648);
    std::vector<std::size_t> lengths = {1, 2, 3, 46, 47, 48, 49, 50, 95, 96, 97, 144, 145};
    for (int i = 0; i < 60; ++i) lengths.push_back(random() % 5000);
    for (std::size_t length : lengths) {
        std::string input(length, '\0');
        for (char& c : input) c = static_cast<char>(random());
        std::string reference(length / 3 * 4 + 8, '\0');
        const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&reference[0]),
                                      reinterpret_cast<const unsigned char*>(input.data()), static_cast<int>(length));
        reference.resize(static_cast<std::size_t>(n));
        std::string lines;
        for (std::size_t at = 0; at < reference.size(); at += 64) lines += (at ? "\r\n" : "") + reference.substr(at, 64);

        // Appended behind what the string held.
        InlineString99 plain;
        plain.assignCString("x:");
        ASSERT_EQ(base64Encode(plain, input.data(), length, false), 0);
        EXPECT_EQ(str(plain), "x:" + reference) << length;
        InlineString99 broken;
        ASSERT_EQ(base64Encode(broken, input.data(), length, true), 0);
        EXPECT_EQ(str(broken), lines) << length;

        // Decoding skips what is outside the alphabet wherever it stands.
        std::string scattered;
        for (char c : lines) {
            if (random() % 7 == 0) scattered += " \t\n*"[random() % 4];
            scattered += c;
        }
        InlineString99 decoded;
        decoded.assign(scattered.size(), scattered.data());
        ASSERT_EQ(base64Decode(decoded), 0);
        EXPECT_EQ(str(decoded), input) << length;
    }
}

CORE_TEST(Codecs, Base64EncodeOutOfMemoryKeepsTheContent) {
    const std::string input(300, 'q');
    InlineString99 out;
    out.assignCString("kept");
    {
        AllocationLimit starve(0);
        EXPECT_EQ(base64Encode(out, input.data(), input.size(), true), 200);
    }
    EXPECT_EQ(str(out), "kept");
}

CORE_TEST(Codecs, HexEncode) {
    InlineString20 out;
    hexEncode(out, "\x00\x9f\xff\x10", 4);
    EXPECT_EQ(str(out), "009fff10");
}

CORE_TEST(Md5, Rfc1321Suite) {
    const char* suite[][2] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& entry : suite) {
        InlineString99 hex;
        ASSERT_EQ(md5Hex(entry[0], std::strlen(entry[0]), hex), 0);
        EXPECT_EQ(str(hex), entry[1]) << entry[0];
    }
}

CORE_TEST(Md5, RandomLengthsAgreeWithOpenSsl) {
    std::mt19937 random(1321);
    // Around the block edges, where the padding needs a block of its own, and beyond.
    std::vector<std::size_t> lengths = {55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4096};
    for (int i = 0; i < 40; ++i) lengths.push_back(random() % 3000);
    for (std::size_t length : lengths) {
        std::string input(length, '\0');
        for (char& c : input) c = static_cast<char>(random());
        InlineString20 hex;
        md5Hex(input.data(), input.size(), hex);
        EXPECT_EQ(str(hex), opensslMd5Hex(input)) << length;
        // Fed in uneven pieces the digest is the same.
        Md5Context context;
        std::size_t at = 0;
        for (std::size_t piece = 1; at < input.size(); piece = piece * 3 % 97 + 1) {
            const std::size_t n = std::min(piece, input.size() - at);
            context.update(input.data() + at, n);
            at += n;
        }
        InlineString99 again;
        hexEncode(again, context.final(), 16);
        EXPECT_EQ(str(again), str(hex)) << length;
    }
}

CORE_TEST(Md5, RawAndPairForms) {
    InlineString99 raw;
    raw.assignCString("abc");
    ASSERT_EQ(md5InPlace(raw), 0);
    InlineString99 hex;
    hexEncode(hex, raw.data(), static_cast<std::size_t>(raw.length()));
    EXPECT_EQ(str(hex), "900150983cd24fb0d6963f7d28e17f72");
    InlineString99 into;
    md5Into(into, "abc", 3);
    EXPECT_TRUE(into.equals(raw.data(), 16));
    InlineString99 pair;
    md5HexPair("user", 4, "realm", 5, pair);
    EXPECT_EQ(str(pair), opensslMd5Hex("user:realm"));
}

CORE_TEST(Md5, LengthCountIsSixtyFourBits) {
    // 2^29 bytes overflow a 32-bit bit count; feeding the same block repeatedly reaches it cheaply.
    const std::string block(1 << 20, 'm');
    Md5Context context;
    EVP_MD_CTX* reference = EVP_MD_CTX_new();
    EVP_DigestInit_ex(reference, EVP_md5(), nullptr);
    for (int i = 0; i < 520; ++i) {
        context.update(block.data(), block.size());
        EVP_DigestUpdate(reference, block.data(), block.size());
    }
    unsigned char expected[16];
    unsigned int n = 0;
    EVP_DigestFinal_ex(reference, expected, &n);
    EVP_MD_CTX_free(reference);
    EXPECT_EQ(std::memcmp(context.final(), expected, 16), 0);
}

// Each encoding a document may declare, by the name it declares: texts convert both ways as
// iconv converts them under that name, character by character as well.
CORE_TEST(Charset, ConversionsAgreeWithIconv) {
    const struct {
        const char* name;
        std::string utf8;
    } cases[] = {
        {"iso-8859-1", "Caf\xC3\xA9 \xC3\xBF\xC2\xA0\xC2\x85 x"},
        {"windows-1252", "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC5\xB8"},
        {"shift_jis", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E abc \xEF\xBD\xB1"},
        {"utf-8", "\xD0\x96 \xF0\x9F\x98\x80 \xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        const int codePage = codePageOfEncoding(c.name, std::strlen(c.name));
        ASSERT_NE(codePage, 0) << c.name;
        std::string bytes;
        ASSERT_TRUE(iconvConvert(c.name, "UTF-8", c.utf8, bytes)) << c.name;
        InlineString99 out;
        ASSERT_TRUE(convertCodePage(bytes.data(), bytes.size(), codePage, CP_UTF8, out)) << c.name;
        EXPECT_EQ(str(out), c.utf8) << c.name;
        out.reset();
        ASSERT_TRUE(convertCodePage(c.utf8.data(), c.utf8.size(), CP_UTF8, codePage, out)) << c.name;
        EXPECT_EQ(str(out), bytes) << c.name;
        std::string units;
        ASSERT_TRUE(iconvConvert("UTF-32LE", "UTF-8", c.utf8, units));
        out.reset();
        for (std::size_t i = 0; i + 4 <= units.size(); i += 4) {
            char32_t ch;
            std::memcpy(&ch, units.data() + i, 4);
            ASSERT_EQ(appendCharacter(out, ch, codePage), 0);
        }
        EXPECT_EQ(str(out), bytes) << c.name;
        // The name a document in the code page declares is one iconv reads as the same bytes.
        std::string back;
        EXPECT_TRUE(iconvConvert("UTF-8", encodingOfCodePage(codePage), bytes, back)) << c.name;
        EXPECT_EQ(back, c.utf8) << c.name;
    }
    EXPECT_EQ(codePageOfEncoding("Windows-1252", 12), 1252);
    EXPECT_EQ(codePageOfEncoding("UTF-8x", 5), CP_UTF8);
    EXPECT_EQ(codePageOfEncoding("ebcdic", 6), 0);
    EXPECT_STREQ(encodingOfCodePage(0), "windows-1252");
    EXPECT_STREQ(encodingOfCodePage(932), "shift_jis");
}

CORE_TEST(Charset, WhatTheTargetLacksBecomesAQuestionMark) {
    const struct {
        int from, to;
        std::string text, expected;
    } cases[] = {
        {CP_UTF8, kCodePageLatin1, "\xD0\x96\xE2\x82\xAC\xC3\xA9", "??\xE9"},
        {CP_UTF8, 1252, "\xE6\x97\xA5\xF0\x9F\x98\x80.", "??."},
        {CP_UTF8, 932, "\xC3\xA9\xE6\x97\xA5", "?\x93\xFA"},
        {1252, kCodePageLatin1, "\x80\xE9", "?\xE9"},
        {kCodePageLatin1, 1252, "\x80\xE9", "?\xE9"},
    };
    for (const auto& c : cases) {
        InlineString99 out;
        ASSERT_TRUE(convertCodePage(c.text.data(), c.text.size(), c.from, c.to, out)) << c.from << " " << c.to;
        EXPECT_EQ(str(out), c.expected) << c.from << " " << c.to;
    }
    InlineString99 out;
    EXPECT_FALSE(convertCodePage("x", 1, 1250, CP_UTF8, out));
}

CORE_TEST(Japanese, ShiftJisToIso2022JpAgreesWithIconv) {
    // Every double-byte code iconv knows, in runs between ASCII.
    std::string sjis;
    std::string expected;
    int checked = 0;
    for (int lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        std::string run = "a";
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string one = {static_cast<char>(lead), static_cast<char>(trail)};
            std::string converted;
            if (!iconvConvert("ISO-2022-JP", "SHIFT_JIS", one, converted)) continue;
            run += one;
            ++checked;
        }
        run += "z";
        std::string reference;
        ASSERT_TRUE(iconvConvert("ISO-2022-JP", "SHIFT_JIS", run, reference)) << lead;
        InlineString99 jis;
        ASSERT_EQ(sjisToJis(jis, run.c_str()), 0);
        ASSERT_EQ(str(jis), reference) << std::hex << lead;
        InlineString99 back;
        ASSERT_EQ(jisToSjis(back, jis.data()), 0);
        EXPECT_EQ(str(back), run) << std::hex << lead;
    }
    EXPECT_GT(checked, 6000);
}

CORE_TEST(Japanese, HalfWidthKanaBecomeFullWidth) {
    struct Case {
        const char* sjis;
        const char* jis;
    };
    const Case cases[] = {
        {"\xB6", "\x1b$B%+\x1b(B"},           // ka
        {"\xB6\xDE", "\x1b$B%,\x1b(B"},       // ka + voiced mark = ga
        {"\xCA\xDF", "\x1b$B%Q\x1b(B"},       // ha + semi-voiced mark = pa
        {"\xB3\xDE", "\x1b$B%t\x1b(B"},       // u + voiced mark = vu
        {"\xB1\xDE", "\x1b$B%\"!+\x1b(B"},    // a has no voiced form: two characters
        {"\xA1\xB0x", "\x1b$B!#!<\x1b(Bx"},   // full stop, long vowel mark
        {"x\xDDy", "x\x1b$B%s\x1b(By"},       // n
    };
    for (const Case& c : cases) {
        InlineString99 out;
        ASSERT_EQ(sjisToJis(out, c.sjis), 0);
        EXPECT_EQ(str(out), c.jis);
    }
}

CORE_TEST(Japanese, JisDecoderStopsOnTruncatedInput) {
    struct Case {
        std::string jis;
        std::string sjis;
    };
    const Case cases[] = {
        {"\x1b$B0!", "\x88\x9f"},
        {"\x1b$B0!0", "\x88\x9f"},           // lead byte of a pair at the end
        {"ab\x1b", "ab"},                   // escape at the end
        {"ab\x1b$", "ab"},
        {"\x1b$B0!\r\nx", "\x88\x9f\r\nx"}, // line ends leave two-byte mode
        {"\x1bK0!\x1bHx", "\x88\x9fx"},
    };
    for (const Case& c : cases) {
        InlineString99 out;
        ASSERT_EQ(jisToSjis(out, c.jis.data(), c.jis.size()), 0);
        EXPECT_EQ(str(out), c.sjis);
    }
}

CORE_TEST(Japanese, EncodedWords) {
    InlineString99 word;
    encodeJisWord(word, "\x88\x9f");
    EXPECT_EQ(str(word), "=?ISO-2022-JP?B?GyRCMCEbKEI=?=");

    struct Case {
        const char* text;
        std::string decoded;
    };
    const Case cases[] = {
        {"x =?ISO-2022-JP?B?GyRCMCEbKEI=?= y", "x \x88\x9f y"},
        {"=?iso-2022-jp?b?GyRCMCEbKEI=?=", "\x88\x9f"},
        {"=?ISO-2022-JP?Q?=1B$B0!=1B(B_a?=", "\x88\x9f a"},
        {"=?ISO-2022-JP?Q?a=4?=", "a=4"},
        {"=?ISO-2022-JP?Q?a=?=", "a="},
        {"=?ISO-2022-JP?Q?a=", "=?ISO-2022-JP?Q?a="},
        {"=?ISO-2022-JP?B?GyRCMCEb", "=?ISO-2022-JP?B?GyRCMCEb"},
        {"=?UTF-8?B?YQ==?=", "=?UTF-8?B?YQ==?="},
        {"=?ISO-2022-JP?X?a?=", "=?ISO-2022-JP?X?a?="},
        {"plain =", "plain ="},
    };
    for (const Case& c : cases) {
        InlineString99 out;
        ASSERT_EQ(decodeHeaderText(out, c.text), 0);
        EXPECT_EQ(str(out), c.decoded) << c.text;
    }
}

CORE_TEST(Japanese, HeaderParameters) {
    InlineString99 plain;
    appendHeaderParameter(plain, "name", "file.txt", 8, 1);
    EXPECT_EQ(str(plain), " name=\"file.txt\"");
    InlineString99 ascii;
    appendHeaderParameter(ascii, "name", "\x88\x9f", 2, 0);
    EXPECT_EQ(str(ascii), " name=\"\x88\x9f\"");

    // 60 double-byte characters: words break after more than 35 and then 50 bytes, never inside a pair.
    std::string value;
    for (int i = 0; i < 60; ++i) value += "\x88\x9f";
    InlineString99 folded;
    ASSERT_EQ(appendHeaderParameter(folded, "filename", value.data(), value.size(), 1), 0);
    const std::string text = str(folded);
    ASSERT_EQ(text.rfind("\r\n\tfilename=\"", 0), 0u);
    std::vector<std::string> words;
    for (std::size_t at = text.find("=?ISO"); at != std::string::npos; at = text.find("=?ISO", at + 1)) {
        words.push_back(text.substr(at, text.find("?=", at + 16) + 2 - at));
    }
    ASSERT_EQ(words.size(), 3u);
    std::string decoded;
    const std::size_t expectedLengths[] = {36, 52, 32};
    for (std::size_t i = 0; i < words.size(); ++i) {
        InlineString99 piece;
        decodeHeaderText(piece, words[i].c_str());
        EXPECT_EQ(static_cast<std::size_t>(piece.length()), expectedLengths[i]);
        decoded += str(piece);
    }
    EXPECT_EQ(decoded, value);
    EXPECT_NE(text.find("?=\r\n\t=?"), std::string::npos);
    EXPECT_EQ(text.back(), '"');
}
