#include "transport_bar/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioPlayButtonType2 = com::dualInterface<IAudioPlayButtonType2>(
    "IAudioPlayButtonType2", "IAudioPlayButtonType2 Interface", {onTimerMember()});

const com::TypeDesc k_IAudioPlayButtonType2Events = com::dispInterface(
    "_IAudioPlayButtonType2Events", DIID__IAudioPlayButtonType2Events, "_IAudioPlayButtonType2Events Interface", {});

const com::TypeDesc kCoAudioPlayButtonType2 =
    com::coClass("AudioPlayButtonType2", CLSID_AudioPlayButtonType2, "AudioPlayButtonType2 Class",
                 {{&kIAudioPlayButtonType2, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioPlayButtonType2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
