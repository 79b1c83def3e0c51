#include "com/storage.h"

#include "com/object.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace com::detail {
IStream* streamOver(std::shared_ptr<std::vector<BYTE>> bytes);
}

namespace {

// Element and property names compare without regard to case (A to Z).
std::u16string keyOf(LPCOLESTR name) {
    std::u16string k(name);
    for (char16_t& c : k)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return k;
}

class MemoryStorage;

struct Element {
    std::u16string name;
    std::shared_ptr<std::vector<BYTE>> bytes;  // a stream
    MemoryStorage* storage = nullptr;          // or a storage, one reference held
};

class MemoryStorage final : public com::SingleInterfaceObject<IStorage> {
public:
    HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStream** stream) override {
        if (!name || !stream) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        if (!*name) return STG_E_INVALIDNAME;
        auto it = elements_.find(keyOf(name));
        if (it != elements_.end()) {
            if (!(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
            drop(it->second);
            elements_.erase(it);
        }
        Element& e = elements_[keyOf(name)];
        e.name = name;
        e.bytes = std::make_shared<std::vector<BYTE>>();
        *stream = com::detail::streamOver(e.bytes);
        return S_OK;
    }
    HRESULT OpenStream(LPCOLESTR name, void*, DWORD, DWORD, IStream** stream) override {
        if (!name || !stream) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        auto it = elements_.find(keyOf(name));
        if (it == elements_.end() || !it->second.bytes) return STG_E_FILENOTFOUND;
        *stream = com::detail::streamOver(it->second.bytes);
        return S_OK;
    }
    HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStorage** storage) override {
        if (!name || !storage) return STG_E_INVALIDPOINTER;
        *storage = nullptr;
        if (!*name) return STG_E_INVALIDNAME;
        auto it = elements_.find(keyOf(name));
        if (it != elements_.end()) {
            if (!(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
            drop(it->second);
            elements_.erase(it);
        }
        Element& e = elements_[keyOf(name)];
        e.name = name;
        e.storage = new MemoryStorage;
        e.storage->AddRef();
        *storage = e.storage;
        return S_OK;
    }
    HRESULT OpenStorage(LPCOLESTR name, IStorage*, DWORD, void*, DWORD, IStorage** storage) override {
        if (!name || !storage) return STG_E_INVALIDPOINTER;
        *storage = nullptr;
        auto it = elements_.find(keyOf(name));
        if (it == elements_.end() || !it->second.storage) return STG_E_FILENOTFOUND;
        it->second.storage->AddRef();
        *storage = it->second.storage;
        return S_OK;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT DestroyElement(LPCOLESTR name) override {
        if (!name) return STG_E_INVALIDPOINTER;
        auto it = elements_.find(keyOf(name));
        if (it == elements_.end()) return STG_E_FILENOTFOUND;
        drop(it->second);
        elements_.erase(it);
        return S_OK;
    }
    HRESULT SetClass(REFCLSID clsid) override {
        clsid_ = clsid;
        return S_OK;
    }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STORAGE;
        stat->grfMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
        stat->clsid = clsid_;
        return S_OK;
    }

private:
    ~MemoryStorage() override {
        for (auto& [key, e] : elements_) drop(e);
    }
    bool offers(REFIID riid) const override { return riid == IID_IStorage; }
    static void drop(Element& e) {
        if (e.storage) e.storage->Release();
        e.storage = nullptr;
    }

    std::map<std::u16string, Element> elements_;
    CLSID clsid_{};
};

class PropertyBag final : public com::SingleInterfaceObject<IPropertyBag> {
public:
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        auto it = values_.find(keyOf(name));
        if (it == values_.end()) return E_INVALIDARG;
        if (value->vt == VT_EMPTY) return VariantCopy(value, &it->second);
        VARTYPE wanted = value->vt;
        return VariantChangeType(value, &it->second, 0, wanted);
    }
    HRESULT Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        com::Variant copy;
        HRESULT hr = VariantCopyInd(&copy, value);
        if (FAILED(hr)) return hr;
        values_[keyOf(name)] = copy;
        return S_OK;
    }

private:
    bool offers(REFIID riid) const override { return riid == IID_IPropertyBag; }

    std::map<std::u16string, com::Variant> values_;
};

}  // namespace

namespace com {

HRESULT createMemoryStorage(IStorage** storage) {
    if (!storage) return E_INVALIDARG;
    *storage = new MemoryStorage;
    return S_OK;
}

HRESULT createPropertyBag(IPropertyBag** bag) {
    if (!bag) return E_INVALIDARG;
    *bag = new PropertyBag;
    return S_OK;
}

}  // namespace com
