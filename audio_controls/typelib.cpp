#include "interfaces.h"

namespace sondrel {

com::MemberDesc onTimerMember(OnTimerUse use) {
    const WORD flags = use == OnTimerUse::HiddenAndRestricted ? FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED : FUNCFLAG_FHIDDEN;
    return com::method<&IAnimationTarget::_OnTimer>("_OnTimer", 0, {}, "method _OnTimer", flags);
}

namespace {

// Carried in the type library and never fired.
const com::TypeDesc kIEqualizerType1Events = com::dispInterface(
    "_IAudioEqualizerType1Events", DIID__IAudioEqualizerType1Events, "_IAudioEqualizerType1Events Interface",
    {
        com::dispMethod("MouseDown", 1, {{"Band", VT_I4}}, "method MouseDown"),
        com::dispMethod("MouseUp", 2, {}, "method MouseUp"),
        com::dispMethod("ValueChange", 3, {{"Band", VT_I4}}, "method ValueChange"),
    });

}  // namespace

const ClassInfo kClasses[12] = {
    {"AudioAmpBarType1", CLSID_AudioAmpBarType1, "Sondrel3.AudioAmpBar.1", "Sondrel3.AudioAmpBarTy", 103, 102, IID_IAudioAmpBarType1, nullptr, &kCoAudioAmpBarType1, &kIAudioAmpBarType1},
    {"AudioFlatButton", CLSID_AudioFlatButton, "Sondrel3.AudioFlatBu.1", "Sondrel3.AudioFlatButt", 132, 131, IID_IAudioFlatButton, &DIID__IAudioFlatButtonEvents, &kCoAudioFlatButton, &kIAudioFlatButton},
    {"AudioFlatSlider", CLSID_AudioFlatSlider, "Sondrel3.AudioFlatSl.1", "Sondrel3.AudioFlatSlid", 134, 133, IID_IAudioFlatSlider, &DIID__IAudioFlatSliderEvents, &kCoAudioFlatSlider, &kIAudioFlatSlider},
    {"AudioPlayButtonType1", CLSID_AudioPlayButtonType1, "Sondrel3.AudioPlayBu.1", "Sondrel3.AudioPlayButt", 106, 105, IID_IAudioPlayButtonType1, &DIID__IAudioPlayButtonType1Events, &kCoAudioPlayButtonType1, &kIAudioPlayButtonType1},
    {"AudioPlayButtonType2", CLSID_AudioPlayButtonType2, "Sondrel3.AudioPlayBu.1", "Sondrel3.AudioPlayButt", 108, 107, IID_IAudioPlayButtonType2, &DIID__IAudioPlayButtonType2Events, &kCoAudioPlayButtonType2, &kIAudioPlayButtonType2},
    {"AudioSliderType1", CLSID_AudioSliderType1, "Sondrel3.AudioSlider.1", "Sondrel3.AudioSliderTy", 120, 119, IID_IAudioSliderType1, &DIID__IAudioSliderType1Events, &kCoAudioSliderType1, &kIAudioSliderType1},
    {"AudioSliderType2", CLSID_AudioSliderType2, "Sondrel3.AudioSlider.1", "Sondrel3.AudioSliderTy", 122, 121, IID_IAudioSliderType2, &DIID__IAudioSliderType2Events, &kCoAudioSliderType2, &kIAudioSliderType2},
    {"AudioSlidersBands", CLSID_AudioSlidersBands, "Sondrel3.AudioSlider.1", "Sondrel3.AudioSlidersB", 130, 129, IID_IAudioSlidersBands, &DIID__IAudioSlidersBandsEvents, &kCoAudioSlidersBands, &kIAudioSlidersBands},
    {"AudioStepButtonType1", CLSID_AudioStepButtonType1, "Sondrel3.AudioStepBu.1", "Sondrel3.AudioStepButt", 116, 115, IID_IAudioStepButtonType1, &DIID__IAudioStepButtonType1Events, &kCoAudioStepButtonType1, &kIAudioStepButtonType1},
    {"AudioTimeDisplayType1", CLSID_AudioTimeDisplayType1, "Sondrel3.AudioTimeDi.1", "Sondrel3.AudioTimeDisp", 118, 117, IID_IAudioTimeDisplayType1, nullptr, &kCoAudioTimeDisplayType1, &kIAudioTimeDisplayType1},
    {"AudioVolumeButtonType1", CLSID_AudioVolumeButtonType1, "Sondrel3.AudioVolume.1", "Sondrel3.AudioVolumeBu", 110, 109, IID_IAudioVolumeButtonType1, &DIID__IAudioVolumeButtonType1Events, &kCoAudioVolumeButtonType1, &kIAudioVolumeButtonType1},
    {"AudioVolumeButtonType2", CLSID_AudioVolumeButtonType2, "Sondrel3.AudioVolume.1", "Sondrel3.AudioVolumeBu", 112, 111, IID_IAudioVolumeButtonType2, &DIID__IAudioVolumeButtonType2Events, &kCoAudioVolumeButtonType2, &kIAudioVolumeButtonType2},
};

const com::TypeLibDesc kSondrel3Lib{"Sondrel3Lib", LIBID_Sondrel3Lib, 1, 0, "Sondrel 3.0 Type Library",
                                   {&kCoAudioAmpBarType1, &kCoAudioFlatButton, &kCoAudioFlatSlider, &kCoAudioPlayButtonType1, &kCoAudioPlayButtonType2, &kCoAudioSliderType1, &kCoAudioSliderType2, &kCoAudioSlidersBands, &kCoAudioStepButtonType1, &kCoAudioTimeDisplayType1, &kCoAudioVolumeButtonType1, &kCoAudioVolumeButtonType2, &kIAudioAmpBarType1, &kIAudioFlatButton, &kIAudioFlatSlider, &kIAudioPlayButtonType1, &kIAudioPlayButtonType2, &kIAudioSliderType1, &kIAudioSliderType2, &kIAudioSlidersBands, &kIAudioStepButtonType1, &kIAudioTimeDisplayType1, &kIAudioVolumeButtonType1, &kIAudioVolumeButtonType2, &k_IAudioFlatButtonEvents, &k_IAudioFlatSliderEvents, &k_IAudioPlayButtonType1Events, &k_IAudioPlayButtonType2Events, &k_IAudioSliderType1Events, &k_IAudioSliderType2Events, &k_IAudioSlidersBandsEvents, &k_IAudioStepButtonType1Events, &k_IAudioVolumeButtonType1Events, &k_IAudioVolumeButtonType2Events, &kIEqualizerType1Events}};

const ClassInfo* findClass(REFCLSID clsid) {
    for (const ClassInfo& c : kClasses)
        if (c.clsid == clsid) return &c;
    return nullptr;
}

}  // namespace sondrel
