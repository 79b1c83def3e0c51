#pragma once
// The circular transport cluster's interface and events.

#include "interface_base.h"

struct IAudioPlayButtonType1 : IAnimationTarget {
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Flat(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Flat(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Pause(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Pause(VARIANT_BOOL value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
    virtual HRESULT get_PlayBtnEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_PlayBtnEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_StopBtnEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_StopBtnEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_NextBtnEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_NextBtnEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_PreviousBtnEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_PreviousBtnEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_RecordBtnEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_RecordBtnEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* value) = 0;
    virtual HRESULT put_Color(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioPlayButtonType1, "{61159A17-2C24-4A44-8618-CA11528A6271}");
inline constexpr IID DIID__IAudioPlayButtonType1Events = com::guid("{F1B33D9C-CAE8-4E94-BBD4-4982FBE04F74}");

// Events of the transport cluster; CtlButton is the part code (1 play, 2 next, 3 record,
// 4 previous, 5 stop).
constexpr DISPID DISPID_CLUSTER_MOUSEDOWN = 1;
constexpr DISPID DISPID_CLUSTER_MOUSECLICK = 2;
constexpr DISPID DISPID_CLUSTER_MOUSEUP = 3;

namespace sondrel {

inline constexpr CLSID CLSID_AudioPlayButtonType1 = com::guid("{9C349929-9B2C-48DF-B216-5074C0DBD71D}");
extern const com::TypeDesc kIAudioPlayButtonType1;
extern const com::TypeDesc k_IAudioPlayButtonType1Events;
extern const com::TypeDesc kCoAudioPlayButtonType1;

}  // namespace sondrel
