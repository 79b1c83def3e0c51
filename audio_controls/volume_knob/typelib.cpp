#include "volume_knob/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioVolumeButtonType1 = com::dualInterface<IAudioVolumeButtonType1>(
    "IAudioVolumeButtonType1", "IAudioVolumeButtonType1 Interface", {onTimerMember()});

const com::TypeDesc k_IAudioVolumeButtonType1Events =
    com::dispInterface("_IAudioVolumeButtonType1Events", DIID__IAudioVolumeButtonType1Events,
                       "_IAudioVolumeButtonType1Events Interface", {});

const com::TypeDesc kCoAudioVolumeButtonType1 =
    com::coClass("AudioVolumeButtonType1", CLSID_AudioVolumeButtonType1, "AudioVolumeButtonType1 Class",
                 {{&kIAudioVolumeButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioVolumeButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
