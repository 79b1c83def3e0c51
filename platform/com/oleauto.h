#pragma once
// OLE Automation data: BSTR, VARIANT, SAFEARRAY, IDispatch and its argument blocks.

#include "com/unknwn.h"

// A BSTR points at UTF-16 text preceded by its length in bytes (4 bytes) and followed by a
// terminating zero; nullptr is the empty text.
using BSTR = OLECHAR*;
using VARIANT_BOOL = SHORT;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;
using DATE = double;

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
INT SysReAllocString(BSTR* bstr, const OLECHAR* text);
INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length);
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);
void SysFreeString(BSTR bstr);

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_USERDEFINED = 29,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;

constexpr USHORT FADF_BSTR = 0x0100;
constexpr USHORT FADF_UNKNOWN = 0x0200;
constexpr USHORT FADF_DISPATCH = 0x0400;
constexpr USHORT FADF_VARIANT = 0x0800;
constexpr USHORT FADF_HAVEVARTYPE = 0x0080;

struct IDispatch;
struct ITypeInfo;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        ULONGLONG ullVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        INT* pintVal;
        UINT* puintVal;
        LONGLONG* pllVal;
        ULONGLONG* pullVal;
        PVOID byref;
        struct {
            PVOID pvRecord;
            PVOID pRecInfo;
        } record;
    };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Copies what a by-reference variant points at (a plain copy otherwise).
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Floating point to whole numbers rounds half to even; values outside the target's range
// give DISP_E_OVERFLOW, text that is no number DISP_E_TYPEMISMATCH. dest may be src.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
UINT SafeArrayGetDim(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out);

// IDispatch.
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_NEWENUM = -4;
constexpr DISPID DISPID_EVALUATE = -5;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

struct DISPPARAMS {
    VARIANTARG* rgvarg;  // arguments in reverse order: the last argument first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo, UINT* argErr) = 0;
};
COM_INTERFACE_ID(IDispatch, "{00020400-0000-0000-C000-000000000046}");

namespace com {

// Owning holders for tests and for code that juggles many values.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    explicit Bstr(std::string_view utf8) : Bstr(std::u16string_view(toUtf16(utf8))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    BSTR detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    std::u16string_view view() const { return {b_ ? b_ : u"", SysStringLen(b_)}; }
    std::string utf8() const { return toUtf8(view()); }

private:
    BSTR b_ = nullptr;
};

// A zero-terminated UTF-16 view of a BSTR (nullptr reads as empty).
inline std::u16string_view view(BSTR b) { return {b ? b : u"", SysStringLen(b)}; }

class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    Variant(const Variant& o) : Variant() { VariantCopy(this, &o); }
    Variant& operator=(const Variant& o) {
        if (this != &o) VariantCopy(this, &o);
        return *this;
    }
    ~Variant() { VariantClear(this); }
    static Variant i4(LONG v) {
        Variant r;
        r.vt = VT_I4;
        r.lVal = v;
        return r;
    }
    static Variant r8(double v) {
        Variant r;
        r.vt = VT_R8;
        r.dblVal = v;
        return r;
    }
    static Variant boolean(bool v) {
        Variant r;
        r.vt = VT_BOOL;
        r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
        return r;
    }
    static Variant text(std::string_view utf8) {
        Variant r;
        r.vt = VT_BSTR;
        r.bstrVal = Bstr(utf8).detach();
        return r;
    }
};

}  // namespace com
