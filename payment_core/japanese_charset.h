#pragma once
// Shift_JIS <-> ISO-2022-JP conversion and the MIME encoded words built on it, for
// hosts whose ANSI code page is Shift_JIS. Pure byte arithmetic, no tables but the
// half-width katakana one.

#include <cstddef>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

bool isShiftJisLeadByte(unsigned char c);

int sjisToJis(InlineString99& target, const char* text);
int sjisToJis(InlineString99& target, const char* bytes, std::size_t n);
// A lead byte without its pair at the end of the input is dropped.
int jisToSjis(InlineString99& target, const char* text);
int jisToSjis(InlineString99& target, const char* bytes, std::size_t n);
int encodeJisWord(InlineString99& target, const char* text);
int encodeJisWord(InlineString99& target, const char* bytes, std::size_t n);
// Mode 1 writes a value holding 8-bit bytes as folded encoded words.
int appendHeaderParameter(InlineString99& target, const char* name, const char* value, std::size_t length, int mode);
// An encoded word that is cut short is copied as written.
int decodeHeaderText(InlineString99& target, const char* text);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
