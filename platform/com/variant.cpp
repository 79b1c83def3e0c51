#include "com/oleauto.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

using Int = __int128;

BSTR copyBstr(BSTR b) {
    if (!b) return nullptr;
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(b), SysStringByteLen(b));
}

bool isWholeType(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_INT:
        case VT_UINT: return true;
        default: return false;
    }
}

bool rangeOf(VARTYPE vt, Int* lo, Int* hi) {
    switch (vt) {
        case VT_I1: *lo = INT8_MIN, *hi = INT8_MAX; return true;
        case VT_UI1: *lo = 0, *hi = UINT8_MAX; return true;
        case VT_I2: *lo = INT16_MIN, *hi = INT16_MAX; return true;
        case VT_UI2: *lo = 0, *hi = UINT16_MAX; return true;
        case VT_I4:
        case VT_INT: *lo = INT32_MIN, *hi = INT32_MAX; return true;
        case VT_UI4:
        case VT_UINT: *lo = 0, *hi = UINT32_MAX; return true;
        case VT_I8: *lo = INT64_MIN, *hi = INT64_MAX; return true;
        case VT_UI8: *lo = 0, *hi = UINT64_MAX; return true;
        default: return false;
    }
}

// A numeric reading of a value: whole numbers exactly, everything else as a double.
struct Number {
    bool whole;
    Int integer;
    double real;
};

std::optional<Number> wholeOf(const VARIANT& v) {
    switch (v.vt) {
        case VT_EMPTY: return Number{true, 0, 0};
        case VT_I1: return Number{true, v.cVal, 0};
        case VT_UI1: return Number{true, v.bVal, 0};
        case VT_I2: return Number{true, v.iVal, 0};
        case VT_UI2: return Number{true, v.uiVal, 0};
        case VT_I4: return Number{true, v.lVal, 0};
        case VT_INT: return Number{true, v.intVal, 0};
        case VT_UI4: return Number{true, v.ulVal, 0};
        case VT_UINT: return Number{true, v.uintVal, 0};
        case VT_I8: return Number{true, v.llVal, 0};
        case VT_UI8: return Number{true, v.ullVal, 0};
        case VT_BOOL: return Number{true, v.boolVal ? -1 : 0, 0};
        case VT_R4: return Number{false, 0, v.fltVal};
        case VT_R8:
        case VT_DATE: return Number{false, 0, v.dblVal};
        default: return std::nullopt;
    }
}

std::string trimmed(std::string s) {
    std::size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    std::size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

HRESULT numberFromText(BSTR text, bool forBool, Number* out) {
    std::string s = trimmed(com::toUtf8(com::view(text)));
    if (forBool) {
        if (equalsIgnoringCase(s, "true")) return *out = Number{true, -1, 0}, S_OK;
        if (equalsIgnoringCase(s, "false")) return *out = Number{true, 0, 0}, S_OK;
    }
    if (s.empty()) return DISP_E_TYPEMISMATCH;
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    long long whole = std::strtoll(begin, &end, 10);
    if (*end == 0 && errno == 0) return *out = Number{true, whole, 0}, S_OK;
    errno = 0;
    double real = std::strtod(begin, &end);
    if (*end != 0 || std::isnan(real)) return DISP_E_TYPEMISMATCH;
    if (errno == ERANGE || std::isinf(real)) return DISP_E_OVERFLOW;
    *out = Number{false, 0, real};
    return S_OK;
}

std::u16string formatReal(double v, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*G", digits, v);
    return com::toUtf16(text);
}

HRESULT textOf(const VARIANT& v, USHORT flags, BSTR* out) {
    std::u16string text;
    switch (v.vt) {
        case VT_EMPTY: break;
        case VT_BOOL:
            text = (flags & VARIANT_ALPHABOOL) ? (v.boolVal ? u"True" : u"False") : (v.boolVal ? u"-1" : u"0");
            break;
        case VT_R4: text = formatReal(v.fltVal, 7); break;
        case VT_R8:
        case VT_DATE: text = formatReal(v.dblVal, 15); break;
        default: {
            auto n = wholeOf(v);
            if (!n) return DISP_E_TYPEMISMATCH;
            Int x = n->integer;
            bool negative = x < 0;
            if (negative) x = -x;
            do {
                text.insert(text.begin(), static_cast<char16_t>(u'0' + static_cast<int>(x % 10)));
                x /= 10;
            } while (x);
            if (negative) text.insert(text.begin(), u'-');
        }
    }
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void storeWhole(VARIANT* d, VARTYPE vt, Int x) {
    d->vt = vt;
    switch (vt) {
        case VT_I1: d->cVal = static_cast<CHAR>(x); break;
        case VT_UI1: d->bVal = static_cast<BYTE>(x); break;
        case VT_I2: d->iVal = static_cast<SHORT>(x); break;
        case VT_UI2: d->uiVal = static_cast<USHORT>(x); break;
        case VT_I4: d->lVal = static_cast<LONG>(x); break;
        case VT_INT: d->intVal = static_cast<INT>(x); break;
        case VT_UI4: d->ulVal = static_cast<ULONG>(x); break;
        case VT_UINT: d->uintVal = static_cast<UINT>(x); break;
        case VT_I8: d->llVal = static_cast<LONGLONG>(x); break;
        case VT_UI8: d->ullVal = static_cast<ULONGLONG>(x); break;
        default: break;
    }
}

HRESULT convertNumber(const Number& n, VARTYPE vt, VARIANT* d) {
    if (isWholeType(vt)) {
        Int lo = 0, hi = 0, x;
        rangeOf(vt, &lo, &hi);
        if (n.whole) {
            x = n.integer;
        } else {
            if (std::isnan(n.real)) return DISP_E_OVERFLOW;
            // The current rounding mode is to nearest, halves to even.
            double r = std::nearbyint(n.real);
            if (r < -1.8e19 || r > 1.9e19) return DISP_E_OVERFLOW;
            x = static_cast<Int>(r);
        }
        if (x < lo || x > hi) return DISP_E_OVERFLOW;
        storeWhole(d, vt, x);
        return S_OK;
    }
    double r = n.whole ? static_cast<double>(n.integer) : n.real;
    switch (vt) {
        case VT_R4:
            if (std::isfinite(r) && std::fabs(r) > FLT_MAX) return DISP_E_OVERFLOW;
            d->vt = VT_R4;
            d->fltVal = static_cast<float>(r);
            return S_OK;
        case VT_R8:
        case VT_DATE:
            d->vt = vt;
            d->dblVal = r;
            return S_OK;
        case VT_BOOL:
            d->vt = VT_BOOL;
            d->boolVal = (n.whole ? n.integer != 0 : r != 0) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT changeType(VARIANT* d, const VARIANT& s, USHORT flags, VARTYPE vt) {
    VARTYPE from = s.vt;
    if (from == vt) return VariantCopy(d, &s);
    if ((from & VT_ARRAY) || (vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
    if (from == VT_NULL || vt == VT_EMPTY || vt == VT_NULL) return DISP_E_TYPEMISMATCH;
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (from != VT_DISPATCH && from != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        d->vt = vt;
        d->punkVal = nullptr;
        if (!s.punkVal) return S_OK;
        HRESULT hr = s.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                               reinterpret_cast<void**>(&d->punkVal));
        if (FAILED(hr)) {
            d->vt = VT_EMPTY;
            return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
    }
    if (from == VT_DISPATCH || from == VT_UNKNOWN) {
        // An object stands for its value property.
        if ((flags & VARIANT_NOVALUEPROP) || from != VT_DISPATCH || !s.pdispVal) return DISP_E_TYPEMISMATCH;
        com::Variant value;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        HRESULT hr = s.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                        &value, nullptr, nullptr);
        if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
        if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        return changeType(d, value, flags, vt);
    }
    if (vt == VT_BSTR) {
        BSTR text = nullptr;
        HRESULT hr = textOf(s, flags, &text);
        if (FAILED(hr)) return hr;
        d->vt = VT_BSTR;
        d->bstrVal = text;
        return S_OK;
    }
    Number n;
    if (from == VT_BSTR) {
        HRESULT hr = numberFromText(s.bstrVal, vt == VT_BOOL, &n);
        if (FAILED(hr)) return hr;
    } else {
        auto w = wholeOf(s);
        if (!w) return DISP_E_TYPEMISMATCH;
        n = *w;
    }
    return convertNumber(n, vt, d);
}

}  // namespace

void VariantInit(VARIANT* v) {
    if (!v) return;
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(v->parray);
            if (FAILED(hr)) return hr;
        } else if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) {
            v->punkVal->Release();
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    VARIANT copy = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (FAILED(hr)) return hr;
        } else if (src->vt == VT_BSTR) {
            copy.bstrVal = copyBstr(src->bstrVal);
            if (src->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
        } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
    VARIANT value;
    VariantInit(&value);
    VARTYPE vt = static_cast<VARTYPE>(src->vt & ~VT_BYREF);
    if (!src->byref) return E_INVALIDARG;
    if (vt == VT_VARIANT) return VariantCopyInd(dest, src->pvarVal);
    value.vt = vt;
    if (vt & VT_ARRAY) {
        value.parray = *src->pparray;
    } else {
        switch (vt) {
            case VT_I1:
            case VT_UI1: std::memcpy(&value.bVal, src->byref, 1); break;
            case VT_I2:
            case VT_UI2:
            case VT_BOOL: std::memcpy(&value.iVal, src->byref, 2); break;
            case VT_I4:
            case VT_UI4:
            case VT_INT:
            case VT_UINT:
            case VT_R4:
            case VT_ERROR: std::memcpy(&value.lVal, src->byref, 4); break;
            case VT_I8:
            case VT_UI8:
            case VT_R8:
            case VT_DATE: std::memcpy(&value.llVal, src->byref, 8); break;
            case VT_BSTR:
            case VT_DISPATCH:
            case VT_UNKNOWN: std::memcpy(&value.byref, src->byref, sizeof(void*)); break;
            default: return DISP_E_BADVARTYPE;
        }
    }
    // value borrows what src points at; VariantCopy makes the copy owned by dest.
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = VariantCopy(&result, &value);
    if (FAILED(hr)) return hr;
    if (dest != src) VariantClear(dest);
    *dest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    if (vt & VT_BYREF) return DISP_E_BADVARTYPE;
    com::Variant source;
    HRESULT hr = VariantCopyInd(&source, src);
    if (FAILED(hr)) return hr;
    VARIANT result;
    VariantInit(&result);
    hr = changeType(&result, source, flags, vt);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    VariantClear(dest);
    *dest = result;
    return S_OK;
}
