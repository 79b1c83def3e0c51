#include "position_slider/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioSliderType2 = com::dualInterface<IAudioSliderType2>(
    "IAudioSliderType2", "IAudioSliderType2 Interface",
    {
        onTimerMember(OnTimerUse::Hidden),
        propget<&IAudioSliderType2::get_Enabled>("Enabled", 0xb, {{"", VT_BOOL}}, "property Enabled"),
        propput<&IAudioSliderType2::put_Enabled>("Enabled", 0xb, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&IAudioSliderType2::get_Max>("Max", 0xc, {}, "property Max"),
        propput<&IAudioSliderType2::put_Max>("Max", 0xc, {{"newVal"}}, "property Max"),
        propget<&IAudioSliderType2::get_Min>("Min", 0xd, {}, "property Min"),
        propput<&IAudioSliderType2::put_Min>("Min", 0xd, {{"newVal"}}, "property Min"),
        propget<&IAudioSliderType2::get_Value>("Value", 0xe, {}, "property Value"),
        propput<&IAudioSliderType2::put_Value>("Value", 0xe, {{"newVal"}}, "property Value"),
        propget<&IAudioSliderType2::get_Speed>("Speed", 0xf, {}, "property Speed"),
        propput<&IAudioSliderType2::put_Speed>("Speed", 0xf, {{"newVal"}}, "property Speed"),
        propget<&IAudioSliderType2::get_Orientation>("Orientation", 0x10, {}, "property Orientation"),
        propput<&IAudioSliderType2::put_Orientation>("Orientation", 0x10, {{"newVal"}}, "property Orientation"),
        propget<&IAudioSliderType2::get_BackColor>("BackColor", 0x11, {{"", kColorType}}, "property BackColor"),
        propput<&IAudioSliderType2::put_BackColor>("BackColor", 0x11, {com::colorParam("newVal")}, "property BackColor"),
        propget<&IAudioSliderType2::get_StripColor>("StripColor", 0x12, {{"", kColorType}}, "property StripColor"),
        propput<&IAudioSliderType2::put_StripColor>("StripColor", 0x12, {com::colorParam("newVal")},
                                                    "property StripColor"),
        propget<&IAudioSliderType2::get_BorderColor>("BorderColor", 0x13, {{"", kColorType}}, "property BorderColor"),
        propput<&IAudioSliderType2::put_BorderColor>("BorderColor", 0x13, {com::colorParam("newVal")},
                                                     "property BorderColor"),
        propget<&IAudioSliderType2::get_BorderType>("BorderType", 0x14, {}, "property BorderType"),
        propput<&IAudioSliderType2::put_BorderType>("BorderType", 0x14, {{"newVal"}}, "property BorderType"),
        propget<&IAudioSliderType2::get_MousePointer>("MousePointer", 0x15, {}, "property MousePointer"),
        propput<&IAudioSliderType2::put_MousePointer>("MousePointer", 0x15, {{"newVal"}}, "property MousePointer"),
    });

const com::TypeDesc k_IAudioSliderType2Events = dispInterface(
    "_IAudioSliderType2Events", DIID__IAudioSliderType2Events, "_IAudioSliderType2Events Interface",
    {
        dispMethod("MouseDown", 1, {}, "method MouseDown"),
        dispMethod("MouseUp", 2, {}, "method MouseUp"),
        dispMethod("MouseClick", 3, {}, "method MouseClick"),
        dispMethod("Scroll", 4, {}, "method Scroll"),
        dispMethod("ValueChange", 5, {{"Value", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kCoAudioSliderType2 = com::coClass("AudioSliderType2", CLSID_AudioSliderType2, "AudioSliderType2 Class", {{&kIAudioSliderType2, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioSliderType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
}  // namespace sondrel
