#include "volume_wedge/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioVolumeButtonType2 = com::dualInterface<IAudioVolumeButtonType2>(
    "IAudioVolumeButtonType2", "IAudioVolumeButtonType2 Interface", {onTimerMember()});

const com::TypeDesc k_IAudioVolumeButtonType2Events =
    com::dispInterface("_IAudioVolumeButtonType2Events", DIID__IAudioVolumeButtonType2Events,
                       "_IAudioVolumeButtonType2Events Interface", {});

const com::TypeDesc kCoAudioVolumeButtonType2 =
    com::coClass("AudioVolumeButtonType2", CLSID_AudioVolumeButtonType2, "AudioVolumeButtonType2 Class",
                 {{&kIAudioVolumeButtonType2, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioVolumeButtonType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
