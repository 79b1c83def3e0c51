#include "bitmap_slider/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioSliderType1 =
    com::dualInterface<IAudioSliderType1>("IAudioSliderType1", "IAudioSliderType1 Interface", {onTimerMember()});

const com::TypeDesc k_IAudioSliderType1Events = com::dispInterface(
    "_IAudioSliderType1Events", DIID__IAudioSliderType1Events, "_IAudioSliderType1Events Interface", {});

const com::TypeDesc kCoAudioSliderType1 =
    com::coClass("AudioSliderType1", CLSID_AudioSliderType1, "AudioSliderType1 Class",
                 {{&kIAudioSliderType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioSliderType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
