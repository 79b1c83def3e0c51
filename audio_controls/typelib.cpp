#include "interfaces.h"

namespace sondrel {

namespace {

using com::dispInterface;
using com::dispMethod;
using com::method;
using com::propget;
using com::propput;

constexpr VARTYPE kColor = VT_UI4;

com::MemberDesc onTimer() {
    return method<&IAnimationTarget::_OnTimer>("_OnTimer", 0, {}, "method _OnTimer", FUNCFLAG_FHIDDEN);
}

template <class I>
com::TypeDesc animatedStub(const char* name, const char* help) {
    return com::dualInterface<I>(name, help, {onTimer()});
}

}  // namespace

const com::TypeDesc kIAudioSliderType2 = com::dualInterface<IAudioSliderType2>(
    "IAudioSliderType2", "IAudioSliderType2 Interface",
    {
        onTimer(),
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
        propget<&IAudioSliderType2::get_BackColor>("BackColor", 0x11, {{"", kColor}}, "property BackColor"),
        propput<&IAudioSliderType2::put_BackColor>("BackColor", 0x11, {{"newVal", kColor}}, "property BackColor"),
        propget<&IAudioSliderType2::get_StripColor>("StripColor", 0x12, {{"", kColor}}, "property StripColor"),
        propput<&IAudioSliderType2::put_StripColor>("StripColor", 0x12, {{"newVal", kColor}},
                                                    "property StripColor"),
        propget<&IAudioSliderType2::get_BorderColor>("BorderColor", 0x13, {{"", kColor}}, "property BorderColor"),
        propput<&IAudioSliderType2::put_BorderColor>("BorderColor", 0x13, {{"newVal", kColor}},
                                                     "property BorderColor"),
        propget<&IAudioSliderType2::get_BorderType>("BorderType", 0x14, {}, "property BorderType"),
        propput<&IAudioSliderType2::put_BorderType>("BorderType", 0x14, {{"newVal"}}, "property BorderType"),
        propget<&IAudioSliderType2::get_MousePointer>("MousePointer", 0x15, {}, "property MousePointer"),
        propput<&IAudioSliderType2::put_MousePointer>("MousePointer", 0x15, {{"newVal"}}, "property MousePointer"),
    });

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
        propget<&IAudioTimeDisplayType1::get_DisplayColor>("DisplayColor", 0x17, {{"", kColor}},
                                                           "property DisplayColor"),
        propput<&IAudioTimeDisplayType1::put_DisplayColor>("DisplayColor", 0x17, {{"newVal", kColor}},
                                                           "property DisplayColor"),
        propget<&IAudioTimeDisplayType1::get_DigitColor>("DigitColor", 0x18, {{"", kColor}}, "property DigitColor"),
        propput<&IAudioTimeDisplayType1::put_DigitColor>("DigitColor", 0x18, {{"newVal", kColor}},
                                                         "property DigitColor"),
        propget<&IAudioTimeDisplayType1::get_BorderColor>("BorderColor", 0x19, {{"", kColor}},
                                                          "property BorderColor"),
        propput<&IAudioTimeDisplayType1::put_BorderColor>("BorderColor", 0x19, {{"newVal", kColor}},
                                                          "property BorderColor"),
        propget<&IAudioTimeDisplayType1::get_InscriptionsColor>("InscriptionsColor", 0x1a, {{"", kColor}},
                                                                "property InscriptionsColor"),
        propput<&IAudioTimeDisplayType1::put_InscriptionsColor>("InscriptionsColor", 0x1a, {{"newVal", kColor}},
                                                                "property InscriptionsColor"),
    });

namespace {

const com::TypeDesc kISliderType2Events = dispInterface(
    "_IAudioSliderType2Events", DIID__IAudioSliderType2Events, "_IAudioSliderType2Events Interface",
    {
        dispMethod("MouseDown", 1, {}, "method MouseDown"),
        dispMethod("MouseUp", 2, {}, "method MouseUp"),
        dispMethod("MouseClick", 3, {}, "method MouseClick"),
        dispMethod("Scroll", 4, {}, "method Scroll"),
        dispMethod("ValueChange", 5, {{"Value", VT_I4}}, "method ValueChange"),
    });

const com::TypeDesc kIEqualizerType1Events = dispInterface(
    "_IAudioEqualizerType1Events", DIID__IAudioEqualizerType1Events, "_IAudioEqualizerType1Events Interface",
    {
        dispMethod("MouseDown", 1, {{"Band", VT_I4}}, "method MouseDown"),
        dispMethod("MouseUp", 2, {}, "method MouseUp"),
        dispMethod("ValueChange", 3, {{"Band", VT_I4}}, "method ValueChange"),
    });

constexpr IID kEventsAudioFlatButton = com::guid("{6442B1AB-9473-4199-BF06-278BA42513D2}");
const com::TypeDesc k_IAudioFlatButtonEvents = dispInterface("_IAudioFlatButtonEvents", kEventsAudioFlatButton, "_IAudioFlatButtonEvents Interface", {});
constexpr IID kEventsAudioFlatSlider = com::guid("{99084FD3-B71C-4C61-A176-E555EB3AEF9F}");
const com::TypeDesc k_IAudioFlatSliderEvents = dispInterface("_IAudioFlatSliderEvents", kEventsAudioFlatSlider, "_IAudioFlatSliderEvents Interface", {});
constexpr IID kEventsAudioPlayButtonType1 = com::guid("{F1B33D9C-CAE8-4E94-BBD4-4982FBE04F74}");
const com::TypeDesc k_IAudioPlayButtonType1Events = dispInterface("_IAudioPlayButtonType1Events", kEventsAudioPlayButtonType1, "_IAudioPlayButtonType1Events Interface", {});
constexpr IID kEventsAudioPlayButtonType2 = com::guid("{B6DC2964-4512-4B55-92C6-E572C0CA8E49}");
const com::TypeDesc k_IAudioPlayButtonType2Events = dispInterface("_IAudioPlayButtonType2Events", kEventsAudioPlayButtonType2, "_IAudioPlayButtonType2Events Interface", {});
constexpr IID kEventsAudioSliderType1 = com::guid("{E4876172-5417-4CD5-85D6-48BAF1DDFEF2}");
const com::TypeDesc k_IAudioSliderType1Events = dispInterface("_IAudioSliderType1Events", kEventsAudioSliderType1, "_IAudioSliderType1Events Interface", {});
constexpr IID kEventsAudioSlidersBands = com::guid("{9DDE4BEE-D515-413A-80E6-E7A40C87D226}");
const com::TypeDesc k_IAudioSlidersBandsEvents = dispInterface("_IAudioSlidersBandsEvents", kEventsAudioSlidersBands, "_IAudioSlidersBandsEvents Interface", {});
constexpr IID kEventsAudioStepButtonType1 = com::guid("{7659AFDB-8337-4F4B-9D4D-8CDFEFD78E82}");
const com::TypeDesc k_IAudioStepButtonType1Events = dispInterface("_IAudioStepButtonType1Events", kEventsAudioStepButtonType1, "_IAudioStepButtonType1Events Interface", {});
constexpr IID kEventsAudioVolumeButtonType1 = com::guid("{C646F43B-6930-439A-967A-82328048AC94}");
const com::TypeDesc k_IAudioVolumeButtonType1Events = dispInterface("_IAudioVolumeButtonType1Events", kEventsAudioVolumeButtonType1, "_IAudioVolumeButtonType1Events Interface", {});
constexpr IID kEventsAudioVolumeButtonType2 = com::guid("{E21B15E0-17CD-445D-88BF-2FC00BE4E59D}");
const com::TypeDesc k_IAudioVolumeButtonType2Events = dispInterface("_IAudioVolumeButtonType2Events", kEventsAudioVolumeButtonType2, "_IAudioVolumeButtonType2Events Interface", {});
const com::TypeDesc kIAudioAmpBarType1 = animatedStub<IAudioAmpBarType1>("IAudioAmpBarType1", "IAudioAmpBarType1 Interface");
const com::TypeDesc kIAudioFlatButton = animatedStub<IAudioFlatButton>("IAudioFlatButton", "IAudioFlatButton Interface");
const com::TypeDesc kIAudioFlatSlider = animatedStub<IAudioFlatSlider>("IAudioFlatSlider", "IAudioFlatSlider Interface");
const com::TypeDesc kIAudioPlayButtonType1 = animatedStub<IAudioPlayButtonType1>("IAudioPlayButtonType1", "IAudioPlayButtonType1 Interface");
const com::TypeDesc kIAudioPlayButtonType2 = animatedStub<IAudioPlayButtonType2>("IAudioPlayButtonType2", "IAudioPlayButtonType2 Interface");
const com::TypeDesc kIAudioSliderType1 = animatedStub<IAudioSliderType1>("IAudioSliderType1", "IAudioSliderType1 Interface");
const com::TypeDesc kIAudioSlidersBands = animatedStub<IAudioSlidersBands>("IAudioSlidersBands", "IAudioSlidersBands Interface");
const com::TypeDesc kIAudioStepButtonType1 = com::dualInterface<IAudioStepButtonType1>("IAudioStepButtonType1", "IAudioStepButtonType1 Interface", {});
const com::TypeDesc kIAudioVolumeButtonType1 = animatedStub<IAudioVolumeButtonType1>("IAudioVolumeButtonType1", "IAudioVolumeButtonType1 Interface");
const com::TypeDesc kIAudioVolumeButtonType2 = animatedStub<IAudioVolumeButtonType2>("IAudioVolumeButtonType2", "IAudioVolumeButtonType2 Interface");

}  // namespace

const com::TypeDesc kCoAudioAmpBarType1 = com::coClass("AudioAmpBarType1", com::guid("{660662D8-4E39-46FE-8CB8-C6CAC9CBCE7F}"), "AudioAmpBarType1 Class", {{&kIAudioAmpBarType1, IMPLTYPEFLAG_FDEFAULT}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioFlatButton = com::coClass("AudioFlatButton", com::guid("{AA458875-525B-4A98-B0FD-2CEADF2BFF7F}"), "AudioFlatButton Class", {{&kIAudioFlatButton, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioFlatButtonEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioFlatSlider = com::coClass("AudioFlatSlider", com::guid("{EBC6FA17-EA7A-4F07-BBED-3701F5C62BD0}"), "AudioFlatSlider Class", {{&kIAudioFlatSlider, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioFlatSliderEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioPlayButtonType1 = com::coClass("AudioPlayButtonType1", com::guid("{9C349929-9B2C-48DF-B216-5074C0DBD71D}"), "AudioPlayButtonType1 Class", {{&kIAudioPlayButtonType1, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioPlayButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioPlayButtonType2 = com::coClass("AudioPlayButtonType2", com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}"), "AudioPlayButtonType2 Class", {{&kIAudioPlayButtonType2, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioPlayButtonType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioSliderType1 = com::coClass("AudioSliderType1", com::guid("{B07D80CF-4F8D-4FEA-95AD-DB68D438532E}"), "AudioSliderType1 Class", {{&kIAudioSliderType1, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioSliderType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioSliderType2 = com::coClass("AudioSliderType2", com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}"), "AudioSliderType2 Class", {{&kIAudioSliderType2, IMPLTYPEFLAG_FDEFAULT}, {&kISliderType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioSlidersBands = com::coClass("AudioSlidersBands", com::guid("{1FC69EF8-A749-4831-9005-3BCFB0BC37CF}"), "AudioSlidersBands Class", {{&kIAudioSlidersBands, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioSlidersBandsEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioStepButtonType1 = com::coClass("AudioStepButtonType1", com::guid("{4C2E09CE-F7DD-4BCC-95F2-142F476D1AE4}"), "AudioStepButtonType1 Class", {{&kIAudioStepButtonType1, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioStepButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioTimeDisplayType1 = com::coClass("AudioTimeDisplayType1", com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}"), "AudioTimeDisplayType1 Class", {{&kIAudioTimeDisplayType1, IMPLTYPEFLAG_FDEFAULT}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioVolumeButtonType1 = com::coClass("AudioVolumeButtonType1", com::guid("{E113DDCB-13E7-4BF1-ABC2-03EDE34DC5DF}"), "AudioVolumeButtonType1 Class", {{&kIAudioVolumeButtonType1, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioVolumeButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
const com::TypeDesc kCoAudioVolumeButtonType2 = com::coClass("AudioVolumeButtonType2", com::guid("{4B61CF34-B937-44C7-AC83-BA209CA4F537}"), "AudioVolumeButtonType2 Class", {{&kIAudioVolumeButtonType2, IMPLTYPEFLAG_FDEFAULT}, {&k_IAudioVolumeButtonType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const ClassInfo kClasses[12] = {
    {"AudioAmpBarType1", com::guid("{660662D8-4E39-46FE-8CB8-C6CAC9CBCE7F}"), "Sondrel3.AudioAmpBar.1", "Sondrel3.AudioAmpBarTy", 103, 102, IID_IAudioAmpBarType1, nullptr, &kCoAudioAmpBarType1, &kIAudioAmpBarType1},
    {"AudioFlatButton", com::guid("{AA458875-525B-4A98-B0FD-2CEADF2BFF7F}"), "Sondrel3.AudioFlatBu.1", "Sondrel3.AudioFlatButt", 132, 131, IID_IAudioFlatButton, &kEventsAudioFlatButton, &kCoAudioFlatButton, &kIAudioFlatButton},
    {"AudioFlatSlider", com::guid("{EBC6FA17-EA7A-4F07-BBED-3701F5C62BD0}"), "Sondrel3.AudioFlatSl.1", "Sondrel3.AudioFlatSlid", 134, 133, IID_IAudioFlatSlider, &kEventsAudioFlatSlider, &kCoAudioFlatSlider, &kIAudioFlatSlider},
    {"AudioPlayButtonType1", com::guid("{9C349929-9B2C-48DF-B216-5074C0DBD71D}"), "Sondrel3.AudioPlayBu.1", "Sondrel3.AudioPlayButt", 106, 105, IID_IAudioPlayButtonType1, &kEventsAudioPlayButtonType1, &kCoAudioPlayButtonType1, &kIAudioPlayButtonType1},
    {"AudioPlayButtonType2", com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}"), "Sondrel3.AudioPlayBu.1", "Sondrel3.AudioPlayButt", 108, 107, IID_IAudioPlayButtonType2, &kEventsAudioPlayButtonType2, &kCoAudioPlayButtonType2, &kIAudioPlayButtonType2},
    {"AudioSliderType1", com::guid("{B07D80CF-4F8D-4FEA-95AD-DB68D438532E}"), "Sondrel3.AudioSlider.1", "Sondrel3.AudioSliderTy", 120, 119, IID_IAudioSliderType1, &kEventsAudioSliderType1, &kCoAudioSliderType1, &kIAudioSliderType1},
    {"AudioSliderType2", com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}"), "Sondrel3.AudioSlider.1", "Sondrel3.AudioSliderTy", 122, 121, IID_IAudioSliderType2, &DIID__IAudioSliderType2Events, &kCoAudioSliderType2, &kIAudioSliderType2},
    {"AudioSlidersBands", com::guid("{1FC69EF8-A749-4831-9005-3BCFB0BC37CF}"), "Sondrel3.AudioSlider.1", "Sondrel3.AudioSlidersB", 130, 129, IID_IAudioSlidersBands, &kEventsAudioSlidersBands, &kCoAudioSlidersBands, &kIAudioSlidersBands},
    {"AudioStepButtonType1", com::guid("{4C2E09CE-F7DD-4BCC-95F2-142F476D1AE4}"), "Sondrel3.AudioStepBu.1", "Sondrel3.AudioStepButt", 116, 115, IID_IAudioStepButtonType1, &kEventsAudioStepButtonType1, &kCoAudioStepButtonType1, &kIAudioStepButtonType1},
    {"AudioTimeDisplayType1", com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}"), "Sondrel3.AudioTimeDi.1", "Sondrel3.AudioTimeDisp", 118, 117, IID_IAudioTimeDisplayType1, nullptr, &kCoAudioTimeDisplayType1, &kIAudioTimeDisplayType1},
    {"AudioVolumeButtonType1", com::guid("{E113DDCB-13E7-4BF1-ABC2-03EDE34DC5DF}"), "Sondrel3.AudioVolume.1", "Sondrel3.AudioVolumeBu", 110, 109, IID_IAudioVolumeButtonType1, &kEventsAudioVolumeButtonType1, &kCoAudioVolumeButtonType1, &kIAudioVolumeButtonType1},
    {"AudioVolumeButtonType2", com::guid("{4B61CF34-B937-44C7-AC83-BA209CA4F537}"), "Sondrel3.AudioVolume.1", "Sondrel3.AudioVolumeBu", 112, 111, IID_IAudioVolumeButtonType2, &kEventsAudioVolumeButtonType2, &kCoAudioVolumeButtonType2, &kIAudioVolumeButtonType2},
};

const com::TypeLibDesc kSondrel3Lib{"Sondrel3Lib", LIBID_Sondrel3Lib, 1, 0, "Sondrel 3.0 Type Library",
                                   {&kCoAudioAmpBarType1, &kCoAudioFlatButton, &kCoAudioFlatSlider, &kCoAudioPlayButtonType1, &kCoAudioPlayButtonType2, &kCoAudioSliderType1, &kCoAudioSliderType2, &kCoAudioSlidersBands, &kCoAudioStepButtonType1, &kCoAudioTimeDisplayType1, &kCoAudioVolumeButtonType1, &kCoAudioVolumeButtonType2, &kIAudioAmpBarType1, &kIAudioFlatButton, &kIAudioFlatSlider, &kIAudioPlayButtonType1, &kIAudioPlayButtonType2, &kIAudioSliderType1, &kIAudioSliderType2, &kIAudioSlidersBands, &kIAudioStepButtonType1, &kIAudioTimeDisplayType1, &kIAudioVolumeButtonType1, &kIAudioVolumeButtonType2, &k_IAudioFlatButtonEvents, &k_IAudioFlatSliderEvents, &k_IAudioPlayButtonType1Events, &k_IAudioPlayButtonType2Events, &k_IAudioSliderType1Events, &kISliderType2Events, &k_IAudioSlidersBandsEvents, &k_IAudioStepButtonType1Events, &k_IAudioVolumeButtonType1Events, &k_IAudioVolumeButtonType2Events, &kIEqualizerType1Events}};

const ClassInfo* findClass(REFCLSID clsid) {
    for (const ClassInfo& c : kClasses)
        if (c.clsid == clsid) return &c;
    return nullptr;
}

}  // namespace sondrel
