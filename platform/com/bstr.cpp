#include "com/oleauto.h"

#include <cstdlib>

namespace {

// The byte count sits in the four bytes before the text; two zero bytes always follow it.
BSTR allocateBytes(const void* data, UINT bytes) {
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR) + 1));
    if (!block) return nullptr;
    std::uint32_t length = bytes;
    std::memcpy(block, &length, sizeof length);
    unsigned char* text = block + sizeof length;
    if (data)
        std::memcpy(text, data, bytes);
    else
        std::memset(text, 0, bytes);
    text[bytes] = 0;
    text[bytes + 1] = 0;
    text[bytes + 2] = 0;
    return reinterpret_cast<BSTR>(text);
}

unsigned char* blockOf(BSTR b) { return reinterpret_cast<unsigned char*>(b) - sizeof(std::uint32_t); }

UINT terminatedLength(const OLECHAR* text) {
    UINT n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, terminatedLength(text));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > 0x7FFFFFF0u / sizeof(OLECHAR)) return nullptr;
    return allocateBytes(text, length * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) {
    if (length > 0x7FFFFFF0u) return nullptr;
    return allocateBytes(bytes, length);
}

INT SysReAllocString(BSTR* bstr, const OLECHAR* text) {
    if (!bstr) return FALSE;
    return SysReAllocStringLen(bstr, text, text ? terminatedLength(text) : 0);
}

INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length) {
    if (!bstr) return FALSE;
    // The new text may be part of the old one, so it is copied before the old one goes.
    BSTR fresh = SysAllocStringLen(text, length);
    if (!fresh) return FALSE;
    SysFreeString(*bstr);
    *bstr = fresh;
    return TRUE;
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    std::uint32_t length;
    std::memcpy(&length, blockOf(bstr), sizeof length);
    return length;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

void SysFreeString(BSTR bstr) {
    if (bstr) std::free(blockOf(bstr));
}
