#pragma once
// The rotary step knob's interface and events.

#include "interface_base.h"

struct IAudioStepButtonType1 : IDispatch {
    virtual HRESULT ScrollMinus() = 0;
    virtual HRESULT ScrollPlus() = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_Max(LONG* value) = 0;
    virtual HRESULT put_Max(LONG value) = 0;
    virtual HRESULT get_Min(LONG* value) = 0;
    virtual HRESULT put_Min(LONG value) = 0;
    virtual HRESULT get_Speed(DOUBLE* value) = 0;
    virtual HRESULT put_Speed(DOUBLE value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* value) = 0;
    virtual HRESULT put_Color(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioStepButtonType1, "{B41A7E99-BD38-420F-AB19-CC7985860010}");
inline constexpr IID DIID__IAudioStepButtonType1Events = com::guid("{7659AFDB-8337-4F4B-9D4D-8CDFEFD78E82}");

// Events of the rotary controls (the step knob and both volume controls).
constexpr DISPID DISPID_KNOB_MOUSECLICK = 1;
constexpr DISPID DISPID_KNOB_MOUSEDOWN = 2;
constexpr DISPID DISPID_KNOB_MOUSEUP = 3;
constexpr DISPID DISPID_KNOB_VALUECHANGE = 4;

namespace sondrel {

inline constexpr CLSID CLSID_AudioStepButtonType1 = com::guid("{4C2E09CE-F7DD-4BCC-95F2-142F476D1AE4}");
extern const com::TypeDesc kIAudioStepButtonType1;
extern const com::TypeDesc k_IAudioStepButtonType1Events;
extern const com::TypeDesc kCoAudioStepButtonType1;

}  // namespace sondrel
