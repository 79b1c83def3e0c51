#pragma once
// The OLE document and control interfaces between a control and its container: embedding,
// in-place activation, viewing, data transfer and quick activation.

#include "com/com.h"
#include "windows/windows.h"

struct SIZEL {
    LONG cx;
    LONG cy;
};
using LPSIZEL = SIZEL*;
struct RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECTL = RECTL*;
using LPCRECTL = const RECTL*;
struct POINTL {
    LONG x;
    LONG y;
};

// Verbs.
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

// Miscellaneous status bits.
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_ONLYICONIC = 0x2;
constexpr DWORD OLEMISC_INSERTNOTREPLACE = 0x4;
constexpr DWORD OLEMISC_STATIC = 0x8;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_CANLINKBYOLE1 = 0x20;
constexpr DWORD OLEMISC_ISLINKOBJECT = 0x40;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x200;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_ALWAYSRUN = 0x800;
constexpr DWORD OLEMISC_ACTSLIKEBUTTON = 0x1000;
constexpr DWORD OLEMISC_ACTSLIKELABEL = 0x2000;
constexpr DWORD OLEMISC_NOUIACTIVATE = 0x4000;
constexpr DWORD OLEMISC_ALIGNABLE = 0x8000;
constexpr DWORD OLEMISC_SIMPLEFRAME = 0x10000;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

// Aspects, close options, advise flags, view status, hit results.
constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;
constexpr DWORD ADVF_NODATA = 1;
constexpr DWORD ADVF_PRIMEFIRST = 2;
constexpr DWORD ADVF_ONLYONCE = 4;
constexpr DWORD VIEWSTATUS_OPAQUE = 1;
constexpr DWORD VIEWSTATUS_SOLIDBKGND = 2;
constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_TRANSPARENT = 1;
constexpr DWORD HITRESULT_CLOSE = 2;
constexpr DWORD HITRESULT_HIT = 3;

// Ambient properties a container answers on its client site's IDispatch.
constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
constexpr DISPID DISPID_AMBIENT_FONT = -703;
constexpr DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr DISPID DISPID_AMBIENT_MESSAGEREFLECT = -706;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr DISPID DISPID_AMBIENT_SHOWGRABHANDLES = -711;
constexpr DISPID DISPID_AMBIENT_SHOWHATCHING = -712;

constexpr HRESULT OLE_E_NOCONNECTION = hresult(0x80040004);
constexpr HRESULT OLE_E_NOT_INPLACEACTIVE = hresult(0x80040010);
constexpr HRESULT OLE_S_USEREG = hresult(0x00040000);
constexpr HRESULT OLEOBJ_S_INVALIDVERB = hresult(0x00040180);
constexpr HRESULT OLEOBJ_E_NOVERBS = hresult(0x80040180);
constexpr HRESULT DV_E_FORMATETC = hresult(0x80040064);
constexpr HRESULT DV_E_DVASPECT = hresult(0x8004006B);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = hresult(0x80040003);

struct IOleContainer;
struct IOleInPlaceUIWindow;
struct IOleInPlaceActiveObject;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IEnumFORMATETC;
using IMoniker = IUnknown;
using HACCEL = struct HACCEL__*;

struct DVTARGETDEVICE {
    DWORD tdSize;
    WORD tdDriverNameOffset;
    WORD tdDeviceNameOffset;
    WORD tdPortNameOffset;
    WORD tdExtDevmodeOffset;
    BYTE tdData[1];
};

struct FORMATETC {
    WORD cfFormat;
    DVTARGETDEVICE* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
};

struct STGMEDIUM {
    DWORD tymed;
    void* data;
    IUnknown* pUnkForRelease;
};

struct OLEINPLACEFRAMEINFO {
    UINT cb;
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
};

struct CONTROLINFO {
    ULONG cb;
    HACCEL hAccel;
    USHORT cAccel;
    DWORD dwFlags;
};

struct IAdviseSink : IUnknown {
    virtual void OnDataChange(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual void OnViewChange(DWORD aspect, LONG index) = 0;
    virtual void OnRename(IMoniker* moniker) = 0;
    virtual void OnSave() = 0;
    virtual void OnClose() = 0;
};
COM_INTERFACE_ID(IAdviseSink, "{0000010F-0000-0000-C000-000000000046}");

struct IOleClientSite : IUnknown {
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
    virtual HRESULT GetContainer(IOleContainer** container) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL show) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;
};
COM_INTERFACE_ID(IOleClientSite, "{00000118-0000-0000-C000-000000000046}");

struct IOleObject : IUnknown {
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) = 0;
    virtual HRESULT Close(DWORD saveOption) = 0;
    virtual HRESULT SetMoniker(DWORD which, IMoniker* moniker) = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
    virtual HRESULT InitFromData(IUnknown* data, BOOL creation, DWORD reserved) = 0;
    virtual HRESULT GetClipboardData(DWORD reserved, IUnknown** data) = 0;
    virtual HRESULT DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                           LPCRECT posRect) = 0;
    virtual HRESULT EnumVerbs(IEnumOLEVERB** verbs) = 0;
    virtual HRESULT Update() = 0;
    virtual HRESULT IsUpToDate() = 0;
    virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
    virtual HRESULT GetUserType(DWORD form, LPOLESTR* userType) = 0;
    virtual HRESULT SetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT GetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT Advise(IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT Unadvise(DWORD connection) = 0;
    virtual HRESULT EnumAdvise(IEnumSTATDATA** advise) = 0;
    virtual HRESULT GetMiscStatus(DWORD aspect, DWORD* status) = 0;
    virtual HRESULT SetColorScheme(void* palette) = 0;
};
COM_INTERFACE_ID(IOleObject, "{00000112-0000-0000-C000-000000000046}");

struct IOleWindow : IUnknown {
    virtual HRESULT GetWindow(HWND* hwnd) = 0;
    virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;
};
COM_INTERFACE_ID(IOleWindow, "{00000114-0000-0000-C000-000000000046}");

struct IOleInPlaceObject : IOleWindow {
    virtual HRESULT InPlaceDeactivate() = 0;
    virtual HRESULT UIDeactivate() = 0;
    virtual HRESULT SetObjectRects(LPCRECT posRect, LPCRECT clipRect) = 0;
    virtual HRESULT ReactivateAndUndo() = 0;
};
COM_INTERFACE_ID(IOleInPlaceObject, "{00000113-0000-0000-C000-000000000046}");

struct IOleInPlaceActiveObject : IOleWindow {
    virtual HRESULT TranslateAccelerator(LPMSG msg) = 0;
    virtual HRESULT OnFrameWindowActivate(BOOL activate) = 0;
    virtual HRESULT OnDocWindowActivate(BOOL activate) = 0;
    virtual HRESULT ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
};
COM_INTERFACE_ID(IOleInPlaceActiveObject, "{00000117-0000-0000-C000-000000000046}");

struct IOleInPlaceUIWindow : IOleWindow {
    virtual HRESULT GetBorder(LPRECT border) = 0;
    virtual HRESULT RequestBorderSpace(LPCRECT widths) = 0;
    virtual HRESULT SetBorderSpace(LPCRECT widths) = 0;
    virtual HRESULT SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) = 0;
};
COM_INTERFACE_ID(IOleInPlaceUIWindow, "{00000115-0000-0000-C000-000000000046}");

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
    virtual HRESULT InsertMenus(HMENU shared, void* widths) = 0;
    virtual HRESULT SetMenu(HMENU shared, HANDLE descriptor, HWND activeObject) = 0;
    virtual HRESULT RemoveMenus(HMENU shared) = 0;
    virtual HRESULT SetStatusText(LPCOLESTR text) = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
    virtual HRESULT TranslateAccelerator(LPMSG msg, WORD id) = 0;
};
COM_INTERFACE_ID(IOleInPlaceFrame, "{00000116-0000-0000-C000-000000000046}");

struct IOleInPlaceSite : IOleWindow {
    virtual HRESULT CanInPlaceActivate() = 0;
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    virtual HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT posRect,
                                     LPRECT clipRect, OLEINPLACEFRAMEINFO* frameInfo) = 0;
    virtual HRESULT Scroll(SIZE extent) = 0;
    virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
    virtual HRESULT DiscardUndoState() = 0;
    virtual HRESULT DeactivateAndUndo() = 0;
    virtual HRESULT OnPosRectChange(LPCRECT posRect) = 0;
};
COM_INTERFACE_ID(IOleInPlaceSite, "{00000119-0000-0000-C000-000000000046}");

struct IOleControl : IUnknown {
    virtual HRESULT GetControlInfo(CONTROLINFO* info) = 0;
    virtual HRESULT OnMnemonic(LPMSG msg) = 0;
    virtual HRESULT OnAmbientPropertyChange(DISPID id) = 0;
    virtual HRESULT FreezeEvents(BOOL freeze) = 0;
};
COM_INTERFACE_ID(IOleControl, "{B196B288-BAB4-101A-B69C-00AA00341D07}");

struct IOleControlSite : IUnknown {
    virtual HRESULT OnControlInfoChanged() = 0;
    virtual HRESULT LockInPlaceActive(BOOL lock) = 0;
    virtual HRESULT GetExtendedControl(IDispatch** extended) = 0;
    virtual HRESULT TransformCoords(POINTL* himetric, void* container, DWORD flags) = 0;
    virtual HRESULT TranslateAccelerator(LPMSG msg, DWORD modifiers) = 0;
    virtual HRESULT OnFocus(BOOL gotFocus) = 0;
    virtual HRESULT ShowPropertyFrame() = 0;
};
COM_INTERFACE_ID(IOleControlSite, "{B196B289-BAB4-101A-B69C-00AA00341D07}");

using ContinueDrawing = BOOL (*)(ULONG_PTR argument);

struct IViewObject : IUnknown {
    virtual HRESULT Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDevice,
                         HDC hdc, LPCRECTL bounds, LPCRECTL windowBounds, ContinueDrawing keepGoing,
                         ULONG_PTR argument) = 0;
    virtual HRESULT GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                HDC targetDevice, void** colorSet) = 0;
    virtual HRESULT Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) = 0;
    virtual HRESULT Unfreeze(DWORD freeze) = 0;
    virtual HRESULT SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) = 0;
    virtual HRESULT GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) = 0;
};
COM_INTERFACE_ID(IViewObject, "{0000010D-0000-0000-C000-000000000046}");

struct IViewObject2 : IViewObject {
    virtual HRESULT GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) = 0;
};
COM_INTERFACE_ID(IViewObject2, "{00000127-0000-0000-C000-000000000046}");

struct IViewObjectEx : IViewObject2 {
    virtual HRESULT GetRect(DWORD aspect, LPRECTL rect) = 0;
    virtual HRESULT GetViewStatus(DWORD* status) = 0;
    virtual HRESULT QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                  DWORD* result) = 0;
    virtual HRESULT QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                                 DWORD* result) = 0;
    virtual HRESULT GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, HDC targetDevice,
                                     void* extentInfo, LPSIZEL size) = 0;
};
COM_INTERFACE_ID(IViewObjectEx, "{3AF24292-0C96-11CE-A0CF-00AA00600AB8}");

struct IDataObject : IUnknown {
    virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(FORMATETC* format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) = 0;
    virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) = 0;
    virtual HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** advise) = 0;
};
COM_INTERFACE_ID(IDataObject, "{0000010E-0000-0000-C000-000000000046}");

// Quick activation: the container hands over in one call what it would otherwise set one by one.
constexpr DWORD QACONTAINER_SHOWHATCHING = 0x1;
constexpr DWORD QACONTAINER_SHOWGRABHANDLES = 0x2;
constexpr DWORD QACONTAINER_USERMODE = 0x4;
constexpr DWORD QACONTAINER_DISPLAYASDEFAULT = 0x8;
constexpr DWORD QACONTAINER_UIDEAD = 0x10;
constexpr DWORD QACONTAINER_AUTOCLIP = 0x20;
constexpr DWORD QACONTAINER_MESSAGEREFLECT = 0x40;
constexpr DWORD QACONTAINER_SUPPORTSMNEMONICS = 0x80;

struct QACONTAINER {
    ULONG cbSize;
    IOleClientSite* pClientSite;
    IAdviseSink* pAdviseSink;
    IUnknown* pPropertyNotifySink;
    IUnknown* pUnkEventSink;
    DWORD dwAmbientFlags;
    OLE_COLOR colorFore;
    OLE_COLOR colorBack;
    IUnknown* pFont;
    IUnknown* pUndoMgr;
    DWORD dwAppearance;
    LONG lcid;
    HPALETTE hpal;
    IUnknown* pBindHost;
    IOleControlSite* pOleControlSite;
    IUnknown* pServiceProvider;
};

struct QACONTROL {
    ULONG cbSize;
    DWORD dwMiscStatus;
    DWORD dwViewStatus;
    DWORD dwEventCookie;
    DWORD dwPropNotifyCookie;
    DWORD dwPointerActivationPolicy;
};

struct IQuickActivate : IUnknown {
    virtual HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) = 0;
    virtual HRESULT SetContentExtent(LPSIZEL size) = 0;
    virtual HRESULT GetContentExtent(LPSIZEL size) = 0;
};
COM_INTERFACE_ID(IQuickActivate, "{CF51ED10-62FE-11CF-BF86-00A0C9034836}");
