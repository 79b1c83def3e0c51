#include "flat_slider/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioFlatSlider = com::dualInterface<IAudioFlatSlider>(
    "IAudioFlatSlider", "IAudioFlatSlider Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        com::method<&IAudioFlatSlider::SetValue>("SetValue", 1, {{"Value"}}, "method SetValue"),
        propget<&IAudioFlatSlider::get_BackColor>("BackColor", 10, {{"", kColorType}}, "property BackColor"),
        propput<&IAudioFlatSlider::put_BackColor>("BackColor", 10, {com::colorParam("newVal")}, "property BackColor"),
        propget<&IAudioFlatSlider::get_Max>("Max", 11, {}, "property Max"),
        propput<&IAudioFlatSlider::put_Max>("Max", 11, {{"newVal"}}, "property Max"),
        propget<&IAudioFlatSlider::get_Min>("Min", 12, {}, "property Min"),
        propput<&IAudioFlatSlider::put_Min>("Min", 12, {{"newVal"}}, "property Min"),
        propget<&IAudioFlatSlider::get_Orientation>("Orientation", 13, {}, "property Orientation"),
        propput<&IAudioFlatSlider::put_Orientation>("Orientation", 13, {{"newVal"}}, "property Orientation"),
        propget<&IAudioFlatSlider::get_MousePointer>("MousePointer", 14, {}, "property MousePointer"),
        propput<&IAudioFlatSlider::put_MousePointer>("MousePointer", 14, {{"newVal"}}, "property MousePointer"),
        propget<&IAudioFlatSlider::get_TrackBorderColor>("TrackBorderColor", 15, {{"", kColorType}}, "property TrackBorderColor"),
        propput<&IAudioFlatSlider::put_TrackBorderColor>("TrackBorderColor", 15, {com::colorParam("newVal")}, "property TrackBorderColor"),
        propget<&IAudioFlatSlider::get_Enabled>("Enabled", 16, {{"", VT_BOOL}}, "property Enabled"),
        propput<&IAudioFlatSlider::put_Enabled>("Enabled", 16, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&IAudioFlatSlider::get_TrackStyle>("TrackStyle", 17, {}, "property TrackStyle"),
        propput<&IAudioFlatSlider::put_TrackStyle>("TrackStyle", 17, {{"newVal"}}, "property TrackStyle"),
        propget<&IAudioFlatSlider::get_Speed>("Speed", 18, {}, "property Speed"),
        propput<&IAudioFlatSlider::put_Speed>("Speed", 18, {{"newVal"}}, "property Speed"),
        propget<&IAudioFlatSlider::get_TrackColor>("TrackColor", 19, {{"", kColorType}}, "property TrackColor"),
        propput<&IAudioFlatSlider::put_TrackColor>("TrackColor", 19, {com::colorParam("newVal")}, "property TrackColor"),
        propget<&IAudioFlatSlider::get_Value>("Value", 20, {}, "property Value"),
        propput<&IAudioFlatSlider::put_Value>("Value", 20, {{"newVal"}}, "property Value"),
        propget<&IAudioFlatSlider::get_ThumbLength>("ThumbLength", 21, {}, "property ThumbLength"),
        propput<&IAudioFlatSlider::put_ThumbLength>("ThumbLength", 21, {{"newVal"}}, "property ThumbLength"),
        propget<&IAudioFlatSlider::get_TrackWidth>("TrackWidth", 22, {}, "property TrackWidth"),
        propput<&IAudioFlatSlider::put_TrackWidth>("TrackWidth", 22, {{"newVal"}}, "property TrackWidth"),
        propget<&IAudioFlatSlider::get_Ticks>("Ticks", 23, {{"", VT_BOOL}}, "property Ticks"),
        propput<&IAudioFlatSlider::put_Ticks>("Ticks", 23, {{"newVal", VT_BOOL}}, "property Ticks"),
    });

const com::TypeDesc k_IAudioFlatSliderEvents = dispInterface(
    "_IAudioFlatSliderEvents", DIID__IAudioFlatSliderEvents, "_IAudioFlatSliderEvents Interface",
    {
        dispMethod("MouseDown", 1, {}, "method MouseDown"),
        dispMethod("MouseUp", 2, {}, "method MouseUp"),
        dispMethod("MouseClick", 3, {}, "method MouseClick"),
        dispMethod("Scroll", 4, {}, "method Scroll"),
        dispMethod("ValueChange", 5, {{"Value", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kCoAudioFlatSlider =
    com::coClass("AudioFlatSlider", CLSID_AudioFlatSlider, "AudioFlatSlider Class",
                 {{&kIAudioFlatSlider, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioFlatSliderEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
