#include "amp_bar/interface.h"

namespace sondrel {

using com::method;
using com::propget;
using com::propput;
using I = IAudioAmpBarType1;

const com::TypeDesc kIAudioAmpBarType1 = com::dualInterface<I>(
    "IAudioAmpBarType1", "IAudioAmpBarType1 Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        method<&I::Move>("Move", 1, {{"left"}, {"top"}, {"width"}, {"height"}}, "method Move"),
        propget<&I::get_Value>("Value", 11, {}, "property Value"),
        propput<&I::put_Value>("Value", 11, {{"newVal"}}, "property Value"),
        propget<&I::get_BorderType>("BorderType", 12, {}, "property BorderType"),
        propput<&I::put_BorderType>("BorderType", 12, {{"newVal"}}, "property BorderType"),
        propget<&I::get_Min>("Min", 14, {}, "property Min"),
        propput<&I::put_Min>("Min", 14, {{"newVal"}}, "property Min"),
        propget<&I::get_Max>("Max", 15, {}, "property Max"),
        propput<&I::put_Max>("Max", 15, {{"newVal"}}, "property Max"),
        propget<&I::get_Style>("Style", 16, {}, "property Style"),
        propput<&I::put_Style>("Style", 16, {{"newVal"}}, "property Style"),
        propget<&I::get_Speed>("Speed", 17, {}, "property Speed"),
        propput<&I::put_Speed>("Speed", 17, {{"newVal"}}, "property Speed"),
        propget<&I::get_TickInterval>("TickInterval", 18, {}, "property TickInterval"),
        propput<&I::put_TickInterval>("TickInterval", 18, {{"newVal"}}, "property TickInterval"),
        propget<&I::get_TickWidth>("TickWidth", 19, {}, "property TickWidth"),
        propput<&I::put_TickWidth>("TickWidth", 19, {{"newVal"}}, "property TickWidth"),
        propget<&I::get_PickWidthPercent>("PickWidthPercent", 20, {}, "property PickWidthPercent"),
        propput<&I::put_PickWidthPercent>("PickWidthPercent", 20, {{"newVal"}}, "property PickWidthPercent"),
        propget<&I::get_TickColor>("TickColor", 21, {{"", kColorType}}, "property TickColor"),
        propput<&I::put_TickColor>("TickColor", 21, {com::colorParam("newVal")}, "property TickColor"),
        propget<&I::get_PickColor>("PickColor", 22, {{"", kColorType}}, "property PickColor"),
        propput<&I::put_PickColor>("PickColor", 22, {com::colorParam("newVal")}, "property PickColor"),
        propget<&I::get_TickBackColor>("TickBackColor", 23, {{"", kColorType}}, "property TickBackColor"),
        propput<&I::put_TickBackColor>("TickBackColor", 23, {com::colorParam("newVal")}, "property TickBackColor"),
        propget<&I::get_BackColor>("BackColor", 24, {{"", kColorType}}, "property BackColor"),
        propput<&I::put_BackColor>("BackColor", 24, {com::colorParam("newVal")}, "property BackColor"),
        propget<&I::get_Orientation>("Orientation", 25, {}, "property Orientation"),
        propput<&I::put_Orientation>("Orientation", 25, {{"newVal"}}, "property Orientation"),
        propget<&I::get_BorderColor>("BorderColor", 26, {{"", kColorType}}, "property BorderColor"),
        propput<&I::put_BorderColor>("BorderColor", 26, {com::colorParam("newVal")}, "property BorderColor"),
    });

const com::TypeDesc kCoAudioAmpBarType1 =
    com::coClass("AudioAmpBarType1", CLSID_AudioAmpBarType1, "AudioAmpBarType1 Class",
                 {{&kIAudioAmpBarType1, IMPLTYPEFLAG_FDEFAULT}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
