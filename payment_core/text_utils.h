#pragma once
// The core's own text library: locale-independent byte and text operations, ASCII
// case folding (A-Z only), number parsing, header-line splitting and the wire codecs.

#include <cstddef>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// Overlap-safe in either direction.
void copyBytes(void* destination, const void* source, std::size_t n);
// Searching for 0 finds the terminator.
const char* findChar(const char* text, char byte);
char* findChar(char* text, char byte);
int compareText(const char* a, const char* b);
int compareTextNoCase(const char* a, const char* b);
int compareTextPrefix(const char* a, const char* b, std::size_t n);
int compareTextPrefixNoCase(const char* a, const char* b, std::size_t n);
bool equalsNoCase(const char* a, const char* b);
char foldCase(char c);
void copyText(char* destination, const char* source);
// Fills exactly n bytes; at most n - 1 come from the source so the field is always terminated.
void copyTextPadded(char* destination, const char* source, std::size_t n);
const char* findText(const char* haystack, const char* needle);
const char* findTextNoCase(const char* haystack, const char* needle);

// Optional "-", then digits up to the first other byte; overflow wraps as unsigned arithmetic.
int parseInt(const char* text);
int parseInt(const InlineString99& text);
// The same with hexadecimal digits of either case.
int parseHex(const char* text);
int parseHex(const InlineString99& text);

char* splitAt(char* text, char byte);
// Cuts a header line at its colon and returns the value (null for an empty line).
char* splitHeaderLine(InlineString99& line);
bool hasEightBitBytes(const void* bytes, std::size_t n);

template <int N>
int urlEncode(InlineString<N>& target, const char* text);
template <int N>
int base64Encode(InlineString<N>& target, const void* bytes, std::size_t n, bool lineBreaks);
int base64Decode(InlineString99& text);
template <int N>
int hexEncode(InlineString<N>& target, const void* bytes, std::size_t n);
// A hexadecimal digit's value, either case; -1 for any other byte.
int hexDigit(unsigned char c);
int hexValue(char high, char low);

// Code pages: 0 stands for the system's (GetACP); ISO-8859-1 is read here, the platform
// converts 1252, 932 and UTF-8.
constexpr int kCodePageLatin1 = 28591;
int resolveCodePage(int codePage);
// A character XML 1.0 lets a document hold.
bool isXmlChar(char32_t c);
// The code page of an encoding name as XML declarations write it (any case); 0 when unknown.
int codePageOfEncoding(const char* name, std::size_t n);
// The name a document in this code page declares.
const char* encodingOfCodePage(int codePage);
// One character in the code page: UTF-8 bytes under 65001, else its bytes there, or "?" where
// the code page has none.
int appendCharacter(InlineString99& target, char32_t c, int codePage);
// The bytes of one code page in another, "?" for what the target lacks; false when a code page
// cannot be converted or the target cannot grow.
bool convertCodePage(const char* bytes, std::size_t n, int from, int to, InlineString99& target);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
