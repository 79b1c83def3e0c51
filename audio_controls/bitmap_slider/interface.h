#pragma once
// The bitmap-thumb slider's interface and events.

#include "interface_base.h"

struct IAudioSliderType1 : IAnimationTarget {
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_Orientation(LONG* value) = 0;
    virtual HRESULT put_Orientation(LONG value) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_Max(LONG* value) = 0;
    virtual HRESULT put_Max(LONG value) = 0;
    // The type library lists Min's put before its get.
    virtual HRESULT put_Min(LONG value) = 0;
    virtual HRESULT get_Min(LONG* value) = 0;
    virtual HRESULT get_Size(LONG* value) = 0;
    virtual HRESULT put_Size(LONG value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
    virtual HRESULT get_Speed(DOUBLE* value) = 0;
    virtual HRESULT put_Speed(DOUBLE value) = 0;
    virtual HRESULT get_PushEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_PushEnabled(VARIANT_BOOL value) = 0;
};
COM_INTERFACE_ID(IAudioSliderType1, "{6F8CF24C-A8E4-4519-B93B-98DF90244FCF}");
inline constexpr IID DIID__IAudioSliderType1Events = com::guid("{E4876172-5417-4CD5-85D6-48BAF1DDFEF2}");

// Events of the bitmap-thumb slider (MouseClick 3 and Scroll 4 are declared and never fired).
constexpr DISPID DISPID_SLIDER1_MOUSEDOWN = 1;
constexpr DISPID DISPID_SLIDER1_MOUSEUP = 2;
constexpr DISPID DISPID_SLIDER1_VALUECHANGE = 5;

namespace sondrel {

inline constexpr CLSID CLSID_AudioSliderType1 = com::guid("{B07D80CF-4F8D-4FEA-95AD-DB68D438532E}");
extern const com::TypeDesc kIAudioSliderType1;
extern const com::TypeDesc k_IAudioSliderType1Events;
extern const com::TypeDesc kCoAudioSliderType1;

}  // namespace sondrel
