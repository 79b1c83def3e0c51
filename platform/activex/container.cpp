#include "activex/container.h"

#include <atomic>

namespace activex {

namespace {
constexpr OLECHAR kVisibleName[] = u"Visible";

bool sameName(LPCOLESTR a, LPCOLESTR b) {
    for (;; ++a, ++b) {
        char16_t x = *a >= u'A' && *a <= u'Z' ? static_cast<char16_t>(*a + 32) : *a;
        char16_t y = *b >= u'A' && *b <= u'Z' ? static_cast<char16_t>(*b + 32) : *b;
        if (x != y) return false;
        if (!x) return true;
    }
}
}  // namespace

// The extender: Visible here, the rest forwarded to the control's own dispatch. Its references
// are the site's.
class ControlSite::Extender final : public IDispatch {
public:
    explicit Extender(ControlSite& site) : site_(site) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        return com::queryOne<IDispatch>(this, riid, riid == IID_IDispatch, out);
    }
    ULONG AddRef() override { return site_.AddRef(); }
    ULONG Release() override { return site_.Release(); }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        if (count == 1 && sameName(names[0], kVisibleName)) {
            ids[0] = kExtenderVisible;
            return S_OK;
        }
        com::ComPtr<IDispatch> inner = site_.query<IDispatch>();
        return inner ? inner->GetIDsOfNames(riid, names, count, lcid, ids) : DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override {
        if (id != kExtenderVisible) {
            com::ComPtr<IDispatch> inner = site_.query<IDispatch>();
            return inner ? inner->Invoke(id, riid, lcid, flags, params, result, excepInfo, argErr)
                         : DISP_E_MEMBERNOTFOUND;
        }
        if (!params) return E_INVALIDARG;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            com::Variant v;
            if (FAILED(VariantChangeType(&v, &params->rgvarg[0], 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
            site_.setVisible(v.boolVal != VARIANT_FALSE);
            return S_OK;
        }
        if (flags & DISPATCH_PROPERTYGET) {
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            if (result) {
                VariantClear(result);
                result->vt = VT_BOOL;
                result->boolVal = site_.visible() ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ControlSite& site_;
};

com::ComPtr<ControlSite> ControlSite::make() { return com::ComPtr<ControlSite>(new ControlSite, false); }

ControlSite::ControlSite() : extender_(new Extender(*this)) {
    ambients_[DISPID_AMBIENT_USERMODE] = com::Variant::boolean(true);
    ambients_[DISPID_AMBIENT_UIDEAD] = com::Variant::boolean(false);
    ambients_[DISPID_AMBIENT_SHOWGRABHANDLES] = com::Variant::boolean(false);
    ambients_[DISPID_AMBIENT_SHOWHATCHING] = com::Variant::boolean(false);
    ambients_[DISPID_AMBIENT_MESSAGEREFLECT] = com::Variant::boolean(false);
    ambients_[DISPID_AMBIENT_LOCALEID] = com::Variant::i4(static_cast<LONG>(LOCALE_USER_DEFAULT));
    ambients_[DISPID_AMBIENT_DISPLAYNAME] = com::Variant::text("");
}

ControlSite::~ControlSite() {
    release();
    delete extender_;
}

void ControlSite::release() {
    if (com::ComPtr<IViewObject> view = query<IViewObject>()) view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
    object_.reset();
    control_.reset();
}

HRESULT ControlSite::create(REFCLSID clsid) {
    com::ComPtr<IUnknown> made;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, made.putVoid());
    if (FAILED(hr)) return hr;
    return attach(made.get());
}

HRESULT ControlSite::attach(IUnknown* control) {
    if (!control) return E_POINTER;
    control_ = com::ComPtr<IUnknown>(control);
    HRESULT hr = control_.as(&object_);
    if (FAILED(hr)) {
        control_.reset();
        return hr;
    }
    object_->GetMiscStatus(DVASPECT_CONTENT, &misc_);
    const bool siteFirst = misc_ & OLEMISC_SETCLIENTSITEFIRST;
    if (siteFirst) object_->SetClientSite(this);
    if (com::ComPtr<IPersistStreamInit> persist = query<IPersistStreamInit>()) persist->InitNew();
    if (!siteFirst) object_->SetClientSite(this);
    if (com::ComPtr<IViewObject> view = query<IViewObject>())
        view->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(this));
    return S_OK;
}

HRESULT ControlSite::setExtentPixels(LONG width, LONG height) {
    if (!object_) return E_UNEXPECTED;
    SIZEL size{MulDiv(width, 2540, 96), MulDiv(height, 2540, 96)};
    return object_->SetExtent(DVASPECT_CONTENT, &size);
}

SIZE ControlSite::extentPixels() const {
    SIZEL size{0, 0};
    if (object_) object_->GetExtent(DVASPECT_CONTENT, &size);
    return SIZE{MulDiv(size.cx, 96, 2540), MulDiv(size.cy, 96, 2540)};
}

HRESULT ControlSite::activate(HWND parent, const RECT& pos, LONG verb) {
    if (!object_) return E_UNEXPECTED;
    parent_ = parent;
    pos_ = pos;
    if ((misc_ & OLEMISC_INVISIBLEATRUNTIME) && userMode()) return S_FALSE;
    return object_->DoVerb(verb, nullptr, this, 0, parent_, &pos_);
}

HRESULT ControlSite::doVerb(LONG verb) {
    if (!object_) return E_UNEXPECTED;
    return object_->DoVerb(verb, nullptr, this, 0, parent_, &pos_);
}

HRESULT ControlSite::deactivate() {
    com::ComPtr<IOleInPlaceObject> inPlace = query<IOleInPlaceObject>();
    return inPlace ? inPlace->InPlaceDeactivate() : E_UNEXPECTED;
}

HRESULT ControlSite::move(const RECT& pos) {
    pos_ = pos;
    com::ComPtr<IOleInPlaceObject> inPlace = query<IOleInPlaceObject>();
    return inPlace ? inPlace->SetObjectRects(&pos_, &pos_) : E_UNEXPECTED;
}

HRESULT ControlSite::close() {
    if (!object_) return S_OK;
    com::ComPtr<ControlSite> hold(this);
    com::ComPtr<IOleObject> object = object_;
    HRESULT hr = object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    release();
    return hr;
}

HWND ControlSite::controlWindow() const {
    com::ComPtr<IOleInPlaceObject> inPlace = query<IOleInPlaceObject>();
    HWND hwnd = nullptr;
    if (inPlace) inPlace->GetWindow(&hwnd);
    return hwnd;
}

void ControlSite::setAmbient(DISPID id, const VARIANT& value) {
    com::Variant v;
    VariantCopy(&v, &value);
    ambients_[id] = v;
    if (com::ComPtr<IOleControl> control = query<IOleControl>()) control->OnAmbientPropertyChange(id);
}

void ControlSite::setUserMode(bool userMode) { setAmbient(DISPID_AMBIENT_USERMODE, com::Variant::boolean(userMode)); }

bool ControlSite::userMode() const {
    auto it = ambients_.find(DISPID_AMBIENT_USERMODE);
    return it == ambients_.end() || it->second.boolVal != VARIANT_FALSE;
}

void ControlSite::setVisible(bool visible) {
    visible_ = visible;
    if (HWND hwnd = controlWindow()) ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

IDispatch* ControlSite::extender() { return extender_; }

// IUnknown.

HRESULT ControlSite::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    void* p = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) p = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) p = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleControlSite) p = static_cast<IOleControlSite*>(this);
    else if (riid == IID_IAdviseSink) p = static_cast<IAdviseSink*>(this);
    else if (riid == IID_IDispatch) p = static_cast<IDispatch*>(this);
    *out = p;
    if (!p) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ControlSite::AddRef() { return ++refs_; }

ULONG ControlSite::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

// IOleClientSite.

HRESULT ControlSite::SaveObject() { return S_OK; }
HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT ControlSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT ControlSite::ShowObject() { return S_OK; }
HRESULT ControlSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// IOleInPlaceSite.

HRESULT ControlSite::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = parent_;
    return parent_ ? S_OK : E_FAIL;
}
HRESULT ControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
HRESULT ControlSite::CanInPlaceActivate() { return parent_ ? S_OK : S_FALSE; }
HRESULT ControlSite::OnInPlaceActivate() {
    ++inPlaceActivations_;
    inPlaceActive_ = true;
    return S_OK;
}
HRESULT ControlSite::OnUIActivate() {
    ++uiActivations_;
    return S_OK;
}
HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT posRect,
                                      LPRECT clipRect, OLEINPLACEFRAMEINFO* frameInfo) {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (posRect) *posRect = pos_;
    if (clipRect) *clipRect = pos_;
    if (frameInfo) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = parent_;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}
HRESULT ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT ControlSite::OnInPlaceDeactivate() {
    ++inPlaceDeactivations_;
    inPlaceActive_ = false;
    return S_OK;
}
HRESULT ControlSite::DiscardUndoState() { return E_NOTIMPL; }
HRESULT ControlSite::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT ControlSite::OnPosRectChange(LPCRECT posRect) {
    if (!posRect) return E_POINTER;
    posRectChanges_.push_back(*posRect);
    pos_ = *posRect;
    com::ComPtr<IOleInPlaceObject> inPlace = query<IOleInPlaceObject>();
    if (inPlace) inPlace->SetObjectRects(&pos_, &pos_);
    if (posRectListener_) posRectListener_(pos_);
    return S_OK;
}

// IOleControlSite.

HRESULT ControlSite::OnControlInfoChanged() { return S_OK; }
HRESULT ControlSite::LockInPlaceActive(BOOL) { return S_OK; }
HRESULT ControlSite::GetExtendedControl(IDispatch** extended) {
    if (!extended) return E_POINTER;
    *extended = extender_;
    extender_->AddRef();
    return S_OK;
}
HRESULT ControlSite::TransformCoords(POINTL*, void*, DWORD) { return E_NOTIMPL; }
HRESULT ControlSite::TranslateAccelerator(LPMSG, DWORD) { return S_FALSE; }
HRESULT ControlSite::OnFocus(BOOL) { return S_OK; }
HRESULT ControlSite::ShowPropertyFrame() {
    ++propertyFrames_;
    return S_OK;
}

// IAdviseSink.

void ControlSite::OnDataChange(FORMATETC*, STGMEDIUM*) {}
void ControlSite::OnViewChange(DWORD, LONG) { ++viewChanges_; }
void ControlSite::OnRename(IMoniker*) {}
void ControlSite::OnSave() {}
void ControlSite::OnClose() {}

// IDispatch: ambient properties.

HRESULT ControlSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}
HRESULT ControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}
HRESULT ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    auto it = ambients_.find(id);
    if (it == ambients_.end()) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    VariantClear(result);
    return VariantCopy(result, &it->second);
}

}  // namespace activex
