#include "com/unknwn.h"

#include <cstdio>
#include <cstdlib>

namespace com {

std::string formatGuid(REFGUID g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool parseGuid(std::string_view text, GUID* out) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    std::uint8_t bytes[16];
    int n = 0;
    for (std::size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != '-') return false;
            ++i;
            continue;
        }
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            char c = text[i + k];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
        }
        bytes[n++] = static_cast<std::uint8_t>(v);
        i += 2;
    }
    GUID g;
    g.Data1 = (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | bytes[3];
    g.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    if (out) *out = g;
    return true;
}

std::u16string toUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool bad = false;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        if (bad) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace com

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) { return std::realloc(block, size ? size : 1); }
void CoTaskMemFree(LPVOID block) { std::free(block); }

namespace {
std::u16string_view terminated(LPCOLESTR text) {
    if (!text) return {};
    std::size_t n = 0;
    while (text[n]) ++n;
    return {text, n};
}

HRESULT copyToTaskMem(const std::string& text, LPOLESTR* out) {
    if (!out) return E_INVALIDARG;
    auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!p) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < text.size(); ++i) p[i] = static_cast<unsigned char>(text[i]);
    p[text.size()] = 0;
    *out = p;
    return S_OK;
}
}  // namespace

int StringFromGUID2(REFGUID g, LPOLESTR buffer, int size) {
    std::string text = com::formatGuid(g);
    if (!buffer || size < static_cast<int>(text.size()) + 1) return 0;
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = static_cast<unsigned char>(text[i]);
    buffer[text.size()] = 0;
    return static_cast<int>(text.size()) + 1;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* out) { return copyToTaskMem(com::formatGuid(clsid), out); }
HRESULT StringFromIID(REFIID iid, LPOLESTR* out) { return copyToTaskMem(com::formatGuid(iid), out); }

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID out) {
    if (!out) return E_INVALIDARG;
    if (!text) {
        *out = CLSID_NULL;
        return S_OK;
    }
    return com::parseGuid(com::toUtf8(terminated(text)), out) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR text, IID* out) {
    HRESULT hr = CLSIDFromString(text, out);
    return hr == CO_E_CLASSSTRING ? E_INVALIDARG : hr;
}
