#pragma once
// The volume wedge's interface; its events are the rotary controls' (step_knob/interface.h).

#include "interface_base.h"

struct IAudioVolumeButtonType2 : IAnimationTarget {
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
    virtual HRESULT get_Style(LONG* value) = 0;
    virtual HRESULT put_Style(LONG value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* value) = 0;
    virtual HRESULT put_Color(OLE_COLOR value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioVolumeButtonType2, "{08C3190D-6AFE-4C49-9ED4-50C3B9843980}");
inline constexpr IID DIID__IAudioVolumeButtonType2Events = com::guid("{E21B15E0-17CD-445D-88BF-2FC00BE4E59D}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioVolumeButtonType2 = com::guid("{4B61CF34-B937-44C7-AC83-BA209CA4F537}");
extern const com::TypeDesc kIAudioVolumeButtonType2;
extern const com::TypeDesc k_IAudioVolumeButtonType2Events;
extern const com::TypeDesc kCoAudioVolumeButtonType2;

}  // namespace sondrel
