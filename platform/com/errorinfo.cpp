#include "com/errorinfo.h"

#include <atomic>

namespace {

class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo)
            *out = static_cast<IErrorInfo*>(this);
        else if (riid == IID_ICreateErrorInfo)
            *out = static_cast<ICreateErrorInfo*>(this);
        else
            return *out = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT GetGUID(GUID* guid) override {
        if (!guid) return E_INVALIDARG;
        *guid = guid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* out) override { return give(source_, out); }
    HRESULT GetDescription(BSTR* out) override { return give(description_, out); }
    HRESULT GetHelpFile(BSTR* out) override { return give(helpFile_, out); }
    HRESULT GetHelpContext(DWORD* out) override {
        if (!out) return E_INVALIDARG;
        *out = helpContext_;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID guid) override {
        guid_ = guid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR text) override { return take(source_, text); }
    HRESULT SetDescription(LPOLESTR text) override { return take(description_, text); }
    HRESULT SetHelpFile(LPOLESTR text) override { return take(helpFile_, text); }
    HRESULT SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

private:
    static HRESULT give(const std::u16string& text, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }
    static HRESULT take(std::u16string& field, LPOLESTR text) {
        field = text ? std::u16string(text) : std::u16string();
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    GUID guid_{};
    std::u16string source_;
    std::u16string description_;
    std::u16string helpFile_;
    DWORD helpContext_ = 0;
};

// Released when the thread ends, so an error object left behind does not leak.
struct ThreadError {
    IErrorInfo* info = nullptr;
    ~ThreadError() {
        if (info) info->Release();
    }
};
thread_local ThreadError threadError;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = new ErrorObject;
    return S_OK;
}

HRESULT SetErrorInfo(DWORD, IErrorInfo* info) {
    if (info) info->AddRef();
    IErrorInfo* old = threadError.info;
    threadError.info = info;
    if (old) old->Release();
    return S_OK;
}

HRESULT GetErrorInfo(DWORD, IErrorInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = threadError.info;
    threadError.info = nullptr;
    return *info ? S_OK : S_FALSE;
}

namespace com {

HRESULT setErrorInfo(REFGUID iid, std::u16string_view source, std::u16string_view description,
                     std::u16string_view helpFile, DWORD helpContext) {
    ComPtr<ICreateErrorInfo> create;
    HRESULT hr = CreateErrorInfo(create.put());
    if (FAILED(hr)) return hr;
    std::u16string s(source), d(description), h(helpFile);
    create->SetGUID(iid);
    create->SetSource(s.data());
    create->SetDescription(d.data());
    if (!h.empty()) create->SetHelpFile(h.data());
    create->SetHelpContext(helpContext);
    ComPtr<IErrorInfo> info;
    hr = create.as(&info);
    if (FAILED(hr)) return hr;
    return SetErrorInfo(0, info.get());
}

void fillExcepInfo(EXCEPINFO* e, HRESULT hr) {
    if (!e) return;
    std::memset(e, 0, sizeof *e);
    e->scode = hr;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK) return;
    info->GetSource(&e->bstrSource);
    info->GetDescription(&e->bstrDescription);
    info->GetHelpFile(&e->bstrHelpFile);
    info->GetHelpContext(&e->dwHelpContext);
}

void clearExcepInfo(EXCEPINFO* e) {
    if (!e) return;
    SysFreeString(e->bstrSource);
    SysFreeString(e->bstrDescription);
    SysFreeString(e->bstrHelpFile);
    std::memset(e, 0, sizeof *e);
}

}  // namespace com
