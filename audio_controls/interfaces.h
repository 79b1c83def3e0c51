#pragma once
// The library's interfaces, identifiers and type tables. Every dual interface derives from
// IDispatch; the animated ones start with the hidden _OnTimer, which the animation thread calls.

#include "com/olecolor.h"
#include "com/typeinfo.h"

struct IAnimationTarget : IDispatch {
    virtual HRESULT _OnTimer() = 0;
};

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

struct IAudioTimeDisplayType1 : IDispatch {
    virtual HRESULT SetTime(LONG millisec) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_DigitStyle(LONG* value) = 0;
    virtual HRESULT put_DigitStyle(LONG value) = 0;
    virtual HRESULT get_ShowHours(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowHours(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowMinutes(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowMinutes(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowSeconds(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowSeconds(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowMilliseconds(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowMilliseconds(VARIANT_BOOL value) = 0;
    virtual HRESULT get_ShowInscriptions(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_ShowInscriptions(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Hours(LONG* value) = 0;
    virtual HRESULT put_Hours(LONG value) = 0;
    virtual HRESULT get_Minutes(LONG* value) = 0;
    virtual HRESULT put_Minutes(LONG value) = 0;
    virtual HRESULT get_Seconds(LONG* value) = 0;
    virtual HRESULT put_Seconds(LONG value) = 0;
    virtual HRESULT get_Milliseconds(LONG* value) = 0;
    virtual HRESULT put_Milliseconds(LONG value) = 0;
    virtual HRESULT get_DisplayColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_DisplayColor(OLE_COLOR value) = 0;
    virtual HRESULT get_DigitColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_DigitColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
    virtual HRESULT get_InscriptionsColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_InscriptionsColor(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioTimeDisplayType1, "{EBC83A0C-166F-4AD2-BF08-F51CA6FA3A5F}");

// The classes whose controls are not built yet carry their interfaces' identity (and, in the
// animated ones, _OnTimer) so that the library and its registration are whole.
struct IAudioAmpBarType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioAmpBarType1, "{7DE18D2D-E05C-4083-A52E-4F8424C7CB6F}");
struct IAudioFlatButton : IAnimationTarget {};
COM_INTERFACE_ID(IAudioFlatButton, "{C861289B-42C3-474D-9D65-9AA04421BEA0}");
struct IAudioFlatSlider : IAnimationTarget {};
COM_INTERFACE_ID(IAudioFlatSlider, "{FB6D5AF4-4A4C-4A2C-8761-6680336EE7D6}");
struct IAudioPlayButtonType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioPlayButtonType1, "{61159A17-2C24-4A44-8618-CA11528A6271}");
struct IAudioPlayButtonType2 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioPlayButtonType2, "{80FBBF21-D9A1-4A0D-9A83-2B984D82CC03}");
struct IAudioSliderType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioSliderType1, "{6F8CF24C-A8E4-4519-B93B-98DF90244FCF}");
struct IAudioSlidersBands : IAnimationTarget {};
COM_INTERFACE_ID(IAudioSlidersBands, "{2F062F78-147B-48DA-965F-7846702152FE}");
struct IAudioStepButtonType1 : IDispatch {};
COM_INTERFACE_ID(IAudioStepButtonType1, "{B41A7E99-BD38-420F-AB19-CC7985860010}");
struct IAudioVolumeButtonType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioVolumeButtonType1, "{A2BA2693-A138-4897-A3CD-2A0D9B47857E}");
struct IAudioVolumeButtonType2 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioVolumeButtonType2, "{08C3190D-6AFE-4C49-9ED4-50C3B9843980}");

inline constexpr GUID LIBID_Sondrel3Lib = com::guid("{DA41C6B8-DB1F-493C-913D-700702AD715B}");
inline constexpr GUID APPID_Sondrel3 = com::guid("{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}");

inline constexpr IID DIID__IAudioSliderType2Events = com::guid("{DB244C18-4BD5-4BF5-8F0A-5D2EBDDC227F}");
inline constexpr IID DIID__IAudioEqualizerType1Events = com::guid("{AF668A68-2C2B-4B52-8303-0B4937B6ABCA}");

// Events of the position slider.
constexpr DISPID DISPID_SLIDER_MOUSEDOWN = 1;
constexpr DISPID DISPID_SLIDER_MOUSEUP = 2;
constexpr DISPID DISPID_SLIDER_VALUECHANGE = 5;

namespace sondrel {

// One row of the class table, in registration order.
struct ClassInfo {
    const char* name;           // the coclass
    CLSID clsid;
    const char* progId;
    const char* independentProgId;
    WORD scriptId;              // the registry script's resource id
    WORD bitmapId;              // the toolbox bitmap's resource id
    IID iid;                    // the dual interface
    const GUID* events;         // the event interface, or nullptr
    const com::TypeDesc* coclass;
    const com::TypeDesc* dual;
};

extern const ClassInfo kClasses[12];
const ClassInfo* findClass(REFCLSID clsid);

extern const com::TypeDesc kIAudioSliderType2;
extern const com::TypeDesc kIAudioTimeDisplayType1;
extern const com::TypeLibDesc kSondrel3Lib;

constexpr DWORD kOleMisc = 131473;

}  // namespace sondrel
