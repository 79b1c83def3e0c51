#include "payment_core/com_bridge.h"

#include "payment_core/winsock_binding.h"
#include "win32/codepage.h"

#include <cstring>
#include <string>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

std::u16string widen(const char* text, int codePage) {
    BSTR b = nullptr;
    std::u16string out;
    if (SUCCEEDED(ansiToBstr(&b, text, codePage)) && b) out.assign(b, SysStringLen(b));
    SysFreeString(b);
    return out;
}

// Frees the texts converted so far when an event is abandoned or done.
struct Texts {
    BSTR items[5] = {};
    ~Texts() {
        for (BSTR b : items) SysFreeString(b);
    }
};

}  // namespace

HRESULT reportComError(const ControlIdentity& control, std::u16string_view description, DWORD helpContext,
                       HRESULT hr) {
    std::u16string source(control.progId);
    LPOLESTR registered = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(control.clsid, &registered)) && registered) {
        source = registered;
        CoTaskMemFree(registered);
    }
    com::setErrorInfo(GUID_NULL, source, description, helpContext ? control.helpFile : std::u16string_view(),
                      helpContext);
    return hr;
}

HRESULT raiseComError(CoreComponent& engine, const ControlIdentity& control, int code, DWORD helpContext) {
    if (code == 0) return S_OK;
    if (code == kOutOfMemory) return reportComError(control, u"Out of memory.", 0, static_cast<HRESULT>(0x800A0007));
    // A text left by an earlier failure with another code would describe the wrong failure.
    if (engine.lastErrorBelongsElsewhere(code)) engine.lastError.reset();
    if (engine.lastError.empty()) setErrorFromCode(engine, code);
    std::u16string description = engine.lastError.empty()
                                     ? std::u16string(u"No description available.")
                                     : widen(engine.lastError.data(), engine.CodePage);
    DWORD offset = code < 10001 ? 20001 : 15001;
    auto hr = static_cast<HRESULT>(0x800A0000u | static_cast<DWORD>(code + static_cast<int>(offset)));
    return reportComError(control, description, helpContext, hr);
}

HRESULT raiseRuntimeOnly(const ControlIdentity& control, DWORD helpContext) {
    return reportComError(control, u"Property is runtime only (no supported in design time).", helpContext,
                          static_cast<HRESULT>(0x800A018A));
}
HRESULT raiseInvalidArrayIndex(const ControlIdentity& control, DWORD helpContext) {
    return reportComError(control, u"Invalid array index.", helpContext, static_cast<HRESULT>(0x800A017D));
}
HRESULT raiseReadOnly(const ControlIdentity& control, DWORD helpContext) {
    return reportComError(control, u"Property is read-only.", helpContext, static_cast<HRESULT>(0x800A017F));
}
HRESULT raiseNotByteArray(const ControlIdentity& control, DWORD helpContext) {
    return reportComError(control, u"Property accepts only one-dimensional byte arrays.", helpContext,
                          static_cast<HRESULT>(0x800A017C));
}
HRESULT raiseOutOfRange(const ControlIdentity& control, DWORD helpContext) {
    return reportComError(control, u"Value is out of range.", helpContext, static_cast<HRESULT>(0x800A017C));
}

int setErrorFromCode(CoreComponent& engine, int code) {
    if (code == 0) return 0;
    if (code == 301) {
        engine.lastError.assignCString("Interrupted.");
    } else if (code == kOutOfMemory) {
        engine.lastError.assignCString("Out of memory.");
    } else if (engine.lastError.empty()) {
        setWinsockErrorText(engine, code);
    }
    return code;
}

int setWinsockErrorText(CoreComponent& engine, int code) {
    const char* text = winsockErrorText(code);
    InlineString99 bracketed;
    bracketed.appendChar('[');
    bracketed.appendInt(code);
    bracketed.appendCString("] ");
    bracketed.appendCString(text ? text : "(no description available)");
    engine.setLastError(bracketed.data(), code);
    return text ? 0 : 1;
}

HRESULT ansiToBstr(BSTR* out, const char* bytes, int codePage, int length) {
    if (!out) return E_OUTOFMEMORY;
    *out = nullptr;
    if (!bytes) bytes = "";
    if (length < 0) length = static_cast<int>(std::strlen(bytes));
    if (length == 0) {
        *out = SysAllocStringLen(nullptr, 0);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    auto cp = static_cast<UINT>(codePage);
    int count = MultiByteToWideChar(cp, 0, bytes, length, nullptr, 0);
    if (count <= 0) return E_OUTOFMEMORY;
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(count));
    if (!b) return E_OUTOFMEMORY;
    MultiByteToWideChar(cp, 0, bytes, length, b, count);
    *out = b;
    return S_OK;
}

void bytesToVariant(const BYTE* bytes, int count, VARIANT* out) {
    if (!out) return;
    VariantInit(out);
    if (!bytes || count <= 0) return;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(count));
    void* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, &data))) {
        if (array) SafeArrayDestroy(array);
        return;  // stays empty rather than claim an array it does not hold
    }
    std::memcpy(data, bytes, static_cast<std::size_t>(count));
    SafeArrayUnaccessData(array);
    out->vt = VT_UI1 | VT_ARRAY;
    out->parray = array;
}

HRESULT PaymentEvents::Error(int code, const char* text) {
    Texts t;
    HRESULT hr = ansiToBstr(&t.items[0], text, codePage_);
    if (FAILED(hr)) return hr;
    SHORT errorCode = static_cast<SHORT>(code);
    // Arguments travel in reverse order.
    VARIANTARG args[2];
    args[1].vt = VT_I2 | VT_BYREF;
    args[1].piVal = &errorCode;
    args[0].vt = VT_BSTR | VT_BYREF;
    args[0].pbstrVal = &t.items[0];
    DISPPARAMS params{args, nullptr, 2, 0};
    return point_.fire(kError, &params);
}

HRESULT PaymentEvents::SSLServerAuthentication(const char* certEncoded, int certLength, const char* subject,
                                               const char* issuer, const char* status, int* accept) {
    Texts t;
    bool ok = SUCCEEDED(ansiToBstr(&t.items[0], certEncoded, codePage_, certEncoded ? certLength : 0)) &&
              SUCCEEDED(ansiToBstr(&t.items[1], subject, codePage_)) &&
              SUCCEEDED(ansiToBstr(&t.items[2], issuer, codePage_)) &&
              SUCCEEDED(ansiToBstr(&t.items[3], status, codePage_));
    if (!ok) return Error(static_cast<int>(0x800A0007), "Out of memory while firing SSLServerAuthentication.");
    VARIANT_BOOL decision = accept && *accept ? VARIANT_TRUE : VARIANT_FALSE;
    VARIANTARG args[5];
    for (int i = 0; i < 4; ++i) {
        args[4 - i].vt = VT_BSTR | VT_BYREF;
        args[4 - i].pbstrVal = &t.items[i];
    }
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &decision;
    DISPPARAMS params{args, nullptr, 5, 0};
    certBytes_ = certEncoded;
    certLength_ = certLength;
    HRESULT hr = point_.fire(kSSLServerAuthentication, &params);
    certBytes_ = nullptr;
    certLength_ = 0;
    if (accept) *accept = decision != VARIANT_FALSE ? 1 : 0;
    return hr;
}

HRESULT PaymentEvents::SSLStatus(const char* message) {
    Texts t;
    if (FAILED(ansiToBstr(&t.items[0], message, codePage_)))
        return Error(static_cast<int>(0x800A0007), "Out of memory while firing SSLStatus.");
    VARIANTARG arg;
    arg.vt = VT_BSTR | VT_BYREF;
    arg.pbstrVal = &t.items[0];
    DISPPARAMS params{&arg, nullptr, 1, 0};
    return point_.fire(kSSLStatus, &params);
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
