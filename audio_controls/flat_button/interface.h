#pragma once
// The flat push button's interface and events.

#include "com/olefont.h"
#include "interface_base.h"

struct IAudioFlatButton : IAnimationTarget {
    virtual HRESULT get_Font(IFontDisp** value) = 0;
    virtual HRESULT putref_Font(IFontDisp* value) = 0;
    virtual HRESULT get_Caption(BSTR* value) = 0;
    virtual HRESULT put_Caption(BSTR value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
};
COM_INTERFACE_ID(IAudioFlatButton, "{C861289B-42C3-474D-9D65-9AA04421BEA0}");
inline constexpr IID DIID__IAudioFlatButtonEvents = com::guid("{6442B1AB-9473-4199-BF06-278BA42513D2}");

// Events of the flat button; none has arguments.
constexpr DISPID DISPID_FLATBUTTON_MOUSEDOWN = 1;
constexpr DISPID DISPID_FLATBUTTON_MOUSEUP = 2;
constexpr DISPID DISPID_FLATBUTTON_MOUSECLICK = 3;

namespace sondrel {

inline constexpr CLSID CLSID_AudioFlatButton = com::guid("{AA458875-525B-4A98-B0FD-2CEADF2BFF7F}");
extern const com::TypeDesc kIAudioFlatButton;
extern const com::TypeDesc k_IAudioFlatButtonEvents;
extern const com::TypeDesc kCoAudioFlatButton;

}  // namespace sondrel
