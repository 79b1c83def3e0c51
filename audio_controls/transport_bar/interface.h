#pragma once
// The transport bar's interface and events.

#include "interface_base.h"

struct IAudioPlayButtonType2 : IAnimationTarget {
    virtual HRESULT ChangeVolume(LONG volume) = 0;
    virtual HRESULT Play() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Record() = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* value) = 0;
    virtual HRESULT put_Color(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_ShowButtonRecord(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowButtonRecord(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowPositionControls(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowPositionControls(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowVolumeControls(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowVolumeControls(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_EnableButtons(BYTE* value) = 0;
    virtual HRESULT put_EnableButtons(BYTE value) = 0;
    virtual HRESULT get_Mute(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Mute(VARIANT_BOOL value) = 0;
};
COM_INTERFACE_ID(IAudioPlayButtonType2, "{80FBBF21-D9A1-4A0D-9A83-2B984D82CC03}");
inline constexpr IID DIID__IAudioPlayButtonType2Events = com::guid("{B6DC2964-4512-4B55-92C6-E572C0CA8E49}");

// Events of the transport bar.
constexpr DISPID DISPID_TRANSPORT_MOUSEDOWN = 1;
constexpr DISPID DISPID_TRANSPORT_MOUSECLICK = 2;
constexpr DISPID DISPID_TRANSPORT_MOUSEUP = 3;
constexpr DISPID DISPID_TRANSPORT_CHANGEVOLUME = 4;

namespace sondrel {

inline constexpr CLSID CLSID_AudioPlayButtonType2 = com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}");
extern const com::TypeDesc kIAudioPlayButtonType2;
extern const com::TypeDesc k_IAudioPlayButtonType2Events;
extern const com::TypeDesc kCoAudioPlayButtonType2;

}  // namespace sondrel
