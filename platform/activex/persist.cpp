#include "activex/control.h"

namespace activex {

namespace {

constexpr DWORD kLayoutVersion = 1;
constexpr OLECHAR kContentsStream[] = u"Contents";

// The size of a value of a fixed-size type in the stream, 0 for the types the layout does not carry.
std::size_t fixedSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1: return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR: return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_DATE: return 8;
        default: return 0;
    }
}

void putLittleEndian(std::vector<BYTE>* out, std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out->push_back(static_cast<BYTE>(v >> (8 * i)));
}

class Reader {
public:
    explicit Reader(IStream* s) : stream_(s) {}
    bool bytes(void* data, ULONG n) {
        ULONG read = 0;
        return SUCCEEDED(stream_->Read(data, n, &read)) && read == n;
    }
    bool number(std::uint64_t* v, std::size_t n) {
        BYTE b[8];
        if (!bytes(b, static_cast<ULONG>(n))) return false;
        *v = 0;
        for (std::size_t i = 0; i < n; ++i) *v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
        return true;
    }
    // A count that a damaged stream makes huge ends at the stream's end, not in one allocation.
    bool text(std::u16string* out, std::uint64_t units) {
        out->clear();
        while (units > 0) {
            const std::uint64_t chunk = std::min<std::uint64_t>(units, 4096);
            std::vector<BYTE> raw(chunk * 2);
            if (!bytes(raw.data(), static_cast<ULONG>(raw.size()))) return false;
            for (std::size_t i = 0; i < chunk; ++i)
                out->push_back(static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
            units -= chunk;
        }
        return true;
    }

private:
    IStream* stream_;
};

// A persisted width or height that no control window can have (the window layer keeps sizes in
// 16-bit words) is damage, not a size.
bool possibleExtent(const PropertyEntry& entry, const VARIANT& value) {
    if (entry.kind != PropertyEntry::ExtentWidth && entry.kind != PropertyEntry::ExtentHeight) return true;
    com::Variant v;
    if (FAILED(VariantChangeType(&v, &value, 0, VT_UI4))) return false;
    const LONG himetric = static_cast<LONG>(v.ulVal);
    return himetric >= 0 && himetricToPixels(himetric) <= kLargestSidePixels;
}

}  // namespace

HRESULT ControlBase::getProperty(const PropertyEntry& entry, VARIANT* value) {
    VariantClear(value);
    switch (entry.kind) {
        case PropertyEntry::ExtentWidth:
        case PropertyEntry::ExtentHeight:
            value->vt = VT_UI4;
            value->ulVal = static_cast<ULONG>(entry.kind == PropertyEntry::ExtentWidth ? extent_.cx : extent_.cy);
            return S_OK;
        case PropertyEntry::Dispatch: {
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            com::Variant got;
            HRESULT hr = self()->Invoke(entry.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &got,
                                        nullptr, nullptr);
            if (FAILED(hr)) return hr;
            return VariantChangeType(value, &got, 0, entry.vt);
        }
        case PropertyEntry::Withheld:
            value->vt = entry.vt;
            value->llVal = 0;
            if (entry.vt == VT_BSTR) value->bstrVal = SysAllocStringLen(u"", 0);
            return S_OK;
    }
    return E_UNEXPECTED;
}

HRESULT ControlBase::putProperty(const PropertyEntry& entry, VARIANT* value) {
    switch (entry.kind) {
        case PropertyEntry::ExtentWidth:
        case PropertyEntry::ExtentHeight: {
            com::Variant v;
            HRESULT hr = VariantChangeType(&v, value, 0, VT_UI4);
            if (FAILED(hr)) return hr;
            (entry.kind == PropertyEntry::ExtentWidth ? extent_.cx : extent_.cy) = static_cast<LONG>(v.ulVal);
            return S_OK;
        }
        case PropertyEntry::Dispatch: {
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{value, &named, 1, 1};
            return self()->Invoke(entry.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                  nullptr, nullptr);
        }
        case PropertyEntry::Withheld:
            return S_OK;
    }
    return E_UNEXPECTED;
}

HRESULT ControlBase::saveBytes(std::vector<BYTE>* out) {
    out->clear();
    putLittleEndian(out, kLayoutVersion, 4);
    for (const PropertyEntry& entry : class_.properties) {
        com::Variant v;
        HRESULT hr = getProperty(entry, &v);
        if (FAILED(hr)) return hr;
        putLittleEndian(out, entry.vt, 2);
        if (entry.vt == VT_BSTR) {
            std::u16string_view text = com::view(v.bstrVal);
            putLittleEndian(out, text.size(), 4);
            for (char16_t c : text) putLittleEndian(out, c, 2);
        } else if (std::size_t n = fixedSize(entry.vt)) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &v.llVal, n);
            putLittleEndian(out, bits, n);
        } else {
            return DISP_E_BADVARTYPE;
        }
    }
    return S_OK;
}

HRESULT ControlBase::loadFrom(IStream* stream) {
    Reader in(stream);
    std::uint64_t version = 0;
    if (!in.number(&version, 4)) return E_FAIL;
    if (version != kLayoutVersion) return E_FAIL;
    // The whole stream is read and checked before anything is applied: a refused load changes nothing.
    std::vector<com::Variant> values(class_.properties.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const PropertyEntry& entry = class_.properties[i];
        std::uint64_t vt = 0;
        if (!in.number(&vt, 2) || vt != entry.vt) return E_FAIL;
        com::Variant& v = values[i];
        if (entry.vt == VT_BSTR) {
            std::uint64_t units = 0;
            std::u16string text;
            if (!in.number(&units, 4) || !in.text(&text, units)) return E_FAIL;
            v.vt = VT_BSTR;
            v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        } else if (std::size_t n = fixedSize(entry.vt)) {
            std::uint64_t bits = 0;
            if (!in.number(&bits, n)) return E_FAIL;
            v.vt = entry.vt;
            std::memcpy(&v.llVal, &bits, n);
        } else {
            return DISP_E_BADVARTYPE;
        }
        if (!possibleExtent(entry, v)) return E_FAIL;
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (HRESULT hr = putProperty(class_.properties[i], &values[i]); FAILED(hr)) return hr;
    dirty_ = false;
    return S_OK;
}

HRESULT ControlBase::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = class_.clsid;
    return S_OK;
}

HRESULT ControlBase::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT ControlBase::InitNew() { return S_OK; }

HRESULT ControlBase::Load(IStream* stream) {
    if (!stream) return E_POINTER;
    return loadFrom(stream);
}

HRESULT ControlBase::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    std::vector<BYTE> bytes;
    if (HRESULT hr = saveBytes(&bytes); FAILED(hr)) return hr;
    ULONG written = 0;
    HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) return hr;
    if (written != bytes.size()) return STG_E_ACCESSDENIED;
    if (clearDirty) dirty_ = false;
    return S_OK;
}

HRESULT ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    std::vector<BYTE> bytes;
    if (HRESULT hr = saveBytes(&bytes); FAILED(hr)) return hr;
    size->QuadPart = bytes.size();
    return S_OK;
}

HRESULT ControlBase::InitNew(IStorage* storage) { return storage ? S_OK : E_POINTER; }

HRESULT ControlBase::Load(IStorage* storage) {
    if (!storage) return E_POINTER;
    com::ComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
    if (FAILED(hr)) return hr;
    return loadFrom(stream.get());
}

HRESULT ControlBase::Save(IStorage* storage, BOOL) {
    if (!storage) return E_POINTER;
    com::ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                       stream.put());
    if (FAILED(hr)) return hr;
    return Save(stream.get(), TRUE);
}

HRESULT ControlBase::SaveCompleted(IStorage*) { return S_OK; }
HRESULT ControlBase::HandsOffStorage() { return S_OK; }

HRESULT ControlBase::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    std::vector<const PropertyEntry*> held;
    std::vector<com::Variant> values;
    for (const PropertyEntry& entry : class_.properties) {
        com::Variant v;
        v.vt = entry.vt;
        std::u16string name = com::toUtf16(entry.name);
        // A property the bag does not hold keeps its default.
        if (FAILED(bag->Read(name.c_str(), &v, log))) continue;
        if (!possibleExtent(entry, v)) return E_FAIL;
        held.push_back(&entry);
        values.push_back(std::move(v));
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (HRESULT hr = putProperty(*held[i], &values[i]); FAILED(hr)) return hr;
    dirty_ = false;
    return S_OK;
}

HRESULT ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag) return E_POINTER;
    for (const PropertyEntry& entry : class_.properties) {
        com::Variant v;
        if (HRESULT hr = getProperty(entry, &v); FAILED(hr)) return hr;
        std::u16string name = com::toUtf16(entry.name);
        if (HRESULT hr = bag->Write(name.c_str(), &v); FAILED(hr)) return hr;
    }
    if (clearDirty) dirty_ = false;
    return S_OK;
}

}  // namespace activex
