#pragma once
// The volume knob's interface; its events are the rotary controls' (step_knob/interface.h).

#include "interface_base.h"

struct IAudioVolumeButtonType1 : IAnimationTarget {
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
    virtual HRESULT get_Flat(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Flat(VARIANT_BOOL value) = 0;
    virtual HRESULT get_MousePointer(LONG* value) = 0;
    virtual HRESULT put_MousePointer(LONG value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_StartPos(DOUBLE* value) = 0;
    virtual HRESULT put_StartPos(DOUBLE value) = 0;
    virtual HRESULT get_IndColor(LONG* value) = 0;
    virtual HRESULT put_IndColor(LONG value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* value) = 0;
    virtual HRESULT put_Color(OLE_COLOR value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioVolumeButtonType1, "{A2BA2693-A138-4897-A3CD-2A0D9B47857E}");
inline constexpr IID DIID__IAudioVolumeButtonType1Events = com::guid("{C646F43B-6930-439A-967A-82328048AC94}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioVolumeButtonType1 = com::guid("{E113DDCB-13E7-4BF1-ABC2-03EDE34DC5DF}");
extern const com::TypeDesc kIAudioVolumeButtonType1;
extern const com::TypeDesc k_IAudioVolumeButtonType1Events;
extern const com::TypeDesc kCoAudioVolumeButtonType1;

}  // namespace sondrel
