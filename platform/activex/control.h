#pragma once
// The control base: every standard control interface over one object state (extent, position,
// sites, window), driven by a static description of the class.
//
// A control class derives from activex::Control<I> (I its dual interface), gives the base its
// ControlClass, and overrides what it needs: onDraw for its look, onMessage for its message map,
// SetExtent for a size rule, the verb hooks and InPlaceDeactivate for work tied to activation.
//
// Stream layout (IPersistStreamInit, and the "Contents" stream of IPersistStorage), little-endian:
//   4 bytes   layout version, 1
//   then for each property map entry, in map order, no names:
//   2 bytes   the entry's VARTYPE
//   value     VT_I1, VT_UI1: 1 byte; VT_I2, VT_UI2, VT_BOOL: 2 bytes; VT_I4, VT_UI4, VT_INT, VT_UINT,
//             VT_R4, VT_ERROR: 4 bytes; VT_I8, VT_UI8, VT_R8, VT_DATE: 8 bytes;
//             VT_BSTR: 4-byte count of UTF-16 code units, then the code units, 2 bytes each.
// A property bag holds the same entries under their map names.

#include "activex/module.h"
#include "activex/ole.h"
#include "gdi/gdi.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace activex {

// HIMETRIC (0.01 mm) against screen pixels at 96 dpi; MulDiv rounds, so pixels round-trip.
constexpr int kPixelsPerInch = 96;
constexpr int kHimetricPerInch = 2540;
inline LONG pixelsToHimetric(LONG pixels) { return MulDiv(pixels, kHimetricPerInch, kPixelsPerInch); }
inline LONG himetricToPixels(LONG himetric) { return MulDiv(himetric, kPixelsPerInch, kHimetricPerInch); }
inline SIZEL pixelsToHimetric(SIZE s) { return SIZEL{pixelsToHimetric(s.cx), pixelsToHimetric(s.cy)}; }
inline SIZE himetricToPixels(SIZEL s) { return SIZE{himetricToPixels(s.cx), himetricToPixels(s.cy)}; }
// The widest and tallest a control can be: window sizes travel in 16-bit words.
constexpr LONG kLargestSidePixels = 32767;

// One persisted property: the extent's width or height (VT_UI4, HIMETRIC), or a property of the
// dual interface, read and written through its own get and put. A withheld entry keeps its place
// in the layout for a property that must never be stored: it is saved empty and its stored value
// is skipped on loading.
struct PropertyEntry {
    enum Kind { ExtentWidth, ExtentHeight, Dispatch, Withheld };
    const char* name;
    Kind kind;
    DISPID dispid;
    VARTYPE vt;
};
inline PropertyEntry extentWidthEntry(const char* name = "_cx") {
    return {name, PropertyEntry::ExtentWidth, 0, VT_UI4};
}
inline PropertyEntry extentHeightEntry(const char* name = "_cy") {
    return {name, PropertyEntry::ExtentHeight, 0, VT_UI4};
}
inline PropertyEntry propertyEntry(const char* name, DISPID dispid, VARTYPE vt) {
    return {name, PropertyEntry::Dispatch, dispid, vt};
}
inline PropertyEntry withheldEntry(const char* name, VARTYPE vt) {
    return {name, PropertyEntry::Withheld, 0, vt};
}

struct ControlClass {
    Module& module;
    const CLSID& clsid;
    const char* progId;              // the error source when the registry names none
    const com::TypeDesc& coclass;
    const com::TypeDesc& dual;
    const IID* events;               // the event dispinterface; nullptr: no connection point
    DWORD miscStatus;
    std::vector<PropertyEntry> properties;
    DWORD viewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
};

// The arguments of one event, in declaration order. By-value arguments are copied into the
// call; by-reference ones point at the caller's variables, so every sink sees what the sinks
// before it left there.
class EventArgs {
public:
    EventArgs() = default;
    EventArgs(const EventArgs&) = delete;
    EventArgs& operator=(const EventArgs&) = delete;
    ~EventArgs();

    EventArgs& i4(LONG v);
    EventArgs& i2(SHORT v);
    EventArgs& boolean(bool v);
    EventArgs& r8(double v);
    EventArgs& text(std::u16string_view v);  // a copy, freed after the call
    EventArgs& ref(LONG* v);
    EventArgs& ref(SHORT* v);
    EventArgs& refBool(VARIANT_BOOL* v);
    EventArgs& ref(BSTR* v);
    EventArgs& ref(double* v);

    // Arguments in the order IDispatch::Invoke wants them: the last one first.
    DISPPARAMS params();

private:
    EventArgs& add(VARTYPE vt, void* ref);
    std::vector<VARIANT> args_;
    std::vector<VARIANT> reversed_;
};

LRESULT controlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class ControlBase : public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IPersistStreamInit,
                    public IPersistStorage,
                    public IPersistPropertyBag,
                    public IQuickActivate,
                    public IDataObject,
                    public IProvideClassInfo2,
                    public ISupportErrorInfo,
                    public IConnectionPointContainer {
public:
    explicit ControlBase(const ControlClass& cls);
    virtual ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override;
    HRESULT GetClientSite(IOleClientSite** site) override;
    HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) override;
    HRESULT Close(DWORD saveOption) override;
    HRESULT SetMoniker(DWORD which, IMoniker* moniker) override;
    HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT InitFromData(IUnknown* data, BOOL creation, DWORD reserved) override;
    HRESULT GetClipboardData(DWORD reserved, IUnknown** data) override;
    HRESULT DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                   LPCRECT posRect) override;
    HRESULT EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT Update() override;
    HRESULT IsUpToDate() override;
    HRESULT GetUserClassID(CLSID* clsid) override;
    HRESULT GetUserType(DWORD form, LPOLESTR* userType) override;
    // The standard SetExtent stores the size (HIMETRIC) as given.
    HRESULT SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT Unadvise(DWORD connection) override;
    HRESULT EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT SetColorScheme(void* palette) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT GetWindow(HWND* hwnd) override;
    HRESULT ContextSensitiveHelp(BOOL enterMode) override;
    // Leaves UI activation, destroys the window and tells the site.
    HRESULT InPlaceDeactivate() override;
    HRESULT UIDeactivate() override;
    // Stores the position rectangle and moves the window to it.
    HRESULT SetObjectRects(LPCRECT posRect, LPCRECT clipRect) override;
    HRESULT ReactivateAndUndo() override;
    HRESULT TranslateAccelerator(LPMSG msg) override;
    HRESULT OnFrameWindowActivate(BOOL activate) override;
    HRESULT OnDocWindowActivate(BOOL activate) override;
    HRESULT ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    HRESULT EnableModeless(BOOL enable) override;

    // IOleControl
    HRESULT GetControlInfo(CONTROLINFO* info) override;
    HRESULT OnMnemonic(LPMSG msg) override;
    HRESULT OnAmbientPropertyChange(DISPID id) override;
    HRESULT FreezeEvents(BOOL freeze) override;

    // IViewObjectEx
    HRESULT Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDevice, HDC hdc,
                 LPCRECTL bounds, LPCRECTL windowBounds, ContinueDrawing keepGoing, ULONG_PTR argument) override;
    HRESULT GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDevice,
                        void** colorSet) override;
    HRESULT Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    HRESULT Unfreeze(DWORD freeze) override;
    HRESULT SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    HRESULT GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    HRESULT GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;
    HRESULT GetRect(DWORD aspect, LPRECTL rect) override;
    HRESULT GetViewStatus(DWORD* status) override;
    HRESULT QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* result) override;
    HRESULT QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint, DWORD* result) override;
    HRESULT GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, HDC targetDevice, void* extentInfo,
                             LPSIZEL size) override;

    // IPersist*
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT InitNew() override;
    HRESULT InitNew(IStorage* storage) override;
    HRESULT Load(IStorage* storage) override;
    HRESULT Save(IStorage* storage, BOOL sameAsLoad) override;
    HRESULT SaveCompleted(IStorage* storage) override;
    HRESULT HandsOffStorage() override;
    HRESULT Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

    // IQuickActivate
    HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    HRESULT SetContentExtent(LPSIZEL size) override;
    HRESULT GetContentExtent(LPSIZEL size) override;

    // IDataObject: no formats are offered.
    HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT QueryGetData(FORMATETC* format) override;
    HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT DUnadvise(DWORD connection) override;
    HRESULT EnumDAdvise(IEnumSTATDATA** advise) override;

    // IProvideClassInfo2, ISupportErrorInfo, IConnectionPointContainer
    HRESULT GetClassInfo(ITypeInfo** info) override;
    HRESULT GetGUID(DWORD kind, GUID* guid) override;
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // State, for the class and its tests.
    const ControlClass& controlClass() const { return class_; }
    SIZEL extent() const { return extent_; }
    SIZE extentPixels() const { return himetricToPixels(extent_); }
    const RECT& posRect() const { return posRect_; }
    bool inPlaceActive() const { return inPlaceActive_; }
    bool uiActive() const { return uiActive_; }
    HWND window() const { return hwnd_; }
    IOleClientSite* clientSite() const { return clientSite_.get(); }
    IOleInPlaceSite* inPlaceSite() const { return inPlaceSite_.get(); }
    bool eventsFrozen() const { return freezeCount_ > 0; }

    // The ProgID registered for the class's CLSID (the class table's when none is registered).
    std::u16string progId() const;

protected:
    // Sets the thread's error info (source: the ProgID, interface GUID_NULL) and returns hr.
    HRESULT reportError(std::u16string_view description, HRESULT hr = DISP_E_EXCEPTION,
                        std::u16string_view helpFile = {}, DWORD helpContext = 0) const;

    // Fires an event to every sink of the connection point, in connection order; the last
    // sink's result, S_OK without sinks or without an event interface.
    HRESULT fireEvent(DISPID id, EventArgs& args);
    HRESULT fireEvent(DISPID id);
    std::size_t eventSinkCount() const;

    // Tells the container that the look changed: the window is invalidated while in-place
    // active, otherwise the view advise sink hears OnViewChange.
    void fireViewChange();
    // Draws at once: into the window's DC at (0, 0) with the position rectangle's size while
    // in-place active, otherwise fireViewChange.
    void redrawNow();

    // Ambient properties from the client site; failures when there is no site or no answer.
    HRESULT ambientProperty(DISPID id, VARIANT* value) const;
    HRESULT ambientUserMode(bool* userMode) const;
    // Design mode: the ambient user mode answered false.
    bool designMode() const;

    // The extent without the SetExtent override (constructors set their start size this way).
    void setExtentPixels(LONG width, LONG height);
    void setExtentHimetric(SIZEL size) { extent_ = size; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    // Moves to rect: the control's own SetObjectRects(rect, rect), then, while in-place active
    // with a site, the site's OnPosRectChange(rect).
    void reportPosRect(const RECT& rect);
    // Keeps rect at the extent's pixel size: 1 when it already has that size, else moves to
    // (left, top, left + width, top + height) with reportPosRect and gives 0.
    int keepSize(const RECT& rect);
    // Asks for a new pixel size through the control's own SetExtent and, when that succeeds,
    // moves the position rectangle to it with reportPosRect. Nothing happens at the same size.
    HRESULT resizeToPixels(LONG width, LONG height);

    // The standard in-place activation: asks the site, creates the child window of the site's
    // window at the site's position rectangle, UI-activates for OLEIVERB_UIACTIVATE.
    HRESULT inPlaceActivate(LONG verb);

    // Verb hooks. Primary: the properties verb in design mode, else in-place activation.
    virtual HRESULT doVerbPrimary();
    virtual HRESULT doVerbShow();
    // Activates in place, then fireViewChange.
    virtual HRESULT doVerbInPlaceActivate();
    virtual HRESULT doVerbUIActivate();
    virtual HRESULT doVerbHide();
    // Asks the control site to show the property frame.
    virtual HRESULT doVerbProperties();

    // The look, into a DC and bounds (window paint, IViewObject::Draw, redrawNow). Controls
    // invisible at run time are only drawn in design mode.
    virtual void onDraw(HDC hdc, const RECT& bounds);
    // The class's message map, after the standard messages (paint, focus, mouse activation);
    // true when handled, with the answer in result. Unhandled messages go on to the
    // superclassed window procedure.
    virtual bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // An ambient property changed (DISPID_UNKNOWN: several); the default redraws for user mode.
    virtual void onAmbientChange(DISPID id);

    // The object's own dual interface (its identity).
    virtual IDispatch* self() = 0;

    // QueryInterface for the standard interfaces above.
    HRESULT queryStandard(REFIID riid, void** out);
    ULONG addRef() { return ++refs_; }
    ULONG release() { return --refs_; }

private:
    friend LRESULT controlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool drawsNow() const;
    void draw(HDC hdc, const RECT& bounds);
    HRESULT getProperty(const PropertyEntry& entry, VARIANT* value);
    HRESULT putProperty(const PropertyEntry& entry, VARIANT* value);
    HRESULT saveBytes(std::vector<BYTE>* bytes);
    HRESULT loadFrom(IStream* stream);
    IUnknown* identity() { return self(); }

    const ControlClass& class_;
    std::atomic<ULONG> refs_{1};
    SIZEL extent_;
    RECT posRect_{};
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool dirty_ = false;
    int freezeCount_ = 0;
    HWND hwnd_ = nullptr;
    WNDPROC superProc_ = nullptr;
    com::ComPtr<IOleClientSite> clientSite_;
    com::ComPtr<IOleInPlaceSite> inPlaceSite_;
    com::ComPtr<IDispatch> ambient_;
    com::ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    struct OleAdvise {
        DWORD cookie;
        com::ComPtr<IAdviseSink> sink;
    };
    std::vector<OleAdvise> oleSinks_;
    DWORD nextAdviseCookie_ = 1;
    std::unique_ptr<com::ConnectionPoint> eventPoint_;
};

// The object of a control class with the dual interface I: IUnknown and IDispatch answered
// here, everything else by ControlBase.
template <class I>
class Control : public com::DualDispatch<I>, public ControlBase {
public:
    explicit Control(const ControlClass& cls) : com::DualDispatch<I>(cls.dual), ControlBase(cls) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == com::uuidof<I>()) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        return queryStandard(riid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override {
        ULONG n = release();
        if (n == 0) delete this;
        return n;
    }

protected:
    IDispatch* self() override { return static_cast<I*>(this); }
};

}  // namespace activex
