#include "band_sliders/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioSlidersBands =
    com::dualInterface<IAudioSlidersBands>("IAudioSlidersBands", "IAudioSlidersBands Interface", {onTimerMember()});

const com::TypeDesc k_IAudioSlidersBandsEvents = com::dispInterface(
    "_IAudioSlidersBandsEvents", DIID__IAudioSlidersBandsEvents, "_IAudioSlidersBandsEvents Interface", {});

const com::TypeDesc kCoAudioSlidersBands =
    com::coClass("AudioSlidersBands", CLSID_AudioSlidersBands, "AudioSlidersBands Class",
                 {{&kIAudioSlidersBands, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioSlidersBandsEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
