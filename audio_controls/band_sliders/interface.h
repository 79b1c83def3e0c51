#pragma once
// The band sliders' interface and events.

#include "interface_base.h"

struct IAudioSlidersBands : IAnimationTarget {
    virtual HRESULT get_BandCount(LONG* value) = 0;
    virtual HRESULT put_BandCount(LONG value) = 0;
    virtual HRESULT get_BandNum(LONG* value) = 0;
    virtual HRESULT put_BandNum(LONG value) = 0;
    virtual HRESULT get_BandValue(FLOAT* value) = 0;
    virtual HRESULT put_BandValue(FLOAT value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_HorizontalInscriptions(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_HorizontalInscriptions(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ScaleYVisible(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ScaleYVisible(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Max(SHORT* value) = 0;
    virtual HRESULT put_Max(SHORT value) = 0;
    virtual HRESULT get_Min(SHORT* value) = 0;
    virtual HRESULT put_Min(SHORT value) = 0;
    virtual HRESULT get_SliderType(LONG* value) = 0;
    virtual HRESULT put_SliderType(LONG value) = 0;
    virtual HRESULT get_InscriptionsColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_InscriptionsColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_TickColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_TickColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_SliderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_SliderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Slider2BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_Slider2BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_TicksFrequency(SHORT* value) = 0;
    virtual HRESULT put_TicksFrequency(SHORT value) = 0;
    virtual HRESULT get_ShowTicks(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowTicks(VARIANT_BOOL value) = 0;
};
COM_INTERFACE_ID(IAudioSlidersBands, "{2F062F78-147B-48DA-965F-7846702152FE}");
inline constexpr IID DIID__IAudioSlidersBandsEvents = com::guid("{9DDE4BEE-D515-413A-80E6-E7A40C87D226}");

// Events of the band sliders, each with the band's number.
constexpr DISPID DISPID_BANDS_MOUSEDOWN = 1;
constexpr DISPID DISPID_BANDS_MOUSEUP = 2;
constexpr DISPID DISPID_BANDS_VALUECHANGE = 5;

namespace sondrel {

inline constexpr CLSID CLSID_AudioSlidersBands = com::guid("{1FC69EF8-A749-4831-9005-3BCFB0BC37CF}");
extern const com::TypeDesc kIAudioSlidersBands;
extern const com::TypeDesc k_IAudioSlidersBandsEvents;
extern const com::TypeDesc kCoAudioSlidersBands;

}  // namespace sondrel
