#include "volume_knob/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;
using I = IAudioVolumeButtonType1;

const com::TypeDesc kIAudioVolumeButtonType1 = com::dualInterface<I>(
    "IAudioVolumeButtonType1", "IAudioVolumeButtonType1 Interface",
    {
        onTimerMember(OnTimerUse::Hidden),
        propget<&I::get_Value>("Value", 0xa, {}, "property Value"),
        propput<&I::put_Value>("Value", 0xa, {{"newVal"}}, "property Value"),
        propget<&I::get_Max>("Max", 0xb, {}, "property Max"),
        propput<&I::put_Max>("Max", 0xb, {{"newVal"}}, "property Max"),
        propget<&I::get_Min>("Min", 0xc, {}, "property Min"),
        propput<&I::put_Min>("Min", 0xc, {{"newVal"}}, "property Min"),
        propget<&I::get_Speed>("Speed", 0xd, {}, "property Speed"),
        propput<&I::put_Speed>("Speed", 0xd, {{"newVal"}}, "property Speed"),
        propget<&I::get_Enabled>("Enabled", 0xe, {{"", VT_BOOL}}, "property Enabled"),
        propput<&I::put_Enabled>("Enabled", 0xe, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&I::get_Flat>("Flat", 0xf, {{"", VT_BOOL}}, "property Flat"),
        propput<&I::put_Flat>("Flat", 0xf, {{"newVal", VT_BOOL}}, "property Flat"),
        propget<&I::get_MousePointer>("MousePointer", 0x10, {}, "property MousePointer"),
        propput<&I::put_MousePointer>("MousePointer", 0x10, {{"newVal"}}, "property MousePointer"),
        propget<&I::get_BorderType>("BorderType", 0x11, {}, "property BorderType"),
        propput<&I::put_BorderType>("BorderType", 0x11, {{"newVal"}}, "property BorderType"),
        propget<&I::get_StartPos>("StartPos", 0x1e, {}, "property StartPos"),
        propput<&I::put_StartPos>("StartPos", 0x1e, {{"newVal"}}, "property StartPos"),
        propget<&I::get_IndColor>("IndColor", 0x1f, {}, "property IndColor"),
        propput<&I::put_IndColor>("IndColor", 0x1f, {{"newVal"}}, "property IndColor"),
        propget<&I::get_Color>("Color", 0x20, {{"", kColorType}}, "property Color"),
        propput<&I::put_Color>("Color", 0x20, {com::colorParam("newVal")}, "property Color"),
        propget<&I::get_BackColor>("BackColor", 0x21, {{"", kColorType}}, "property BackColor"),
        propput<&I::put_BackColor>("BackColor", 0x21, {com::colorParam("newVal")}, "property BackColor"),
    });

const com::TypeDesc k_IAudioVolumeButtonType1Events = dispInterface(
    "_IAudioVolumeButtonType1Events", DIID__IAudioVolumeButtonType1Events, "_IAudioVolumeButtonType1Events Interface",
    {
        dispMethod("MouseClick", 1, {{"InButton", VT_BOOL}}, "method MouseClick"),
        dispMethod("MouseDown", 2, {{"InButton", VT_BOOL}}, "method MouseDown"),
        dispMethod("MouseUp", 3, {}, "method MouseUp"),
        dispMethod("ValueChange", 4, {{"Value", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kCoAudioVolumeButtonType1 =
    com::coClass("AudioVolumeButtonType1", CLSID_AudioVolumeButtonType1, "AudioVolumeButtonType1 Class",
                 {{&kIAudioVolumeButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioVolumeButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
