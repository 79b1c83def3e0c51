#include "activex/control.h"

#include <map>
#include <mutex>

namespace activex {

namespace {

constexpr char kBaseWindowClass[] = "ActiveXControlWindow";

struct WindowClass {
    std::string name;
    WNDPROC superProc;
};

// Each control class gets its own window class, a superclass of one common base class: the
// class's messages reach controlWindowProc, which hands what it leaves to the base's procedure.
// Both procedures live in this layer, so a control library may come and go under them.
WindowClass windowClassFor(REFCLSID clsid) {
    static std::mutex lock;
    static std::map<std::string, WindowClass> classes;
    std::lock_guard hold(lock);
    const std::string name = "ActiveXControl:" + com::formatGuid(clsid);
    if (auto it = classes.find(name); it != classes.end()) return it->second;

    WNDCLASSEXA base{};
    if (!GetClassInfoExA(nullptr, kBaseWindowClass, &base)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = kBaseWindowClass;
        RegisterClassExA(&wc);
        GetClassInfoExA(nullptr, kBaseWindowClass, &base);
    }
    WindowClass entry{name, base.lpfnWndProc};
    WNDCLASSEXA super = base;
    super.cbSize = sizeof super;
    super.lpfnWndProc = controlWindowProc;
    super.lpszClassName = entry.name.c_str();
    super.hInstance = nullptr;
    RegisterClassExA(&super);
    return classes.emplace(name, entry).first->second;
}

RECT toRect(const RECTL& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

// Event arguments.

EventArgs::~EventArgs() {
    for (VARIANT& v : args_) VariantClear(&v);
}

EventArgs& EventArgs::add(VARTYPE vt, void* ref) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.byref = ref;
    args_.push_back(v);
    return *this;
}

EventArgs& EventArgs::i4(LONG value) {
    add(VT_I4, nullptr).args_.back().lVal = value;
    return *this;
}
EventArgs& EventArgs::i2(SHORT value) {
    add(VT_I2, nullptr).args_.back().iVal = value;
    return *this;
}
EventArgs& EventArgs::boolean(bool value) {
    add(VT_BOOL, nullptr).args_.back().boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
}
EventArgs& EventArgs::r8(double value) {
    add(VT_R8, nullptr).args_.back().dblVal = value;
    return *this;
}
EventArgs& EventArgs::text(std::u16string_view value) {
    add(VT_BSTR, nullptr).args_.back().bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return *this;
}
EventArgs& EventArgs::ref(LONG* v) { return add(VT_BYREF | VT_I4, v); }
EventArgs& EventArgs::ref(SHORT* v) { return add(VT_BYREF | VT_I2, v); }
EventArgs& EventArgs::refBool(VARIANT_BOOL* v) { return add(VT_BYREF | VT_BOOL, v); }
EventArgs& EventArgs::ref(BSTR* v) { return add(VT_BYREF | VT_BSTR, v); }
EventArgs& EventArgs::ref(double* v) { return add(VT_BYREF | VT_R8, v); }

DISPPARAMS EventArgs::params() {
    // The reversed block is a shallow copy: the values stay owned by args_.
    reversed_.assign(args_.rbegin(), args_.rend());
    return DISPPARAMS{reversed_.empty() ? nullptr : reversed_.data(), nullptr, static_cast<UINT>(reversed_.size()), 0};
}

// Construction.

ControlBase::ControlBase(const ControlClass& cls)
    : class_(cls), extent_{pixelsToHimetric(100), pixelsToHimetric(100)} {
    if (class_.events)
        eventPoint_ = std::make_unique<com::ConnectionPoint>(*static_cast<IConnectionPointContainer*>(this),
                                                             *class_.events);
    class_.module.objectCreated();
}

ControlBase::~ControlBase() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWL_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    eventPoint_.reset();
    class_.module.objectDestroyed();
}

HRESULT ControlBase::queryStandard(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    void* p = nullptr;
    if (riid == IID_IOleObject) p = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) p = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleInPlaceActiveObject) p = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IOleControl) p = static_cast<IOleControl*>(this);
    else if (riid == IID_IViewObject || riid == IID_IViewObject2 || riid == IID_IViewObjectEx)
        p = static_cast<IViewObjectEx*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistStreamInit) p = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IPersistStorage) p = static_cast<IPersistStorage*>(this);
    else if (riid == IID_IPersistPropertyBag) p = static_cast<IPersistPropertyBag*>(this);
    else if (riid == IID_IQuickActivate) p = static_cast<IQuickActivate*>(this);
    else if (riid == IID_IDataObject) p = static_cast<IDataObject*>(this);
    else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        p = static_cast<IProvideClassInfo2*>(this);
    else if (riid == IID_ISupportErrorInfo) p = static_cast<ISupportErrorInfo*>(this);
    else if (riid == IID_IConnectionPointContainer) p = static_cast<IConnectionPointContainer*>(this);
    *out = p;
    if (!p) return E_NOINTERFACE;
    identity()->AddRef();
    return S_OK;
}

// IOleObject.

HRESULT ControlBase::SetClientSite(IOleClientSite* site) {
    clientSite_ = com::ComPtr<IOleClientSite>(site);
    ambient_.reset();
    if (site) site->QueryInterface(IID_IDispatch, ambient_.putVoid());
    return S_OK;
}

HRESULT ControlBase::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = clientSite_.get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

HRESULT ControlBase::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT ControlBase::Close(DWORD saveOption) {
    com::ComPtr<IUnknown> hold(identity());
    InPlaceDeactivate();
    if (dirty_ && clientSite_ && (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE))
        clientSite_->SaveObject();
    std::vector<OleAdvise> sinks = oleSinks_;
    for (OleAdvise& a : sinks) a.sink->OnClose();
    return S_OK;
}

HRESULT ControlBase::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT ControlBase::InitFromData(IUnknown*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT ControlBase::GetClipboardData(DWORD, IUnknown** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
    // The container's site is taken when none was set before the verb.
    if (!clientSite_ && activeSite) SetClientSite(activeSite);
    com::ComPtr<IUnknown> hold(identity());
    switch (verb) {
        case OLEIVERB_PRIMARY: return doVerbPrimary();
        case OLEIVERB_SHOW: return doVerbShow();
        case OLEIVERB_INPLACEACTIVATE: return doVerbInPlaceActivate();
        case OLEIVERB_UIACTIVATE: return doVerbUIActivate();
        case OLEIVERB_HIDE: return doVerbHide();
        case OLEIVERB_PROPERTIES: return doVerbProperties();
        default: return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return OLE_S_USEREG;
}
HRESULT ControlBase::Update() { return S_OK; }
HRESULT ControlBase::IsUpToDate() { return S_OK; }
HRESULT ControlBase::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = class_.clsid;
    return S_OK;
}
HRESULT ControlBase::GetUserType(DWORD, LPOLESTR* userType) {
    if (userType) *userType = nullptr;
    return OLE_S_USEREG;
}

HRESULT ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    dirty_ = true;
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT ControlBase::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!sink || !connection) return E_POINTER;
    oleSinks_.push_back({nextAdviseCookie_, com::ComPtr<IAdviseSink>(sink)});
    *connection = nextAdviseCookie_++;
    return S_OK;
}

HRESULT ControlBase::Unadvise(DWORD connection) {
    for (auto it = oleSinks_.begin(); it != oleSinks_.end(); ++it)
        if (it->cookie == connection) {
            oleSinks_.erase(it);
            return S_OK;
        }
    return OLE_E_NOCONNECTION;
}

HRESULT ControlBase::EnumAdvise(IEnumSTATDATA** advise) {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = class_.miscStatus;
    return S_OK;
}

HRESULT ControlBase::SetColorScheme(void*) { return E_NOTIMPL; }

// Verbs and in-place activation.

HRESULT ControlBase::doVerbPrimary() {
    bool userMode = true;
    if (SUCCEEDED(ambientUserMode(&userMode)) && !userMode) return doVerbProperties();
    return doVerbInPlaceActivate();
}

HRESULT ControlBase::doVerbShow() { return inPlaceActivate(OLEIVERB_SHOW); }

HRESULT ControlBase::doVerbInPlaceActivate() {
    HRESULT hr = inPlaceActivate(OLEIVERB_INPLACEACTIVATE);
    if (SUCCEEDED(hr)) fireViewChange();
    return hr;
}

HRESULT ControlBase::doVerbUIActivate() { return inPlaceActivate(OLEIVERB_UIACTIVATE); }

HRESULT ControlBase::doVerbHide() {
    UIDeactivate();
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    return S_OK;
}

HRESULT ControlBase::doVerbProperties() {
    com::ComPtr<IOleControlSite> site;
    if (!clientSite_ || FAILED(clientSite_.as(&site))) return E_NOTIMPL;
    return site->ShowPropertyFrame();
}

HRESULT ControlBase::inPlaceActivate(LONG verb) {
    if (!clientSite_) return E_UNEXPECTED;
    if (!inPlaceActive_) {
        com::ComPtr<IOleInPlaceSite> site;
        if (FAILED(clientSite_.as(&site))) return E_FAIL;
        if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
        inPlaceSite_ = site;
        inPlaceActive_ = true;
        site->OnInPlaceActivate();
    }
    if (!inPlaceSite_) return E_FAIL;

    HWND parent = nullptr;
    if (FAILED(inPlaceSite_->GetWindow(&parent)) || !parent) {
        InPlaceDeactivate();
        return E_FAIL;
    }
    com::ComPtr<IOleInPlaceFrame> frame;
    com::ComPtr<IOleInPlaceUIWindow> document;
    RECT pos = posRect_, clip = posRect_;
    OLEINPLACEFRAMEINFO frameInfo{sizeof(OLEINPLACEFRAMEINFO), FALSE, nullptr, nullptr, 0};
    inPlaceSite_->GetWindowContext(frame.put(), document.put(), &pos, &clip, &frameInfo);

    if (!hwnd_) {
        posRect_ = pos;
        WindowClass wc = windowClassFor(class_.clsid);
        superProc_ = wc.superProc;
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        HWND created = CreateWindowExA(0, wc.name.c_str(), "", style, pos.left, pos.top, pos.right - pos.left,
                                       pos.bottom - pos.top, parent, nullptr, nullptr, this);
        if (!created) {
            InPlaceDeactivate();
            return E_FAIL;
        }
    } else {
        SetObjectRects(&pos, &clip);
        ShowWindow(hwnd_, SW_SHOW);
    }

    if (verb == OLEIVERB_UIACTIVATE && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        SetFocus(hwnd_);
        auto* active = static_cast<IOleInPlaceActiveObject*>(this);
        if (frame) frame->SetActiveObject(active, nullptr);
        if (document) document->SetActiveObject(active, nullptr);
    }
    if (clientSite_) clientSite_->ShowObject();
    return S_OK;
}

HRESULT ControlBase::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

HRESULT ControlBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT ControlBase::InPlaceDeactivate() {
    if (!inPlaceActive_) return S_OK;
    com::ComPtr<IUnknown> hold(identity());
    if (uiActive_) UIDeactivate();
    inPlaceActive_ = false;
    if (hwnd_) {
        HWND h = hwnd_;
        DestroyWindow(h);
        hwnd_ = nullptr;
    }
    com::ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ControlBase::UIDeactivate() {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (inPlaceSite_) {
        com::ComPtr<IOleInPlaceFrame> frame;
        com::ComPtr<IOleInPlaceUIWindow> document;
        RECT pos, clip;
        OLEINPLACEFRAMEINFO frameInfo{sizeof(OLEINPLACEFRAMEINFO), FALSE, nullptr, nullptr, 0};
        if (SUCCEEDED(inPlaceSite_->GetWindowContext(frame.put(), document.put(), &pos, &clip, &frameInfo))) {
            if (document) document->SetActiveObject(nullptr, nullptr);
            if (frame) frame->SetActiveObject(nullptr, nullptr);
        }
        inPlaceSite_->OnUIDeactivate(FALSE);
    }
    return S_OK;
}

HRESULT ControlBase::SetObjectRects(LPCRECT posRect, LPCRECT) {
    if (!posRect) return E_POINTER;
    posRect_ = *posRect;
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, posRect_.left, posRect_.top, posRect_.right - posRect_.left,
                     posRect_.bottom - posRect_.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT ControlBase::ReactivateAndUndo() { return E_NOTIMPL; }
HRESULT ControlBase::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT ControlBase::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT ControlBase::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT ControlBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT ControlBase::EnableModeless(BOOL) { return S_OK; }

// IOleControl.

HRESULT ControlBase::GetControlInfo(CONTROLINFO*) { return E_NOTIMPL; }
HRESULT ControlBase::OnMnemonic(LPMSG) { return E_NOTIMPL; }
HRESULT ControlBase::OnAmbientPropertyChange(DISPID id) {
    onAmbientChange(id);
    return S_OK;
}
HRESULT ControlBase::FreezeEvents(BOOL freeze) {
    freeze ? ++freezeCount_ : (freezeCount_ > 0 ? --freezeCount_ : 0);
    return S_OK;
}

void ControlBase::onAmbientChange(DISPID id) {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) fireViewChange();
}

// Viewing.

HRESULT ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL,
                          ContinueDrawing, ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!hdc || !bounds) return E_INVALIDARG;
    draw(hdc, toRect(*bounds));
    return S_OK;
}

HRESULT ControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, void** colorSet) {
    if (colorSet) *colorSet = nullptr;
    return E_NOTIMPL;
}
HRESULT ControlBase::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT ControlBase::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT ControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = com::ComPtr<IAdviseSink>(sink);
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

HRESULT ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = viewAspects_;
    if (flags) *flags = viewFlags_;
    if (sink) {
        *sink = viewSink_.get();
        if (*sink) (*sink)->AddRef();
    }
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

HRESULT ControlBase::GetRect(DWORD aspect, LPRECTL rect) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!rect) return E_POINTER;
    *rect = RECTL{0, 0, extent_.cx, extent_.cy};
    return S_OK;
}

HRESULT ControlBase::GetViewStatus(DWORD* status) {
    if (!status) return E_POINTER;
    *status = class_.viewStatus;
    return S_OK;
}

HRESULT ControlBase::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* result) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!bounds || !result) return E_POINTER;
    *result = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT ControlBase::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* result) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!bounds || !location || !result) return E_POINTER;
    RECT common;
    *result = IntersectRect(&common, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT ControlBase::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, void*, LPSIZEL) { return E_NOTIMPL; }

bool ControlBase::drawsNow() const { return !(class_.miscStatus & OLEMISC_INVISIBLEATRUNTIME) || designMode(); }

void ControlBase::draw(HDC hdc, const RECT& bounds) {
    if (drawsNow()) onDraw(hdc, bounds);
}

void ControlBase::onDraw(HDC, const RECT&) {}

void ControlBase::fireViewChange() {
    if (inPlaceActive_ && hwnd_)
        InvalidateRect(hwnd_, nullptr, TRUE);
    else if (com::ComPtr<IAdviseSink> sink = viewSink_)
        sink->OnViewChange(DVASPECT_CONTENT, -1);
}

void ControlBase::redrawNow() {
    if (!inPlaceActive_ || !hwnd_) {
        fireViewChange();
        return;
    }
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    draw(dc, RECT{0, 0, posRect_.right - posRect_.left, posRect_.bottom - posRect_.top});
    ReleaseDC(hwnd_, dc);
}

// Position and size.

void ControlBase::setExtentPixels(LONG width, LONG height) { extent_ = pixelsToHimetric(SIZE{width, height}); }

void ControlBase::reportPosRect(const RECT& rect) {
    SetObjectRects(&rect, &rect);
    if (inPlaceActive_ && inPlaceSite_) inPlaceSite_->OnPosRectChange(&rect);
}

int ControlBase::keepSize(const RECT& rect) {
    const SIZE size = extentPixels();
    if (rect.right - rect.left == size.cx && rect.bottom - rect.top == size.cy) return 1;
    reportPosRect(RECT{rect.left, rect.top, rect.left + size.cx, rect.top + size.cy});
    return 0;
}

HRESULT ControlBase::resizeToPixels(LONG width, LONG height) {
    const SIZE now = extentPixels();
    if (now.cx == width && now.cy == height) return S_OK;
    SIZEL size = pixelsToHimetric(SIZE{width, height});
    HRESULT hr = static_cast<IOleObject*>(this)->SetExtent(DVASPECT_CONTENT, &size);
    if (FAILED(hr)) return hr;
    reportPosRect(RECT{posRect_.left, posRect_.top, posRect_.left + width, posRect_.top + height});
    return S_OK;
}

// Ambient properties.

HRESULT ControlBase::ambientProperty(DISPID id, VARIANT* value) const {
    if (!value) return E_POINTER;
    VariantClear(value);
    if (!ambient_) return E_FAIL;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return ambient_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT ControlBase::ambientUserMode(bool* userMode) const {
    com::Variant v;
    HRESULT hr = ambientProperty(DISPID_AMBIENT_USERMODE, &v);
    if (FAILED(hr)) return hr;
    if (v.vt != VT_BOOL) return DISP_E_TYPEMISMATCH;
    *userMode = v.boolVal != VARIANT_FALSE;
    return S_OK;
}

bool ControlBase::designMode() const {
    bool userMode = true;
    return SUCCEEDED(ambientUserMode(&userMode)) && !userMode;
}

// Errors and events.

std::u16string ControlBase::progId() const {
    LPOLESTR registered = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(class_.clsid, &registered)) && registered) {
        std::u16string text(registered);
        CoTaskMemFree(registered);
        return text;
    }
    return com::toUtf16(class_.progId ? class_.progId : "");
}

HRESULT ControlBase::reportError(std::u16string_view description, HRESULT hr, std::u16string_view helpFile,
                                 DWORD helpContext) const {
    com::setErrorInfo(GUID_NULL, progId(), description, helpFile, helpContext);
    return hr;
}

HRESULT ControlBase::fireEvent(DISPID id, EventArgs& args) {
    if (!eventPoint_) return S_OK;
    com::ComPtr<IUnknown> hold(identity());
    DISPPARAMS params = args.params();
    return eventPoint_->fire(id, &params);
}

HRESULT ControlBase::fireEvent(DISPID id) {
    EventArgs none;
    return fireEvent(id, none);
}

std::size_t ControlBase::eventSinkCount() const { return eventPoint_ ? eventPoint_->connectionCount() : 0; }

// Quick activation, data, class information, error support, connection points.

HRESULT ControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) return E_INVALIDARG;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    DWORD cookie = 0;
    if (eventPoint_ && container->pUnkEventSink) eventPoint_->Advise(container->pUnkEventSink, &cookie);
    control->dwMiscStatus = class_.miscStatus;
    control->dwViewStatus = class_.viewStatus;
    control->dwEventCookie = cookie;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    return S_OK;
}

HRESULT ControlBase::SetContentExtent(LPSIZEL size) {
    return static_cast<IOleObject*>(this)->SetExtent(DVASPECT_CONTENT, size);
}

HRESULT ControlBase::GetContentExtent(LPSIZEL size) {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT ControlBase::GetData(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT ControlBase::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT ControlBase::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }
HRESULT ControlBase::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) { return E_NOTIMPL; }
HRESULT ControlBase::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
HRESULT ControlBase::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
}
HRESULT ControlBase::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* connection) {
    if (connection) *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT ControlBase::DUnadvise(DWORD) { return OLE_E_NOCONNECTION; }
HRESULT ControlBase::EnumDAdvise(IEnumSTATDATA** advise) {
    if (advise) *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT ControlBase::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return com::typeInfoOf(class_.coclass, info);
}

HRESULT ControlBase::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    if (!class_.events) return E_FAIL;
    *guid = *class_.events;
    return S_OK;
}

HRESULT ControlBase::InterfaceSupportsErrorInfo(REFIID riid) { return riid == class_.dual.guid ? S_OK : S_FALSE; }

HRESULT ControlBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
    std::vector<com::ConnectionPoint*> list;
    if (eventPoint_) list.push_back(eventPoint_.get());
    return com::enumConnectionPoints(list, points);
}

HRESULT ControlBase::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    std::vector<com::ConnectionPoint*> list;
    if (eventPoint_) list.push_back(eventPoint_.get());
    return com::findConnectionPoint(list, riid, point);
}

// The window.

bool ControlBase::onMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT ControlBase::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client;
            GetClientRect(hwnd, &client);
            if (dc) draw(dc, client);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            com::ComPtr<IOleControlSite> site;
            if (clientSite_ && SUCCEEDED(clientSite_.as(&site))) site->OnFocus(msg == WM_SETFOCUS);
            break;
        }
        case WM_MOUSEACTIVATE:
            if (inPlaceActive_ && !uiActive_ && !(class_.miscStatus & OLEMISC_NOUIACTIVATE))
                inPlaceActivate(OLEIVERB_UIACTIVATE);
            break;
        default:
            break;
    }
    LRESULT result = 0;
    if (onMessage(msg, wParam, lParam, &result)) return result;
    return CallWindowProcA(superProc_, hwnd, msg, wParam, lParam);
}

LRESULT controlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<ControlBase*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(control));
        control->hwnd_ = hwnd;
    }
    auto* control = reinterpret_cast<ControlBase*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
    if (!control) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWL_USERDATA, 0);
        if (control->hwnd_ == hwnd) control->hwnd_ = nullptr;
        return CallWindowProcA(control->superProc_, hwnd, msg, wParam, lParam);
    }
    return control->handleMessage(msg, wParam, lParam);
}

}  // namespace activex
