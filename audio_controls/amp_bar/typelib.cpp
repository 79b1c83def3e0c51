#include "amp_bar/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioAmpBarType1 =
    com::dualInterface<IAudioAmpBarType1>("IAudioAmpBarType1", "IAudioAmpBarType1 Interface", {onTimerMember()});

const com::TypeDesc kCoAudioAmpBarType1 =
    com::coClass("AudioAmpBarType1", CLSID_AudioAmpBarType1, "AudioAmpBarType1 Class",
                 {{&kIAudioAmpBarType1, IMPLTYPEFLAG_FDEFAULT}}, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
