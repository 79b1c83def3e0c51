#include "sample_control.h"

#include "activex/control.h"

namespace {

const com::TypeDesc kISampleControl = com::dualInterface<ISampleControl>(
    "ISampleControl", "ISampleControl Interface",
    {
        com::propget<&ISampleControl::get_Value>("Value", 1, {}, "property Value"),
        com::propput<&ISampleControl::put_Value>("Value", 1, {{"Value"}}, "property Value"),
        com::propget<&ISampleControl::get_Caption>("Caption", 2, {}, "property Caption"),
        com::propput<&ISampleControl::put_Caption>("Caption", 2, {{"Caption"}}, "property Caption"),
        com::propget<&ISampleControl::get_Color>("Color", 3, {}, "property Color"),
        com::propput<&ISampleControl::put_Color>("Color", 3, {{"Color"}}, "property Color"),
        com::method<&ISampleControl::FireChanged>("FireChanged", 4, {{"Value"}}, "method FireChanged"),
        com::method<&ISampleControl::FireClosing>("FireClosing", 5, {{"Cancel", VT_BYREF | VT_BOOL}},
                                                  "method FireClosing"),
        com::method<&ISampleControl::FireRename>("FireRename", 6, {{"Name"}}, "method FireRename"),
        com::propget<&ISampleControl::get_Window>("Window", 7, {}, "property Window"),
    });

const com::TypeDesc kISampleControlEvents = com::dispInterface(
    "_ISampleControlEvents", DIID_ISampleControlEvents, "_ISampleControlEvents Interface",
    {
        com::dispMethod("Changed", kChangedEvent, {{"Value", VT_I4}}, "method Changed"),
        com::dispMethod("Closing", kClosingEvent, {{"Cancel", VT_BOOL | VT_BYREF}}, "method Closing"),
        com::dispMethod("Rename", kRenameEvent, {{"Name", VT_BSTR | VT_BYREF}}, "method Rename"),
        com::dispMethod("Click", kClickEvent, {{"X", VT_I4}, {"Y", VT_I4}}, "method Click"),
    });

const com::TypeDesc kSampleControlClass =
    com::coClass("SampleControl", CLSID_SampleControl, "SampleControl Class",
                 {{&kISampleControl, IMPLTYPEFLAG_FDEFAULT},
                  {&kISampleControlEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kSampleInvisibleClass =
    com::coClass("SampleInvisible", CLSID_SampleInvisible, "SampleInvisible Class",
                 {{&kISampleControl, IMPLTYPEFLAG_FDEFAULT},
                  {&kISampleControlEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const com::TypeDesc kSampleQuietClass = com::coClass("SampleQuiet", CLSID_SampleQuiet, "SampleQuiet Class",
                                                     {{&kISampleControl, IMPLTYPEFLAG_FDEFAULT}},
                                                     TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const com::TypeLibDesc kSampleLib{"SampleControlLib", LIBID_SampleControlLib, 1, 0, "Sample Control 1.0 Type Library",
                                  {&kSampleControlClass, &kSampleInvisibleClass, &kSampleQuietClass, &kISampleControl,
                                   &kISampleControlEvents}};

extern activex::Module module;

std::vector<activex::PropertyEntry> sampleProperties() {
    return {activex::extentWidthEntry(), activex::extentHeightEntry(),
            activex::propertyEntry("Value", 1, VT_I4), activex::propertyEntry("Caption", 2, VT_BSTR)};
}

const activex::ControlClass kVisibleClass{module,       CLSID_SampleControl, kSampleProgId,
                                          kSampleControlClass, kISampleControl, &DIID_ISampleControlEvents,
                                          kSampleMisc,  sampleProperties()};
const activex::ControlClass kInvisibleClass{module,        CLSID_SampleInvisible, kInvisibleProgId,
                                            kSampleInvisibleClass, kISampleControl, &DIID_ISampleControlEvents,
                                            kInvisibleMisc, sampleProperties()};

// Without an event interface.
const activex::ControlClass kQuietClass{module,      CLSID_SampleQuiet, kQuietProgId, kSampleQuietClass,
                                        kISampleControl, nullptr,         kSampleMisc,  sampleProperties()};

class SampleControl : public activex::Control<ISampleControl> {
public:
    explicit SampleControl(const activex::ControlClass& cls) : Control(cls) { setExtentPixels(64, 24); }

    HRESULT get_Value(LONG* v) override { return *v = value_, S_OK; }
    HRESULT put_Value(LONG v) override {
        if (v < 0 || v > 100) return reportError(kSampleRangeError);
        value_ = v;
        setDirty(true);
        redrawNow();
        return S_OK;
    }
    HRESULT get_Caption(BSTR* text) override {
        *text = SysAllocStringLen(caption_.data(), static_cast<UINT>(caption_.size()));
        return S_OK;
    }
    HRESULT put_Caption(BSTR text) override {
        caption_ = std::u16string(com::view(text));
        return S_OK;
    }
    HRESULT get_Color(ULONG* c) override { return *c = color_, S_OK; }
    HRESULT put_Color(ULONG c) override {
        color_ = c;
        redrawNow();
        return S_OK;
    }
    HRESULT FireChanged(LONG v, LONG* result) override {
        activex::EventArgs args;
        args.i4(v);
        *result = fireEvent(kChangedEvent, args);
        return S_OK;
    }
    HRESULT FireClosing(VARIANT_BOOL* cancel) override {
        activex::EventArgs args;
        args.refBool(cancel);
        return fireEvent(kClosingEvent, args);
    }
    HRESULT FireRename(BSTR* name) override {
        activex::EventArgs args;
        args.ref(name);
        return fireEvent(kRenameEvent, args);
    }
    HRESULT get_Window(LONG* hwnd) override {
        *hwnd = static_cast<LONG>(reinterpret_cast<LONG_PTR>(window()));
        return S_OK;
    }

    HRESULT SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        SIZE px = activex::himetricToPixels(*size);
        if (px.cx < kSampleMinWidth) px.cx = kSampleMinWidth;
        SIZEL adjusted = activex::pixelsToHimetric(px);
        return ControlBase::SetExtent(aspect, &adjusted);
    }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override {
        COLORREF colour = 0;
        OleTranslateColor(color_, nullptr, &colour);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(hdc, &bounds, brush);
        DeleteObject(brush);
    }
    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        if (msg == WM_ERASEBKGND) {
            *result = 0;
            return true;
        }
        if (msg == WM_MOVE) {
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            keepSize(RECT{x, y, x, y});
            return false;
        }
        if (msg == WM_LBUTTONDOWN) {
            activex::EventArgs args;
            args.i4(GET_X_LPARAM(lParam)).i4(GET_Y_LPARAM(lParam));
            fireEvent(kClickEvent, args);
            *result = 0;
            return true;
        }
        return false;
    }

private:
    LONG value_ = 50;
    std::u16string caption_ = u"Sample";
    ULONG color_ = 0x000000FF;
};

// Stands for the payment controls: shown only at design time, as a raised box.
class SampleInvisible final : public SampleControl {
public:
    static constexpr const CLSID& kClsid = CLSID_SampleInvisible;
    SampleInvisible() : SampleControl(kInvisibleClass) { setExtentPixels(28, 28); }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override {
        RECT r = bounds;
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
};

class SampleVisible final : public SampleControl {
public:
    static constexpr const CLSID& kClsid = CLSID_SampleControl;
    SampleVisible() : SampleControl(kVisibleClass) {}
};

class SampleQuiet final : public SampleControl {
public:
    static constexpr const CLSID& kClsid = CLSID_SampleQuiet;
    SampleQuiet() : SampleControl(kQuietClass) {}
};

activex::RegistryScript visibleScript() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_SampleControl);
    r.className = "SampleControl Class";
    r.progId = kSampleProgId;
    r.independentProgId = kSampleIndependentProgId;
    r.appId = kSampleAppId;
    r.toolboxBitmap = 102;
    r.miscStatus = kSampleMisc;
    r.typeLib = com::formatGuid(LIBID_SampleControlLib);
    r.version = "1.0";
    return activex::controlScript(r);
}

activex::RegistryScript invisibleScript() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_SampleInvisible);
    r.className = "SampleInvisible Class";
    r.progId = kInvisibleProgId;
    r.independentProgId = kInvisibleIndependentProgId;
    r.insertable = true;
    r.miscStatus = kInvisibleMisc;
    r.typeLib = com::formatGuid(LIBID_SampleControlLib);
    return activex::controlScript(r);
}

activex::RegistryScript quietScript() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_SampleQuiet);
    r.className = "SampleQuiet Class";
    r.progId = kQuietProgId;
    r.independentProgId = "AxTest.SampleQuiet";
    r.miscStatus = kSampleMisc;
    return activex::controlScript(r);
}

activex::Module module(&kSampleLib,
                       {activex::classEntry<SampleVisible>(visibleScript()),
                        activex::classEntry<SampleInvisible>(invisibleScript()),
                        activex::classEntry<SampleQuiet>(quietScript())},
                       {activex::appIdScript(kSampleAppId, "SampleControl", "libactivex_sample_control.so")});

}  // namespace

ACTIVEX_SERVER_ENTRY_POINTS(module)
