#include "time_display/interface.h"

namespace sondrel {

using com::method;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioTimeDisplayType1 = com::dualInterface<IAudioTimeDisplayType1>(
    "IAudioTimeDisplayType1", "IAudioTimeDisplayType1 Interface",
    {
        method<&IAudioTimeDisplayType1::SetTime>("SetTime", 1, {{"millisec"}}, "method SetTime"),
        propget<&IAudioTimeDisplayType1::get_BorderType>("BorderType", 0xb, {}, "property BorderType"),
        propput<&IAudioTimeDisplayType1::put_BorderType>("BorderType", 0xb, {{"newVal"}}, "property BorderType"),
        propget<&IAudioTimeDisplayType1::get_DigitStyle>("DigitStyle", 0xc, {}, "property DigitStyle"),
        propput<&IAudioTimeDisplayType1::put_DigitStyle>("DigitStyle", 0xc, {{"newVal"}}, "property DigitStyle"),
        propget<&IAudioTimeDisplayType1::get_ShowHours>("ShowHours", 0xd, {{"", VT_BOOL}}, "property ShowHours"),
        propput<&IAudioTimeDisplayType1::put_ShowHours>("ShowHours", 0xd, {{"newVal", VT_BOOL}},
                                                        "property ShowHours"),
        propget<&IAudioTimeDisplayType1::get_ShowMinutes>("ShowMinutes", 0xe, {{"", VT_BOOL}},
                                                          "property ShowMinutes"),
        propput<&IAudioTimeDisplayType1::put_ShowMinutes>("ShowMinutes", 0xe, {{"newVal", VT_BOOL}},
                                                          "property ShowMinutes"),
        propget<&IAudioTimeDisplayType1::get_ShowSeconds>("ShowSeconds", 0xf, {{"", VT_BOOL}},
                                                          "property ShowSeconds"),
        propput<&IAudioTimeDisplayType1::put_ShowSeconds>("ShowSeconds", 0xf, {{"newVal", VT_BOOL}},
                                                          "property ShowSeconds"),
        propget<&IAudioTimeDisplayType1::get_ShowMilliseconds>("ShowMilliseconds", 0x10, {{"", VT_BOOL}},
                                                               "property ShowMilliseconds"),
        propput<&IAudioTimeDisplayType1::put_ShowMilliseconds>("ShowMilliseconds", 0x10, {{"newVal", VT_BOOL}},
                                                               "property ShowMilliseconds"),
        propget<&IAudioTimeDisplayType1::get_ShowInscriptions>("ShowInscriptions", 0x12, {{"", VT_BOOL}},
                                                               "property ShowInscriptions"),
        propput<&IAudioTimeDisplayType1::put_ShowInscriptions>("ShowInscriptions", 0x12, {{"newVal", VT_BOOL}},
                                                               "property ShowInscriptions"),
        propget<&IAudioTimeDisplayType1::get_Hours>("Hours", 0x13, {}, "property Hours"),
        propput<&IAudioTimeDisplayType1::put_Hours>("Hours", 0x13, {{"newVal"}}, "property Hours"),
        propget<&IAudioTimeDisplayType1::get_Minutes>("Minutes", 0x14, {}, "property Minutes"),
        propput<&IAudioTimeDisplayType1::put_Minutes>("Minutes", 0x14, {{"newVal"}}, "property Minutes"),
        propget<&IAudioTimeDisplayType1::get_Seconds>("Seconds", 0x15, {}, "property Seconds"),
        propput<&IAudioTimeDisplayType1::put_Seconds>("Seconds", 0x15, {{"newVal"}}, "property Seconds"),
        propget<&IAudioTimeDisplayType1::get_Milliseconds>("Milliseconds", 0x16, {}, "property Milliseconds"),
        propput<&IAudioTimeDisplayType1::put_Milliseconds>("Milliseconds", 0x16, {{"newVal"}},
                                                           "property Milliseconds"),
        propget<&IAudioTimeDisplayType1::get_DisplayColor>("DisplayColor", 0x17, {{"", kColorType}},
                                                           "property DisplayColor"),
        propput<&IAudioTimeDisplayType1::put_DisplayColor>("DisplayColor", 0x17, {com::colorParam("newVal")},
                                                           "property DisplayColor"),
        propget<&IAudioTimeDisplayType1::get_DigitColor>("DigitColor", 0x18, {{"", kColorType}}, "property DigitColor"),
        propput<&IAudioTimeDisplayType1::put_DigitColor>("DigitColor", 0x18, {com::colorParam("newVal")},
                                                         "property DigitColor"),
        propget<&IAudioTimeDisplayType1::get_BorderColor>("BorderColor", 0x19, {{"", kColorType}},
                                                          "property BorderColor"),
        propput<&IAudioTimeDisplayType1::put_BorderColor>("BorderColor", 0x19, {com::colorParam("newVal")},
                                                          "property BorderColor"),
        propget<&IAudioTimeDisplayType1::get_InscriptionsColor>("InscriptionsColor", 0x1a, {{"", kColorType}},
                                                                "property InscriptionsColor"),
        propput<&IAudioTimeDisplayType1::put_InscriptionsColor>("InscriptionsColor", 0x1a, {com::colorParam("newVal")},
                                                                "property InscriptionsColor"),
    });

const com::TypeDesc kCoAudioTimeDisplayType1 = com::coClass("AudioTimeDisplayType1", CLSID_AudioTimeDisplayType1, "AudioTimeDisplayType1 Class", {{&kIAudioTimeDisplayType1, IMPLTYPEFLAG_FDEFAULT}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
}  // namespace sondrel
