#include "com/oleauto.h"

#include <cstdlib>
#include <new>

namespace {

// The element type travels in front of the descriptor, where SafeArrayGetVartype finds it.
struct ArrayBlock {
    VARTYPE vt;
    SAFEARRAY array;
};

ArrayBlock* blockOf(SAFEARRAY* a) {
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<unsigned char*>(a) - offsetof(ArrayBlock, array));
}

ULONG elementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1: return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: return 2;
        case VT_I4:
        case VT_UI4:
        case VT_R4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR: return 4;
        case VT_R8:
        case VT_DATE:
        case VT_I8:
        case VT_UI8: return 8;
        case VT_BSTR:
        case VT_UNKNOWN:
        case VT_DISPATCH: return sizeof(void*);
        case VT_VARIANT: return sizeof(VARIANT);
        default: return 0;
    }
}

USHORT featuresOf(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
        case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEVARTYPE;
        case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEVARTYPE;
        case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
        default: return FADF_HAVEVARTYPE;
    }
}

void clearElements(SAFEARRAY* a) {
    ULONG n = a->rgsabound[0].cElements;
    if (!a->pvData) return;
    if (a->fFeatures & FADF_BSTR) {
        auto* p = static_cast<BSTR*>(a->pvData);
        for (ULONG i = 0; i < n; ++i) SysFreeString(p[i]);
    } else if (a->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* p = static_cast<IUnknown**>(a->pvData);
        for (ULONG i = 0; i < n; ++i)
            if (p[i]) p[i]->Release();
    } else if (a->fFeatures & FADF_VARIANT) {
        auto* p = static_cast<VARIANT*>(a->pvData);
        for (ULONG i = 0; i < n; ++i) VariantClear(&p[i]);
    }
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    ULONG size = elementSize(vt);
    if (size == 0) return nullptr;
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, sizeof(ArrayBlock)));
    if (!block) return nullptr;
    block->vt = vt;
    SAFEARRAY* a = &block->array;
    a->cDims = 1;
    a->fFeatures = featuresOf(vt);
    a->cbElements = size;
    a->rgsabound[0].cElements = elements;
    a->rgsabound[0].lLbound = lowerBound;
    if (elements) {
        a->pvData = std::calloc(elements, size);
        if (!a->pvData) {
            std::free(block);
            return nullptr;
        }
        if (vt == VT_VARIANT) {
            auto* p = static_cast<VARIANT*>(a->pvData);
            for (ULONG i = 0; i < elements; ++i) VariantInit(&p[i]);
        }
    }
    return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY* a) {
    if (!a) return S_OK;
    if (a->cLocks) return DISP_E_ARRAYISLOCKED;
    clearElements(a);
    std::free(a->pvData);
    std::free(blockOf(a));
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* a, void** data) {
    if (!a || !data) return E_INVALIDARG;
    ++a->cLocks;
    *data = a->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* a) {
    if (!a) return E_INVALIDARG;
    if (a->cLocks == 0) return E_UNEXPECTED;
    --a->cLocks;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* a) { return a ? a->cDims : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* a, UINT dim, LONG* bound) {
    if (!a || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > a->cDims) return DISP_E_BADINDEX;
    *bound = a->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* a, UINT dim, LONG* bound) {
    if (!a || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > a->cDims) return DISP_E_BADINDEX;
    *bound = a->rgsabound[0].lLbound + static_cast<LONG>(a->rgsabound[0].cElements) - 1;
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* a, VARTYPE* vt) {
    if (!a || !vt) return E_INVALIDARG;
    *vt = blockOf(a)->vt;
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* a, SAFEARRAY** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!a) return S_OK;
    VARTYPE vt = blockOf(a)->vt;
    ULONG n = a->rgsabound[0].cElements;
    SAFEARRAY* copy = SafeArrayCreateVector(vt, a->rgsabound[0].lLbound, n);
    if (!copy) return E_OUTOFMEMORY;
    if (n) {
        if (vt == VT_BSTR) {
            auto* src = static_cast<BSTR*>(a->pvData);
            auto* dst = static_cast<BSTR*>(copy->pvData);
            for (ULONG i = 0; i < n; ++i) {
                if (src[i] && !(dst[i] = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src[i]), SysStringByteLen(src[i])))) {
                    SafeArrayDestroy(copy);
                    return E_OUTOFMEMORY;
                }
            }
        } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
            auto* src = static_cast<IUnknown**>(a->pvData);
            auto* dst = static_cast<IUnknown**>(copy->pvData);
            for (ULONG i = 0; i < n; ++i)
                if ((dst[i] = src[i])) dst[i]->AddRef();
        } else if (vt == VT_VARIANT) {
            auto* src = static_cast<VARIANT*>(a->pvData);
            auto* dst = static_cast<VARIANT*>(copy->pvData);
            for (ULONG i = 0; i < n; ++i) {
                HRESULT hr = VariantCopy(&dst[i], &src[i]);
                if (FAILED(hr)) {
                    SafeArrayDestroy(copy);
                    return hr;
                }
            }
        } else {
            std::memcpy(copy->pvData, a->pvData, static_cast<std::size_t>(n) * a->cbElements);
        }
    }
    *out = copy;
    return S_OK;
}
