#include "band_sliders/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioSlidersBands = com::dualInterface<IAudioSlidersBands>(
    "IAudioSlidersBands", "IAudioSlidersBands Interface",
    {
        onTimerMember(OnTimerUse::Hidden),
        propget<&IAudioSlidersBands::get_BandCount>("BandCount", 0x1, {}, "property BandCount"),
        propput<&IAudioSlidersBands::put_BandCount>("BandCount", 0x1, {{"newVal"}}, "property BandCount"),
        propget<&IAudioSlidersBands::get_BandNum>("BandNum", 0x2, {}, "property BandNum"),
        propput<&IAudioSlidersBands::put_BandNum>("BandNum", 0x2, {{"newVal"}}, "property BandNum"),
        propget<&IAudioSlidersBands::get_BandValue>("BandValue", 0x3, {}, "property BandValue"),
        propput<&IAudioSlidersBands::put_BandValue>("BandValue", 0x3, {{"newVal"}}, "property BandValue"),
        propget<&IAudioSlidersBands::get_BorderType>("BorderType", 0xc, {}, "property BorderType"),
        propput<&IAudioSlidersBands::put_BorderType>("BorderType", 0xc, {{"newVal"}}, "property BorderType"),
        propget<&IAudioSlidersBands::get_HorizontalInscriptions>("HorizontalInscriptions", 0xd, {{"", VT_BOOL}}, "property HorizontalInscriptions"),
        propput<&IAudioSlidersBands::put_HorizontalInscriptions>("HorizontalInscriptions", 0xd, {{"newVal", VT_BOOL}}, "property HorizontalInscriptions"),
        propget<&IAudioSlidersBands::get_ScaleYVisible>("ScaleYVisible", 0xe, {{"", VT_BOOL}}, "property ScaleYVisible"),
        propput<&IAudioSlidersBands::put_ScaleYVisible>("ScaleYVisible", 0xe, {{"newVal", VT_BOOL}}, "property ScaleYVisible"),
        propget<&IAudioSlidersBands::get_Max>("Max", 0xf, {}, "property Max"),
        propput<&IAudioSlidersBands::put_Max>("Max", 0xf, {{"newVal"}}, "property Max"),
        propget<&IAudioSlidersBands::get_Min>("Min", 0x10, {}, "property Min"),
        propput<&IAudioSlidersBands::put_Min>("Min", 0x10, {{"newVal"}}, "property Min"),
        propget<&IAudioSlidersBands::get_SliderType>("SliderType", 0x1d, {}, "property SliderType"),
        propput<&IAudioSlidersBands::put_SliderType>("SliderType", 0x1d, {{"newVal"}}, "property SliderType"),
        propget<&IAudioSlidersBands::get_InscriptionsColor>("InscriptionsColor", 0x1e, {{"", kColorType}}, "property InscriptionsColor"),
        propput<&IAudioSlidersBands::put_InscriptionsColor>("InscriptionsColor", 0x1e, {com::colorParam("newVal")}, "property InscriptionsColor"),
        propget<&IAudioSlidersBands::get_BorderColor>("BorderColor", 0x1f, {{"", kColorType}}, "property BorderColor"),
        propput<&IAudioSlidersBands::put_BorderColor>("BorderColor", 0x1f, {com::colorParam("newVal")}, "property BorderColor"),
        propget<&IAudioSlidersBands::get_TickColor>("TickColor", 0x20, {{"", kColorType}}, "property TickColor"),
        propput<&IAudioSlidersBands::put_TickColor>("TickColor", 0x20, {com::colorParam("newVal")}, "property TickColor"),
        propget<&IAudioSlidersBands::get_Enabled>("Enabled", 0x21, {{"", VT_BOOL}}, "property Enabled"),
        propput<&IAudioSlidersBands::put_Enabled>("Enabled", 0x21, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&IAudioSlidersBands::get_BackColor>("BackColor", 0x22, {{"", kColorType}}, "property BackColor"),
        propput<&IAudioSlidersBands::put_BackColor>("BackColor", 0x22, {com::colorParam("newVal")}, "property BackColor"),
        propget<&IAudioSlidersBands::get_SliderColor>("SliderColor", 0x23, {{"", kColorType}}, "property SliderColor"),
        propput<&IAudioSlidersBands::put_SliderColor>("SliderColor", 0x23, {com::colorParam("newVal")}, "property SliderColor"),
        propget<&IAudioSlidersBands::get_Slider2BackColor>("Slider2BackColor", 0x24, {{"", kColorType}}, "property Slider2BackColor"),
        propput<&IAudioSlidersBands::put_Slider2BackColor>("Slider2BackColor", 0x24, {com::colorParam("newVal")}, "property Slider2BackColor"),
        propget<&IAudioSlidersBands::get_TicksFrequency>("TicksFrequency", 0x26, {}, "property TicksFrequency"),
        propput<&IAudioSlidersBands::put_TicksFrequency>("TicksFrequency", 0x26, {{"newVal"}}, "property TicksFrequency"),
        propget<&IAudioSlidersBands::get_ShowTicks>("ShowTicks", 0x27, {{"", VT_BOOL}}, "property ShowTicks"),
        propput<&IAudioSlidersBands::put_ShowTicks>("ShowTicks", 0x27, {{"newVal", VT_BOOL}}, "property ShowTicks"),
    });

const com::TypeDesc k_IAudioSlidersBandsEvents = dispInterface(
    "_IAudioSlidersBandsEvents", DIID__IAudioSlidersBandsEvents, "_IAudioSlidersBandsEvents Interface",
    {
        dispMethod("MouseDown", 1, {{"Band", VT_I4}}, "method MouseDown"),
        dispMethod("MouseUp", 2, {{"Band", VT_I4}}, "method MouseUp"),
        dispMethod("MouseClick", 3, {{"Band", VT_I4}}, "method MouseClick"),
        dispMethod("Scroll", 4, {{"Band", VT_I4}}, "method Scroll"),
        dispMethod("ValueChange", 5, {{"Band", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kCoAudioSlidersBands =
    com::coClass("AudioSlidersBands", CLSID_AudioSlidersBands, "AudioSlidersBands Class",
                 {{&kIAudioSlidersBands, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioSlidersBandsEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
