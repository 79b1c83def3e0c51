#include "win32/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string toWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
    int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
    }
    return out;
}

std::string toBytes(UINT cp, const std::u16string& wide, BOOL* usedDefault = nullptr, LPCSTR defaultChar = nullptr) {
    int n = WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                                usedDefault);
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, defaultChar,
                                      usedDefault),
                  n);
    }
    return out;
}

TEST(CodePage, EveryByteRoundTripsThrough1252) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (UINT cp : {UINT{1252}, CP_ACP}) {
        std::u16string wide = toWide(cp, all, MB_ERR_INVALID_CHARS);
        ASSERT_EQ(wide.size(), 256u);
        EXPECT_EQ(wide[0x41], u'A');
        EXPECT_EQ(wide[0x80], u'\u20AC');
        EXPECT_EQ(wide[0x9F], u'\u0178');
        EXPECT_EQ(wide[0xE9], u'\u00E9');
        for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(wide[unassigned], unassigned);
        BOOL usedDefault = TRUE;
        EXPECT_EQ(toBytes(cp, wide, &usedDefault), all);
        EXPECT_FALSE(usedDefault);
    }
}

TEST(CodePage, MissingCharactersBecomeTheDefault) {
    BOOL usedDefault = FALSE;
    EXPECT_EQ(toBytes(1252, u"A\u20AC\u03A9\u0080", &usedDefault), "A\x80??");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(toBytes(1252, u"\u03A9", nullptr, "*"), "*");
    EXPECT_EQ(toBytes(932, u"\u00E9"), "?");
}

TEST(CodePage, TerminatedLengthAndSizeQuery) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    WCHAR small[3];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    WCHAR wide[4] = {1, 1, 1, 1};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc", 4));

    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", -1, nullptr, 0, nullptr, nullptr), 3);
    char bytes[3];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", -1, bytes, 3, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(bytes, 3), std::string("\xC3\xA9", 3));

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "abc", -1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CodePage, ShiftJisRoundTripsThrough932) {
    const std::string sjis =
        "\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x4c\x83\x58\x83\x67\x81\x41\xb6\xc0\xb6\xc5\x20\x61\x62\x63\x20\x81\x60"
        "\x87\x40\x5c";
    const std::u16string text = u"日本語テキスト、ｶﾀｶﾅ abc ～①\\";
    EXPECT_EQ(toWide(932, sjis, MB_ERR_INVALID_CHARS), text);
    EXPECT_EQ(toBytes(932, text), sjis);

    // Of two codes for one character the platform's choice is written back.
    EXPECT_EQ(toWide(932, "\xed\x40"), u"\u7E8A");
    EXPECT_EQ(toBytes(932, u"\u7E8A"), "\xfa\x5c");

    // A lead byte without its trail byte.
    EXPECT_EQ(toWide(932, "a\x93"), u"a\u30FB");
    EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "a\x93", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

    win32::setAnsiCodePage(932);
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(toWide(CP_ACP, sjis), text);
    win32::setAnsiCodePage(0);
    EXPECT_EQ(GetACP(), 1252u);
}

TEST(CodePage, Utf8RoundTripsThrough65001) {
    const std::u16string text = u"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600";
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(toWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS), text);
    EXPECT_EQ(toBytes(CP_UTF8, text), utf8);

    struct Bad {
        std::string bytes;
        std::u16string decoded;
    };
    const Bad bad[] = {
        {"\xC3\x28", u"\uFFFD("},               // a lead byte without continuation
        {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"a\xE6\x97", u"a\uFFFD"},              // cut short
    };
    for (const auto& b : bad) {
        EXPECT_EQ(toWide(CP_UTF8, b.bytes), b.decoded);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, b.bytes.data(), static_cast<int>(b.bytes.size()),
                                      nullptr, 0),
                  0);
        EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    }

    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(toBytes(CP_UTF8, std::u16string(lone, 3)), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 3, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    BOOL used;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 3, nullptr, 0, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CodePage, AnsiAndUtf8Helpers) {
    EXPECT_EQ(win32::ansiToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(win32::utf8ToAnsi("Caf\xC3\xA9 \xE2\x82\xAC \xCE\xA9"), "Caf\xE9 \x80 ?");
    EXPECT_EQ(win32::ansiToUtf8("\x93\xfa", 932), "\xE6\x97\xA5");
}

}  // namespace
