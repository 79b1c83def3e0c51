#pragma once
// The container side: one site per hosted control. It is the control's client site, in-place
// site, control site, view advise sink and ambient-property dispatch, and offers an extender
// object with Visible. Hosts (the forms layer) and tests drive a control's life through it:
//
//   auto site = activex::ControlSite::make();
//   site->create(CLSID_Thing);                  // CoCreateInstance, client site, InitNew
//   site->setExtentPixels(100, 15);
//   site->activate(parentWindow, {10, 10, 110, 25});
//   ...
//   site->deactivate();
//   site->close();

#include "activex/ole.h"

#include <atomic>
#include <functional>
#include <map>
#include <vector>

namespace activex {

// The extender's own property; every other name goes to the control.
constexpr DISPID kExtenderVisible = static_cast<DISPID>(0x80010007);

class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleControlSite,
                          public IAdviseSink,
                          public IDispatch {
public:
    static com::ComPtr<ControlSite> make();

    // Creates the control by CLSID through CoCreateInstance. The client site is set before
    // InitNew when the control asks for it (OLEMISC_SETCLIENTSITEFIRST), after it otherwise.
    HRESULT create(REFCLSID clsid);
    // The same for a control made elsewhere; the site takes a reference.
    HRESULT attach(IUnknown* control);
    // Sets the extent in HIMETRIC through IOleObject::SetExtent; the control may adjust it.
    HRESULT setExtentPixels(LONG width, LONG height);
    SIZE extentPixels() const;
    // Runs the verb with parent as the site's window and pos as the position rectangle. A control
    // invisible at run time is not activated in user mode: S_FALSE.
    HRESULT activate(HWND parent, const RECT& pos, LONG verb = OLEIVERB_INPLACEACTIVATE);
    HRESULT doVerb(LONG verb);
    HRESULT deactivate();
    // Moves the control (IOleInPlaceObject::SetObjectRects).
    HRESULT move(const RECT& pos);
    // Deactivates and closes the control and lets go of it.
    HRESULT close();

    // Ambient properties; a change is told to the control through OnAmbientPropertyChange.
    // UserMode starts true, UIDead, ShowGrabHandles, ShowHatching and MessageReflect false,
    // LocaleID 0x400, DisplayName empty.
    void setAmbient(DISPID id, const VARIANT& value);
    void setUserMode(bool userMode);
    bool userMode() const;

    // The extender's Visible: shows or hides the control's window.
    void setVisible(bool visible);
    bool visible() const { return visible_; }
    IDispatch* extender();

    IUnknown* control() const { return control_.get(); }
    IOleObject* object() const { return object_.get(); }
    template <class I>
    com::ComPtr<I> query() const {
        com::ComPtr<I> p;
        if (control_) control_.as(&p);
        return p;
    }
    HWND parentWindow() const { return parent_; }
    HWND controlWindow() const;
    const RECT& posRect() const { return pos_; }
    DWORD miscStatus() const { return misc_; }

    // Told of each position rectangle the control asks for, once the site has moved it there:
    // a host resizes what shows the control.
    void onPosRectChange(std::function<void(const RECT&)> listener) { posRectListener_ = std::move(listener); }

    // What the control told its site.
    const std::vector<RECT>& posRectChanges() const { return posRectChanges_; }
    int viewChanges() const { return viewChanges_; }
    int propertyFrames() const { return propertyFrames_; }
    int inPlaceActivations() const { return inPlaceActivations_; }
    int inPlaceDeactivations() const { return inPlaceDeactivations_; }
    int uiActivations() const { return uiActivations_; }
    bool inPlaceActive() const { return inPlaceActive_; }

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IOleClientSite
    HRESULT SaveObject() override;
    HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT GetContainer(IOleContainer** container) override;
    HRESULT ShowObject() override;
    HRESULT OnShowWindow(BOOL show) override;
    HRESULT RequestNewObjectLayout() override;
    // IOleInPlaceSite
    HRESULT GetWindow(HWND* hwnd) override;
    HRESULT ContextSensitiveHelp(BOOL enterMode) override;
    HRESULT CanInPlaceActivate() override;
    HRESULT OnInPlaceActivate() override;
    HRESULT OnUIActivate() override;
    HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT posRect,
                             LPRECT clipRect, OLEINPLACEFRAMEINFO* frameInfo) override;
    HRESULT Scroll(SIZE extent) override;
    HRESULT OnUIDeactivate(BOOL undoable) override;
    HRESULT OnInPlaceDeactivate() override;
    HRESULT DiscardUndoState() override;
    HRESULT DeactivateAndUndo() override;
    // Records the rectangle and moves the control there.
    HRESULT OnPosRectChange(LPCRECT posRect) override;
    // IOleControlSite
    HRESULT OnControlInfoChanged() override;
    HRESULT LockInPlaceActive(BOOL lock) override;
    HRESULT GetExtendedControl(IDispatch** extended) override;
    HRESULT TransformCoords(POINTL* himetric, void* container, DWORD flags) override;
    HRESULT TranslateAccelerator(LPMSG msg, DWORD modifiers) override;
    HRESULT OnFocus(BOOL gotFocus) override;
    HRESULT ShowPropertyFrame() override;
    // IAdviseSink
    void OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    void OnViewChange(DWORD aspect, LONG index) override;
    void OnRename(IMoniker* moniker) override;
    void OnSave() override;
    void OnClose() override;
    // IDispatch: the ambient properties
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    class Extender;
    ControlSite();
    ~ControlSite();
    void release();

    std::atomic<ULONG> refs_{1};
    com::ComPtr<IUnknown> control_;
    com::ComPtr<IOleObject> object_;
    Extender* extender_ = nullptr;
    HWND parent_ = nullptr;
    RECT pos_{};
    DWORD misc_ = 0;
    bool visible_ = true;
    bool inPlaceActive_ = false;
    std::map<DISPID, com::Variant> ambients_;
    std::vector<RECT> posRectChanges_;
    std::function<void(const RECT&)> posRectListener_;
    int viewChanges_ = 0;
    int propertyFrames_ = 0;
    int inPlaceActivations_ = 0;
    int inPlaceDeactivations_ = 0;
    int uiActivations_ = 0;
};

}  // namespace activex
