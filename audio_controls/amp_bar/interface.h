#pragma once
// The level bar's interface; it has no events.

#include "interface_base.h"

struct IAudioAmpBarType1 : IAnimationTarget {
    virtual HRESULT Move(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_BorderType(LONG* value) = 0;
    virtual HRESULT put_BorderType(LONG value) = 0;
    virtual HRESULT get_Min(LONG* value) = 0;
    virtual HRESULT put_Min(LONG value) = 0;
    virtual HRESULT get_Max(LONG* value) = 0;
    virtual HRESULT put_Max(LONG value) = 0;
    virtual HRESULT get_Style(LONG* value) = 0;
    virtual HRESULT put_Style(LONG value) = 0;
    virtual HRESULT get_Speed(DOUBLE* value) = 0;
    virtual HRESULT put_Speed(DOUBLE value) = 0;
    virtual HRESULT get_TickInterval(LONG* value) = 0;
    virtual HRESULT put_TickInterval(LONG value) = 0;
    virtual HRESULT get_TickWidth(LONG* value) = 0;
    virtual HRESULT put_TickWidth(LONG value) = 0;
    virtual HRESULT get_PickWidthPercent(LONG* value) = 0;
    virtual HRESULT put_PickWidthPercent(LONG value) = 0;
    virtual HRESULT get_TickColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_TickColor(OLE_COLOR value) = 0;
    virtual HRESULT get_PickColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_PickColor(OLE_COLOR value) = 0;
    virtual HRESULT get_TickBackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_TickBackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_Orientation(LONG* value) = 0;
    virtual HRESULT put_Orientation(LONG value) = 0;
    virtual HRESULT get_BorderColor(OLE_COLOR* value) = 0;
    virtual HRESULT put_BorderColor(OLE_COLOR value) = 0;
};
COM_INTERFACE_ID(IAudioAmpBarType1, "{7DE18D2D-E05C-4083-A52E-4F8424C7CB6F}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioAmpBarType1 = com::guid("{660662D8-4E39-46FE-8CB8-C6CAC9CBCE7F}");
extern const com::TypeDesc kIAudioAmpBarType1;
extern const com::TypeDesc kCoAudioAmpBarType1;

}  // namespace sondrel
