#include "step_knob/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;
using I = IAudioStepButtonType1;

const com::TypeDesc kIAudioStepButtonType1 = com::dualInterface<I>(
    "IAudioStepButtonType1", "IAudioStepButtonType1 Interface",
    {
        com::method<&I::ScrollMinus>("ScrollMinus", 1, {}, "method ScrollMinus"),
        com::method<&I::ScrollPlus>("ScrollPlus", 2, {}, "method ScrollPlus"),
        propget<&I::get_BackColor>("BackColor", 0xa, {{"", kColorType}}, "property BackColor"),
        propput<&I::put_BackColor>("BackColor", 0xa, {com::colorParam("newVal")}, "property BackColor"),
        propget<&I::get_Value>("Value", 0xb, {}, "property Value"),
        propput<&I::put_Value>("Value", 0xb, {{"newVal"}}, "property Value"),
        propget<&I::get_Max>("Max", 0xc, {}, "property Max"),
        propput<&I::put_Max>("Max", 0xc, {{"newVal"}}, "property Max"),
        propget<&I::get_Min>("Min", 0xd, {}, "property Min"),
        propput<&I::put_Min>("Min", 0xd, {{"newVal"}}, "property Min"),
        propget<&I::get_Speed>("Speed", 0xe, {}, "property Speed"),
        propput<&I::put_Speed>("Speed", 0xe, {{"newVal"}}, "property Speed"),
        propget<&I::get_Enabled>("Enabled", 0xf, {{"", VT_BOOL}}, "property Enabled"),
        propput<&I::put_Enabled>("Enabled", 0xf, {{"newVal", VT_BOOL}}, "property Enabled"),
        propget<&I::get_MousePointer>("MousePointer", 0x10, {}, "property MousePointer"),
        propput<&I::put_MousePointer>("MousePointer", 0x10, {{"newVal"}}, "property MousePointer"),
        propget<&I::get_Color>("Color", 0x11, {{"", kColorType}}, "property Color"),
        propput<&I::put_Color>("Color", 0x11, {com::colorParam("newVal")}, "property Color"),
    });

const com::TypeDesc k_IAudioStepButtonType1Events = dispInterface(
    "_IAudioStepButtonType1Events", DIID__IAudioStepButtonType1Events, "_IAudioStepButtonType1Events Interface",
    {
        dispMethod("MouseClick", 1, {{"InButton", VT_BOOL}}, "method sMouseClick"),
        dispMethod("MouseDown", 2, {{"InButton", VT_BOOL}}, "method sMouseDown"),
        dispMethod("MouseUp", 3, {}, "method sMouseUp"),
        dispMethod("ValueChange", 4, {{"Value", VT_I4}}, "method sValueChange"),
    });

const com::TypeDesc kCoAudioStepButtonType1 =
    com::coClass("AudioStepButtonType1", CLSID_AudioStepButtonType1, "AudioStepButtonType1 Class",
                 {{&kIAudioStepButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioStepButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
