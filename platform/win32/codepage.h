#pragma once
// Code pages: conversions between 8-bit texts and UTF-16 for the system code page (1252 here,
// unless a test says otherwise), 1252, 932 (Shift_JIS) and 65001 (UTF-8).

#include "win32/base.h"

#include <string>
#include <string_view>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x01;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

UINT GetACP();

// A length of -1 converts through the terminating zero, which is then counted and written; an
// output size of 0 only answers the size needed. Bytes that the code page does not define
// become U+FFFD (UTF-8) or U+30FB (932), unless MB_ERR_INVALID_CHARS asks for failure
// (ERROR_NO_UNICODE_TRANSLATION). Code page 1252 defines all 256 bytes.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int outSize);
// Characters the code page lacks become defaultChar ("?" when null) and set *usedDefaultChar;
// UTF-8 takes neither (ERROR_INVALID_PARAMETER) and writes U+FFFD for a lone surrogate unless
// WC_ERR_INVALID_CHARS asks for failure. No best-fit mapping is done.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int outSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

namespace win32 {
// Test seam: the system code page that GetACP and CP_ACP stand for (0 restores 1252).
void setAnsiCodePage(UINT codePage);

// 8-bit text of a code page to and from UTF-8, for the layers that hand text to GLib and GTK.
std::string ansiToUtf8(std::string_view text, UINT codePage = CP_ACP);
std::string utf8ToAnsi(std::string_view text, UINT codePage = CP_ACP);
}  // namespace win32
