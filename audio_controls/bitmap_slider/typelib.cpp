#include "bitmap_slider/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioSliderType1 = com::dualInterface<IAudioSliderType1>(
    "IAudioSliderType1", "IAudioSliderType1 Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        propget<&IAudioSliderType1::get_BackColor>("BackColor", 12, {{"", kColorType}}, "property BackColor"),
        propput<&IAudioSliderType1::put_BackColor>("BackColor", 12, {com::colorParam("newVal")}, "property BackColor"),
        propget<&IAudioSliderType1::get_BorderColor>("BorderColor", 13, {{"", kColorType}}, "property BorderColor"),
        propput<&IAudioSliderType1::put_BorderColor>("BorderColor", 13, {com::colorParam("newVal")}, "property BorderColor"),
        propget<&IAudioSliderType1::get_BorderType>("BorderType", 14, {}, "property BorderType"),
        propput<&IAudioSliderType1::put_BorderType>("BorderType", 14, {{"newVal"}}, "property BorderType"),
        propget<&IAudioSliderType1::get_Orientation>("Orientation", 15, {}, "property Orientation"),
        propput<&IAudioSliderType1::put_Orientation>("Orientation", 15, {{"newVal"}}, "property Orientation"),
        propget<&IAudioSliderType1::get_Value>("Value", 16, {}, "property Value"),
        propput<&IAudioSliderType1::put_Value>("Value", 16, {{"newVal"}}, "property Value"),
        propget<&IAudioSliderType1::get_Max>("Max", 17, {}, "property Max"),
        propput<&IAudioSliderType1::put_Max>("Max", 17, {{"newVal"}}, "property Max"),
        propput<&IAudioSliderType1::put_Min>("Min", 18, {{"newVal"}}, "property Min"),
        propget<&IAudioSliderType1::get_Min>("Min", 18, {}, "property Min"),
        propget<&IAudioSliderType1::get_Size>("Size", 19, {}, "property Size"),
        propput<&IAudioSliderType1::put_Size>("Size", 19, {{"newVal"}}, "property Size"),
        propget<&IAudioSliderType1::get_Enabled>("Enabled", 20, {{"", VT_BOOL}}, "property Enabled"),
        propput<&IAudioSliderType1::put_Enabled>("Enabled", 20, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&IAudioSliderType1::get_MousePointer>("MousePointer", 21, {}, "property MousePointer"),
        propput<&IAudioSliderType1::put_MousePointer>("MousePointer", 21, {{"newVal"}}, "property MousePointer"),
        propget<&IAudioSliderType1::get_Speed>("Speed", 22, {}, "property Speed"),
        propput<&IAudioSliderType1::put_Speed>("Speed", 22, {{"newVal"}}, "property Speed"),
        propget<&IAudioSliderType1::get_PushEnabled>("PushEnabled", 23, {{"", VT_BOOL}}, "property PushEnabled"),
        propput<&IAudioSliderType1::put_PushEnabled>("PushEnabled", 23, {{"newVal", VT_BOOL}}, "property PushEnabled"),
    });

const com::TypeDesc k_IAudioSliderType1Events = dispInterface(
    "_IAudioSliderType1Events", DIID__IAudioSliderType1Events, "_IAudioSliderType1Events Interface",
    {
        dispMethod("MouseDown", 1, {}, "method MouseDown"),
        dispMethod("MouseUp", 2, {}, "method MouseUp"),
        dispMethod("MouseClick", 3, {}, "method MouseClick"),
        dispMethod("Scroll", 4, {}, "method Scroll"),
        dispMethod("ValueChange", 5, {{"Value", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kCoAudioSliderType1 =
    com::coClass("AudioSliderType1", CLSID_AudioSliderType1, "AudioSliderType1 Class",
                 {{&kIAudioSliderType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioSliderType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
