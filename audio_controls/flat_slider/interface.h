#pragma once
// The flat slider's interface and events.

#include "interface_base.h"

struct IAudioFlatSlider : IAnimationTarget {
    virtual HRESULT SetValue(LONG value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Max(LONG* value) = 0;
    virtual HRESULT put_Max(LONG value) = 0;
    virtual HRESULT get_Min(LONG* value) = 0;
    virtual HRESULT put_Min(LONG value) = 0;
    virtual HRESULT get_Orientation(LONG* value) = 0;
    virtual HRESULT put_Orientation(LONG value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
    virtual HRESULT get_TrackBorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_TrackBorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_TrackStyle(LONG* value) = 0;
    virtual HRESULT put_TrackStyle(LONG value) = 0;
    virtual HRESULT get_Speed(DOUBLE* value) = 0;
    virtual HRESULT put_Speed(DOUBLE value) = 0;
    virtual HRESULT get_TrackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_TrackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_ThumbLength(LONG* value) = 0;
    virtual HRESULT put_ThumbLength(LONG value) = 0;
    virtual HRESULT get_TrackWidth(LONG* value) = 0;
    virtual HRESULT put_TrackWidth(LONG value) = 0;
    virtual HRESULT get_Ticks(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Ticks(VARIANT_BOOL value) = 0;
};
COM_INTERFACE_ID(IAudioFlatSlider, "{FB6D5AF4-4A4C-4A2C-8761-6680336EE7D6}");
inline constexpr IID DIID__IAudioFlatSliderEvents = com::guid("{99084FD3-B71C-4C61-A176-E555EB3AEF9F}");

// Events of the flat slider (MouseClick 3 and Scroll 4 are declared and never fired).
constexpr DISPID DISPID_FLATSLIDER_MOUSEDOWN = 1;
constexpr DISPID DISPID_FLATSLIDER_MOUSEUP = 2;
constexpr DISPID DISPID_FLATSLIDER_VALUECHANGE = 5;

namespace sondrel {

inline constexpr CLSID CLSID_AudioFlatSlider = com::guid("{EBC6FA17-EA7A-4F07-BBED-3701F5C62BD0}");
extern const com::TypeDesc kIAudioFlatSlider;
extern const com::TypeDesc k_IAudioFlatSliderEvents;
extern const com::TypeDesc kCoAudioFlatSlider;

}  // namespace sondrel
