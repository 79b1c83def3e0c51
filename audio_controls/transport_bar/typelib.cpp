#include "transport_bar/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::method;
using com::propget;
using com::propput;
using I = IAudioPlayButtonType2;

const com::TypeDesc kIAudioPlayButtonType2 = com::dualInterface<I>(
    "IAudioPlayButtonType2", "IAudioPlayButtonType2 Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        method<&I::ChangeVolume>("ChangeVolume", 2, {{"Volume"}}, "method ChangeVolume"),
        method<&I::Play>("Play", 3, {}, "method Play"),
        method<&I::Pause>("Pause", 4, {}, "method Pause"),
        method<&I::Stop>("Stop", 5, {}, "method Stop"),
        method<&I::Record>("Record", 6, {}, "method Record"),
        propget<&I::get_BorderColor>("BorderColor", 8, {{"", kColorType}}, "property BorderColor"),
        propput<&I::put_BorderColor>("BorderColor", 8, {com::colorParam("newVal")}, "property BorderColor"),
        propget<&I::get_Color>("Color", 9, {{"", kColorType}}, "property Color"),
        propput<&I::put_Color>("Color", 9, {com::colorParam("newVal")}, "property Color"),
        propget<&I::get_BorderType>("BorderType", 11, {}, "property BorderType"),
        propput<&I::put_BorderType>("BorderType", 11, {{"newVal"}}, "property BorderType"),
        propget<&I::get_ShowButtonRecord>("ShowButtonRecord", 12, {{"", VT_BOOL}}, "property ShowButtonRecord"),
        propput<&I::put_ShowButtonRecord>("ShowButtonRecord", 12, {{"newVal", VT_BOOL}},
                                          "property ShowButtonRecord"),
        propget<&I::get_ShowPositionControls>("ShowPositionControls", 13, {{"", VT_BOOL}},
                                              "property ShowPositionControls"),
        propput<&I::put_ShowPositionControls>("ShowPositionControls", 13, {{"newVal", VT_BOOL}},
                                              "property ShowPositionControls"),
        propget<&I::get_ShowVolumeControls>("ShowVolumeControls", 14, {{"", VT_BOOL}},
                                            "property ShowVolumeControls"),
        propput<&I::put_ShowVolumeControls>("ShowVolumeControls", 14, {{"newVal", VT_BOOL}},
                                            "property ShowVolumeControls"),
        propget<&I::get_Enabled>("Enabled", 16, {{"", VT_BOOL}}, "property Enabled"),
        propput<&I::put_Enabled>("Enabled", 16, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&I::get_EnableButtons>("EnableButtons", 17, {}, "property EnableButtons"),
        propput<&I::put_EnableButtons>("EnableButtons", 17, {{"newVal"}}, "property EnableButtons"),
        propget<&I::get_Mute>("Mute", 18, {{"", VT_BOOL}}, "property Mute"),
        propput<&I::put_Mute>("Mute", 18, {{"newVal", VT_BOOL}}, "property Mute"),
    });

const com::TypeDesc k_IAudioPlayButtonType2Events = dispInterface(
    "_IAudioPlayButtonType2Events", DIID__IAudioPlayButtonType2Events, "_IAudioPlayButtonType2Events Interface",
    {
        dispMethod("MouseDown", DISPID_TRANSPORT_MOUSEDOWN, {{"Button", VT_I4}}, "method MouseDown"),
        dispMethod("MouseClick", DISPID_TRANSPORT_MOUSECLICK, {{"Button", VT_I4}}, "method MouseClick"),
        dispMethod("MouseUp", DISPID_TRANSPORT_MOUSEUP, {}, "method MouseUp"),
        dispMethod("ChangeVolume", DISPID_TRANSPORT_CHANGEVOLUME, {{"Volume", VT_I4}}, "method ChangeVolume"),
    });

const com::TypeDesc kCoAudioPlayButtonType2 =
    com::coClass("AudioPlayButtonType2", CLSID_AudioPlayButtonType2, "AudioPlayButtonType2 Class",
                 {{&kIAudioPlayButtonType2, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioPlayButtonType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
