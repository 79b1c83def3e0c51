#pragma once
// GUIDs, HRESULTs, IUnknown, IClassFactory and task memory: the base every COM interface stands on.

#include "win32/base.h"

#include <cstring>
#include <string>
#include <string_view>

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LCID = DWORD;
using SCODE = LONG;
using DISPID = LONG;
using MEMBERID = DISPID;
using VARTYPE = USHORT;
using FLOAT = float;
using DOUBLE = double;

constexpr LCID LOCALE_USER_DEFAULT = 0x400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPCLSID = CLSID*;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

namespace com {

namespace detail {
consteval int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw "not a hexadecimal digit";
}
consteval std::uint64_t hexField(const char* s, int digits) {
    std::uint64_t v = 0;
    for (int i = 0; i < digits; ++i) v = v * 16 + static_cast<std::uint64_t>(hexDigit(s[i]));
    return v;
}
}  // namespace detail

// A GUID constant from its registry spelling, with or without braces, checked at compile time:
// constexpr CLSID CLSID_Thing = com::guid("{DA41C6B8-DB1F-493C-913D-700702AD715B}");
consteval GUID guid(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') throw "GUID braces expected";
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        throw "GUID must read XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX";
    const char* s = text.data();
    GUID g{};
    g.Data1 = static_cast<DWORD>(detail::hexField(s, 8));
    g.Data2 = static_cast<WORD>(detail::hexField(s + 9, 4));
    g.Data3 = static_cast<WORD>(detail::hexField(s + 14, 4));
    g.Data4[0] = static_cast<BYTE>(detail::hexField(s + 19, 2));
    g.Data4[1] = static_cast<BYTE>(detail::hexField(s + 21, 2));
    for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(detail::hexField(s + 24 + 2 * i, 2));
    return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry keeps it.
std::string formatGuid(REFGUID g);
// Accepts the braced form (any case); false for anything else.
bool parseGuid(std::string_view text, GUID* out);

// UTF-16 and UTF-8 for the narrow side of this layer (registry, tables, tests).
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace com

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr CLSID CLSID_NULL{};

// HRESULTs.
constexpr HRESULT hresult(std::uint32_t v) { return static_cast<HRESULT>(v); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MAKE_HRESULT(unsigned severity, unsigned facility, unsigned code) {
    return hresult((severity << 31) | (facility << 16) | (code & 0xFFFF));
}
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
    return error == 0 ? 0 : hresult((error & 0xFFFF) | 0x80070000u);
}
constexpr unsigned FACILITY_ITF = 4;
constexpr unsigned FACILITY_DISPATCH = 2;
constexpr unsigned FACILITY_CONTROL = 10;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = hresult(0x80004001);
constexpr HRESULT E_NOINTERFACE = hresult(0x80004002);
constexpr HRESULT E_POINTER = hresult(0x80004003);
constexpr HRESULT E_ABORT = hresult(0x80004004);
constexpr HRESULT E_FAIL = hresult(0x80004005);
constexpr HRESULT E_UNEXPECTED = hresult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = hresult(0x80070005);
constexpr HRESULT E_HANDLE = hresult(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = hresult(0x8007000E);
constexpr HRESULT E_INVALIDARG = hresult(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = hresult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hresult(0x80040111);
constexpr HRESULT REGDB_E_READREGDB = hresult(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = hresult(0x80040151);
constexpr HRESULT REGDB_E_CLASSNOTREG = hresult(0x80040154);
constexpr HRESULT SELFREG_E_TYPELIB = hresult(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = hresult(0x80040201);
constexpr HRESULT CO_E_NOTINITIALIZED = hresult(0x800401F0);
constexpr HRESULT CO_E_CLASSSTRING = hresult(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = hresult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = hresult(0x800401F9);
constexpr HRESULT RPC_E_CHANGED_MODE = hresult(0x80010106);
constexpr HRESULT RPC_E_DISCONNECTED = hresult(0x80010108);
constexpr HRESULT RPC_E_WRONG_THREAD = hresult(0x8001010E);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hresult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = hresult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = hresult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = hresult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = hresult(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = hresult(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = hresult(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = hresult(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = hresult(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = hresult(0x8002000B);
constexpr HRESULT DISP_E_ARRAYISLOCKED = hresult(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = hresult(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hresult(0x8002000F);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = hresult(0x8002801D);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hresult(0x8002802B);
constexpr HRESULT TYPE_E_REGISTRYACCESS = hresult(0x8002801C);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = hresult(0x80029C4A);

constexpr HRESULT CONNECT_E_NOCONNECTION = hresult(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = hresult(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = hresult(0x80040202);

constexpr HRESULT STG_E_INVALIDFUNCTION = hresult(0x80030001);
constexpr HRESULT STG_E_FILENOTFOUND = hresult(0x80030002);
constexpr HRESULT STG_E_ACCESSDENIED = hresult(0x80030005);
constexpr HRESULT STG_E_INVALIDPOINTER = hresult(0x80030009);
constexpr HRESULT STG_E_INVALIDPARAMETER = hresult(0x80030057);
constexpr HRESULT STG_E_FILEALREADYEXISTS = hresult(0x80030050);
constexpr HRESULT STG_E_INVALIDNAME = hresult(0x800300FC);

// Interfaces. Each one names its IID through com::uuidof<I>(), declared beside it with
// COM_INTERFACE_ID so generic code (QueryInterface helpers, thunks, proxies) can find it.
namespace com {
template <class I>
struct InterfaceId;
template <class I>
constexpr const IID& uuidof() {
    return InterfaceId<I>::value;
}
}  // namespace com

#define COM_INTERFACE_ID(Interface, text)                                    \
    inline constexpr IID IID_##Interface = com::guid(text);                  \
    template <>                                                              \
    struct com::InterfaceId<Interface> {                                     \
        static constexpr const IID& value = IID_##Interface;                 \
    }

// Interfaces have no virtual destructor by design: objects end through Release.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};
using LPUNKNOWN = IUnknown*;
COM_INTERFACE_ID(IUnknown, "{00000000-0000-0000-C000-000000000046}");

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};
COM_INTERFACE_ID(IClassFactory, "{00000001-0000-0000-C000-000000000046}");


LPVOID CoTaskMemAlloc(SIZE_T size);
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
void CoTaskMemFree(LPVOID block);

// GUIDs as UTF-16 text, the registry spelling.
int StringFromGUID2(REFGUID g, LPOLESTR buffer, int size);
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* out);  // out is CoTaskMemAlloc'd
HRESULT StringFromIID(REFIID iid, LPOLESTR* out);
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID out);
HRESULT IIDFromString(LPCOLESTR text, IID* out);

namespace com {

// An owning interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p, bool addRef = true) : p_(p) {
        if (p_ && addRef) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(const ComPtr& o) {
        if (o.p_) o.p_->AddRef();
        reset();
        p_ = o.p_;
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    template <class U>
    HRESULT as(ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(uuidof<U>(), out->putVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace com
