#pragma once
// The time display's interface (it has no events).

#include "interface_base.h"

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

namespace sondrel {

inline constexpr CLSID CLSID_AudioTimeDisplayType1 = com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}");
extern const com::TypeDesc kIAudioTimeDisplayType1;
extern const com::TypeDesc kCoAudioTimeDisplayType1;

}  // namespace sondrel
