#include "step_knob/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioStepButtonType1 =
    com::dualInterface<IAudioStepButtonType1>("IAudioStepButtonType1", "IAudioStepButtonType1 Interface", {});

const com::TypeDesc k_IAudioStepButtonType1Events = com::dispInterface(
    "_IAudioStepButtonType1Events", DIID__IAudioStepButtonType1Events, "_IAudioStepButtonType1Events Interface", {});

const com::TypeDesc kCoAudioStepButtonType1 =
    com::coClass("AudioStepButtonType1", CLSID_AudioStepButtonType1, "AudioStepButtonType1 Class",
                 {{&kIAudioStepButtonType1, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioStepButtonType1Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
