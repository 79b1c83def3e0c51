#include "flat_button/interface.h"

namespace sondrel {

const com::TypeDesc kIAudioFlatButton =
    com::dualInterface<IAudioFlatButton>("IAudioFlatButton", "IAudioFlatButton Interface", {onTimerMember()});

const com::TypeDesc k_IAudioFlatButtonEvents = com::dispInterface(
    "_IAudioFlatButtonEvents", DIID__IAudioFlatButtonEvents, "_IAudioFlatButtonEvents Interface", {});

const com::TypeDesc kCoAudioFlatButton =
    com::coClass("AudioFlatButton", CLSID_AudioFlatButton, "AudioFlatButton Class",
                 {{&kIAudioFlatButton, IMPLTYPEFLAG_FDEFAULT},
                  {&k_IAudioFlatButtonEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

}  // namespace sondrel
