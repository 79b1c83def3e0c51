#include "transport_cluster/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioPlayButtonType1 = com::dualInterface<IAudioPlayButtonType1>(
    "IAudioPlayButtonType1", "IAudioPlayButtonType1 Interface", {onTimerMember()});

const com::TypeDesc k_IAudioPlayButtonType1Events = com::dispInterface(
    "_IAudioPlayButtonType1Events", DIID__IAudioPlayButtonType1Events, "_IAudioPlayButtonType1Events Interface", {});

const com::TypeDesc kCoAudioPlayButtonType1 =
    com::coClass("AudioPlayButtonType1", CLSID_AudioPlayButtonType1, "AudioPlayButtonType1 Class",
                 {{&kIAudioPlayButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioPlayButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
