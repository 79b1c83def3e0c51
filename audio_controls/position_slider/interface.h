#pragma once
// The position slider's interface and events.

#include "interface_base.h"

struct IAudioSliderType2 : IAnimationTarget {
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Max(LONG* value) = 0;
    virtual HRESULT put_Max(LONG value) = 0;
    virtual HRESULT get_Min(LONG* value) = 0;
    virtual HRESULT put_Min(LONG value) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_Speed(DOUBLE* value) = 0;
    virtual HRESULT put_Speed(DOUBLE value) = 0;
    virtual HRESULT get_Orientation(LONG* value) = 0;
    virtual HRESULT put_Orientation(LONG value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_StripColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_StripColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
};
COM_INTERFACE_ID(IAudioSliderType2, "{9A7A7D4C-1E4D-478D-92C9-F8A2AD61C05C}");

inline constexpr IID DIID__IAudioSliderType2Events = com::guid("{DB244C18-4BD5-4BF5-8F0A-5D2EBDDC227F}");

// Events of the position slider.
constexpr DISPID DISPID_SLIDER_MOUSEDOWN = 1;
constexpr DISPID DISPID_SLIDER_MOUSEUP = 2;
constexpr DISPID DISPID_SLIDER_VALUECHANGE = 5;

namespace sondrel {

inline constexpr CLSID CLSID_AudioSliderType2 = com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}");
extern const com::TypeDesc kIAudioSliderType2;
extern const com::TypeDesc k_IAudioSliderType2Events;
extern const com::TypeDesc kCoAudioSliderType2;

}  // namespace sondrel
