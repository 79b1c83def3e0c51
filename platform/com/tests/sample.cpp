#include "sample.h"

#include "win32/kernel.h"

#include <atomic>
#include <string>
#include <vector>

namespace sample {

const com::TypeDesc kISample = com::dualInterface<ISample>(
    "ISample", "ISample Interface",
    {
        com::method<&ISample::_OnTimer>("_OnTimer", 0, {}, "method _OnTimer", FUNCFLAG_FHIDDEN),
        com::propget<&ISample::get_Value>("Value", 1, {}, "property Value"),
        com::propput<&ISample::put_Value>("Value", 1, {{"Value"}}, "property Value"),
        com::propget<&ISample::get_Item>("Item", 2, {{"Index"}}, "property Item"),
        com::propput<&ISample::put_Item>("Item", 2, {{"Index"}, {"Text"}}, "property Item"),
        com::propget<&ISample::get_Enabled>("Enabled", 3, {{"", VT_BOOL}}, "property Enabled"),
        com::propput<&ISample::put_Enabled>("Enabled", 3, {{"Enabled", VT_BOOL}}, "property Enabled"),
        com::propget<&ISample::get_Ratio>("Ratio", 4, {}, "property Ratio"),
        com::propput<&ISample::put_Ratio>("Ratio", 4, {{"Ratio"}}, "property Ratio"),
        com::method<&ISample::Add>("Add", 5, {{"A"}, {"B"}}, "method Add"),
        com::method<&ISample::Swap>("Swap", 6, {{"A"}, {"B"}}, "method Swap"),
        com::method<&ISample::Append>("Append", 7, {{"Text"}, {"Suffix"}}, "method Append"),
        com::propget<&ISample::get_Child>("Child", 8, {}, "property Child"),
        com::propget<&ISample::get_Ticks>("Ticks", 9, {}, "property Ticks"),
        com::propget<&ISample::get_TickThread>("TickThread", 10, {}, "property TickThread"),
        com::method<&ISample::CallPartner>("CallPartner", 11, {{"A"}, {"B"}}, "method CallPartner"),
        com::propputref<&ISample::putref_Partner>("Partner", 12, {{"Partner"}}, "property Partner"),
    });

const com::TypeDesc kISampleEvents = com::dispInterface(
    "_ISampleEvents", DIID_ISampleEvents, "_ISampleEvents Interface",
    {
        com::dispMethod("Changed", 1, {{"Value", VT_I4}}, "method Changed"),
        com::dispMethod("Closing", 2, {{"Cancel", VT_BOOL | VT_BYREF}}, "method Closing"),
    });

const com::TypeDesc kSampleClass = com::coClass("Sample", CLSID_Sample, "Sample Class",
                                                {{&kISample, IMPLTYPEFLAG_FDEFAULT},
                                                 {&kISampleEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}});

const com::TypeLibDesc kSampleLib{"SampleLib", LIBID_SampleLib, 1, 0, "Sample 1.0 Type Library",
                                  {&kSampleClass, &kISample, &kISampleEvents}};

namespace {

std::atomic<long> live{0};

class Sample final : public com::DualDispatch<ISample>, public ISupportErrorInfo {
public:
    Sample() : DualDispatch(kISample) { ++live; }
    ~Sample() {
        if (partner_) partner_->Release();
        --live;
    }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ISample)
            *out = static_cast<ISample*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *out = static_cast<ISupportErrorInfo*>(this);
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
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == IID_ISample ? S_OK : S_FALSE; }

    HRESULT _OnTimer() override {
        ++ticks_;
        tickThread_ = static_cast<LONG>(GetCurrentThreadId());
        return S_OK;
    }
    HRESULT get_Value(LONG* v) override { return *v = value_, S_OK; }
    HRESULT put_Value(LONG v) override {
        if (v < 0 || v > 100) {
            com::setErrorInfo(GUID_NULL, toU16(kSampleProgId), toU16(kSampleRangeError), u"sample.hlp", 4711);
            return DISP_E_EXCEPTION;
        }
        value_ = v;
        return S_OK;
    }
    HRESULT get_Item(LONG index, BSTR* text) override {
        if (index < 1 || index > static_cast<LONG>(items_.size())) return badIndex();
        *text = SysAllocStringLen(items_[index - 1].data(), static_cast<UINT>(items_[index - 1].size()));
        return S_OK;
    }
    HRESULT put_Item(LONG index, BSTR text) override {
        if (index < 1 || index > static_cast<LONG>(items_.size())) return badIndex();
        items_[index - 1] = std::u16string(com::view(text));
        return S_OK;
    }
    HRESULT get_Enabled(VARIANT_BOOL* on) override { return *on = enabled_, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL on) override { return enabled_ = on, S_OK; }
    HRESULT get_Ratio(DOUBLE* r) override { return *r = ratio_, S_OK; }
    HRESULT put_Ratio(DOUBLE r) override { return ratio_ = r, S_OK; }
    HRESULT Add(LONG a, LONG b, LONG* sum) override { return *sum = a + b, S_OK; }
    HRESULT Swap(LONG* a, LONG* b) override {
        std::swap(*a, *b);
        return S_OK;
    }
    HRESULT Append(BSTR* text, BSTR suffix) override {
        std::u16string joined(com::view(*text));
        joined += com::view(suffix);
        return SysReAllocStringLen(text, joined.data(), static_cast<UINT>(joined.size())) ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT get_Child(IDispatch** child) override {
        *child = create();
        return S_OK;
    }
    HRESULT get_Ticks(LONG* n) override { return *n = ticks_, S_OK; }
    HRESULT get_TickThread(LONG* id) override { return *id = tickThread_, S_OK; }
    HRESULT CallPartner(LONG a, LONG b, LONG* sum) override {
        if (!partner_) return E_UNEXPECTED;
        com::Variant args[2];
        args[1] = com::Variant::i4(a);
        args[0] = com::Variant::i4(b);
        DISPPARAMS params{args, nullptr, 2, 0};
        com::Variant result;
        HRESULT hr = partner_->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                      nullptr);
        if (FAILED(hr)) return hr;
        *sum = result.lVal;
        return S_OK;
    }
    HRESULT putref_Partner(IDispatch* partner) override {
        if (partner) partner->AddRef();
        if (partner_) partner_->Release();
        partner_ = partner;
        return S_OK;
    }

private:
    static std::u16string toU16(const char* s) { return com::toUtf16(s); }
    static HRESULT badIndex() {
        com::setErrorInfo(GUID_NULL, toU16(kSampleProgId), u"Invalid index.");
        return DISP_E_BADINDEX;
    }

    std::atomic<ULONG> refs_{1};
    LONG value_ = 0;
    std::vector<std::u16string> items_{u"one", u"two", u"three"};
    VARIANT_BOOL enabled_ = VARIANT_FALSE;
    DOUBLE ratio_ = 0.5;
    LONG ticks_ = 0;
    LONG tickThread_ = 0;
    IDispatch* partner_ = nullptr;
};

}  // namespace

ISample* create() { return new Sample; }
long liveObjects() { return live; }

}  // namespace sample
