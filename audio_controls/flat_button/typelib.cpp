#include "flat_button/interface.h"

namespace sondrel {

using com::dispMethod;
using com::propget;
using com::propput;
using com::propputref;
using I = IAudioFlatButton;

const com::TypeDesc kIAudioFlatButton = com::dualInterface<I>(
    "IAudioFlatButton", "IAudioFlatButton Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        propget<&I::get_Font>("Font", 11, {}, "property Font"),
        propputref<&I::putref_Font>("Font", 11, {{"pFont"}}, "property Font"),
        propget<&I::get_Caption>("Caption", 12, {}, "property Caption"),
        propput<&I::put_Caption>("Caption", 12, {{"newVal"}}, "property Caption"),
        propget<&I::get_Enabled>("Enabled", 13, {{"", VT_BOOL}}, "property Enabled"),
        propput<&I::put_Enabled>("Enabled", 13, {{"newVal", VT_BOOL}}, "property Enabled"),
    });

const com::TypeDesc k_IAudioFlatButtonEvents = com::dispInterface(
    "_IAudioFlatButtonEvents", DIID__IAudioFlatButtonEvents, "_IAudioFlatButtonEvents Interface",
    {
        dispMethod("MouseDown", DISPID_FLATBUTTON_MOUSEDOWN, {}, "method MouseDown"),
        dispMethod("MouseUp", DISPID_FLATBUTTON_MOUSEUP, {}, "method MouseUp"),
        dispMethod("MouseClick", DISPID_FLATBUTTON_MOUSECLICK, {}, "method MouseClick"),
    });

const com::TypeDesc kCoAudioFlatButton =
    com::coClass("AudioFlatButton", CLSID_AudioFlatButton, "AudioFlatButton Class",
                 {{&kIAudioFlatButton, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioFlatButtonEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
