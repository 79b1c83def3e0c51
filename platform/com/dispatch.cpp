#include "com/typeinfo.h"

namespace com {

namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool sameName(const char* table, LPCOLESTR asked) {
    if (!table || !asked) return false;
    std::u16string t = toUtf16(table);
    std::size_t i = 0;
    for (; i < t.size(); ++i)
        if (!asked[i] || lower(asked[i]) != lower(t[i])) return false;
    return asked[i] == 0;
}

// The member a call with these flags reaches.
const MemberDesc* select(const TypeDesc& type, DISPID id, WORD flags) {
    const MemberDesc* found = nullptr;
    for (const MemberDesc& m : type.members) {
        if (m.dispid != id) continue;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (m.kind == INVOKE_PROPERTYPUT) return &m;
            if (m.kind == INVOKE_PROPERTYPUTREF && !found) found = &m;
        } else if (flags & DISPATCH_PROPERTYPUTREF) {
            if (m.kind == INVOKE_PROPERTYPUTREF) return &m;
            if (m.kind == INVOKE_PROPERTYPUT && !found) found = &m;
        } else {
            if ((flags & DISPATCH_METHOD) && m.kind == INVOKE_FUNC) return &m;
            if ((flags & DISPATCH_PROPERTYGET) && m.kind == INVOKE_PROPERTYGET) return &m;
        }
    }
    return found;
}

}  // namespace

HRESULT idsOfNames(const TypeDesc& type, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    const MemberDesc* member = nullptr;
    for (const MemberDesc& m : type.members)
        if (sameName(m.name, names[0])) {
            member = &m;
            break;
        }
    HRESULT hr = S_OK;
    ids[0] = member ? member->dispid : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (member)
            for (std::size_t p = 0; p < member->inputCount(); ++p)
                if (sameName(member->params[p].name, names[i])) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT invoke(const TypeDesc& type, void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* excepInfo, UINT* argErr) {
    if (!params) return E_INVALIDARG;
    if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
    const MemberDesc* m = select(type, id, flags);
    if (!m || !m->invoke) return DISP_E_MEMBERNOTFOUND;

    const bool put = m->kind == INVOKE_PROPERTYPUT || m->kind == INVOKE_PROPERTYPUTREF;
    if (put) {
        if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return params->cNamedArgs > 1 ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTOPTIONAL;
    } else if (params->cNamedArgs) {
        return DISP_E_NONAMEDARGS;
    }
    const std::size_t inputs = m->inputCount();
    if (params->cArgs != inputs) return DISP_E_BADPARAMCOUNT;

    // Values made here (conversions, copies) are freed after the call; the caller's are borrowed.
    std::vector<VARIANT> call(m->params.size());
    std::vector<VARIANT> copies(inputs);
    for (VARIANT& v : call) VariantInit(&v);
    for (VARIANT& v : copies) VariantInit(&v);
    auto release = [&] {
        for (VARIANT& v : copies) VariantClear(&v);
    };

    // Positional arguments come last first; a put's value (the named DISPID_PROPERTYPUT one) sits
    // at index 0, which is where the last parameter lands anyway.
    for (std::size_t i = 0; i < inputs; ++i) {
        const UINT at = params->cArgs - 1 - static_cast<UINT>(i);
        VARIANT& src = params->rgvarg[at];
        const VARTYPE vt = m->params[i].vt;
        const VARTYPE base = static_cast<VARTYPE>(vt & ~VT_BYREF);
        HRESULT hr = S_OK;
        if (vt & VT_BYREF) {
            call[i].vt = vt;
            if (src.vt == vt) {
                call[i].byref = src.byref;
            } else if (base == VT_VARIANT) {
                call[i].pvarVal = src.vt == (VT_BYREF | VT_VARIANT) ? src.pvarVal : &src;
            } else if (src.vt == (VT_BYREF | VT_VARIANT) && src.pvarVal && src.pvarVal->vt == base) {
                call[i].byref = &src.pvarVal->llVal;
            } else if (!(src.vt & VT_BYREF)) {
                // A plain value where a reference is declared: the member works on a converted copy.
                hr = VariantChangeType(&copies[i], &src, 0, base);
                call[i].byref = &copies[i].llVal;
            } else {
                hr = DISP_E_TYPEMISMATCH;
            }
        } else if (vt == VT_VARIANT) {
            hr = VariantCopyInd(&copies[i], &src);
            call[i] = copies[i];
        } else if (src.vt == vt) {
            call[i] = src;
        } else if (m->params[i].oleColor && (src.vt == VT_I4 || (src.vt == (VT_BYREF | VT_I4) && src.plVal))) {
            call[i].vt = VT_UI4;
            call[i].ulVal = static_cast<ULONG>(src.vt == VT_I4 ? src.lVal : *src.plVal);
        } else {
            hr = VariantChangeType(&copies[i], &src, 0, vt);
            call[i] = copies[i];
        }
        if (FAILED(hr)) {
            release();
            if (argErr) *argErr = at;
            return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
        }
    }
    VARIANT retval;
    VariantInit(&retval);
    VARTYPE retType = VT_EMPTY;
    if (m->hasRetval()) {
        retType = static_cast<VARTYPE>(m->params.back().vt & ~VT_BYREF);
        call.back().vt = m->params.back().vt;
        call.back().byref = retType == VT_VARIANT ? static_cast<void*>(&retval) : static_cast<void*>(&retval.llVal);
    }

    // A stale error object from an earlier failure must not be reported for this call.
    SetErrorInfo(0, nullptr);
    HRESULT hr = m->invoke(self, call.data());
    release();

    if (FAILED(hr)) {
        // Whatever a failing member left in the result is dropped (the storage started zeroed).
        if (m->hasRetval() && retType != VT_VARIANT) retval.vt = retType;
        VariantClear(&retval);
        if (excepInfo) {
            fillExcepInfo(excepInfo, hr);
            return DISP_E_EXCEPTION;
        }
        return hr;
    }
    if (m->hasRetval() && retType != VT_VARIANT) retval.vt = retType;
    if (result) {
        VariantClear(result);
        *result = retval;
    } else {
        VariantClear(&retval);
    }
    return hr;
}

}  // namespace com
