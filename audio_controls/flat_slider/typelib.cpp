#include "flat_slider/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioFlatSlider =
    com::dualInterface<IAudioFlatSlider>("IAudioFlatSlider", "IAudioFlatSlider Interface", {onTimerMember()});

const com::TypeDesc k_IAudioFlatSliderEvents = com::dispInterface(
    "_IAudioFlatSliderEvents", DIID__IAudioFlatSliderEvents, "_IAudioFlatSliderEvents Interface", {});

const com::TypeDesc kCoAudioFlatSlider =
    com::coClass("AudioFlatSlider", CLSID_AudioFlatSlider, "AudioFlatSlider Class",
                 {{&kIAudioFlatSlider, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioFlatSliderEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
