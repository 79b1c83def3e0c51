#include "transport_cluster/interface.h"

namespace sondrel {

using com::dispInterface;
using com::dispMethod;
using com::propget;
using com::propput;

const com::TypeDesc kIAudioPlayButtonType1 = com::dualInterface<IAudioPlayButtonType1>(
    "IAudioPlayButtonType1", "IAudioPlayButtonType1 Interface",
    {
        onTimerMember(OnTimerUse::HiddenAndRestricted),
        propget<&IAudioPlayButtonType1::get_BackColor>("BackColor", 9, {{"", kColorType}}, "property BackColor"),
        propput<&IAudioPlayButtonType1::put_BackColor>("BackColor", 9, {com::colorParam("newVal")}, "property BackColor"),
        propget<&IAudioPlayButtonType1::get_Flat>("Flat", 10, {{"", VT_BOOL}}, "property Flat"),
        propput<&IAudioPlayButtonType1::put_Flat>("Flat", 10, {{"newVal", VT_BOOL}}, "property Flat"),
        propget<&IAudioPlayButtonType1::get_Pause>("Pause", 11, {{"", VT_BOOL}}, "property Pause"),
        propput<&IAudioPlayButtonType1::put_Pause>("Pause", 11, {{"newVal", VT_BOOL}}, "property Pause"),
        propget<&IAudioPlayButtonType1::get_BorderType>("BorderType", 12, {}, "property BorderType"),
        propput<&IAudioPlayButtonType1::put_BorderType>("BorderType", 12, {{"newVal"}}, "property BorderType"),
        propget<&IAudioPlayButtonType1::get_MousePointer>("MousePointer", 13, {}, "property MousePointer"),
        propput<&IAudioPlayButtonType1::put_MousePointer>("MousePointer", 13, {{"newVal"}}, "property MousePointer"),
        propget<&IAudioPlayButtonType1::get_PlayBtnEnabled>("PlayBtnEnabled", 14, {{"", VT_BOOL}}, "property PlayBtnEnabled"),
        propput<&IAudioPlayButtonType1::put_PlayBtnEnabled>("PlayBtnEnabled", 14, {{"newVal", VT_BOOL}}, "property PlayBtnEnabled"),
        propget<&IAudioPlayButtonType1::get_StopBtnEnabled>("StopBtnEnabled", 15, {{"", VT_BOOL}}, "property StopBtnEnabled"),
        propput<&IAudioPlayButtonType1::put_StopBtnEnabled>("StopBtnEnabled", 15, {{"newVal", VT_BOOL}}, "property StopBtnEnabled"),
        propget<&IAudioPlayButtonType1::get_NextBtnEnabled>("NextBtnEnabled", 16, {{"", VT_BOOL}}, "property NextBtnEnabled"),
        propput<&IAudioPlayButtonType1::put_NextBtnEnabled>("NextBtnEnabled", 16, {{"newVal", VT_BOOL}}, "property NextBtnEnabled"),
        propget<&IAudioPlayButtonType1::get_PreviousBtnEnabled>("PreviousBtnEnabled", 17, {{"", VT_BOOL}}, "property PreviousBtnEnabled"),
        propput<&IAudioPlayButtonType1::put_PreviousBtnEnabled>("PreviousBtnEnabled", 17, {{"newVal", VT_BOOL}}, "property PreviousBtnEnabled"),
        propget<&IAudioPlayButtonType1::get_RecordBtnEnabled>("RecordBtnEnabled", 18, {{"", VT_BOOL}}, "property RecordBtnEnabled"),
        propput<&IAudioPlayButtonType1::put_RecordBtnEnabled>("RecordBtnEnabled", 18, {{"newVal", VT_BOOL}}, "property RecordBtnEnabled"),
        propget<&IAudioPlayButtonType1::get_Color>("Color", 19, {{"", kColorType}}, "property Color"),
        propput<&IAudioPlayButtonType1::put_Color>("Color", 19, {com::colorParam("newVal")}, "property Color"),
    });

const com::TypeDesc k_IAudioPlayButtonType1Events = dispInterface(
    "_IAudioPlayButtonType1Events", DIID__IAudioPlayButtonType1Events, "_IAudioPlayButtonType1Events Interface",
    {
        dispMethod("MouseDown", 1, {{"CtlButton", VT_I4}}, "method MouseDown"),
        dispMethod("MouseClick", 2, {{"CtlButton", VT_I4}}, "method MouseClick"),
        dispMethod("MouseUp", 3, {}, "method MouseUp"),
    });

const com::TypeDesc kCoAudioPlayButtonType1 =
    com::coClass("AudioPlayButtonType1", CLSID_AudioPlayButtonType1, "AudioPlayButtonType1 Class",
                 {{&kIAudioPlayButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioPlayButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
