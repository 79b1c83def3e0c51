#pragma once
// The interface of AudioStepButtonType1; its members are not built yet.

#include "interface_base.h"

struct IAudioStepButtonType1 : IDispatch {};
COM_INTERFACE_ID(IAudioStepButtonType1, "{B41A7E99-BD38-420F-AB19-CC7985860010}");
inline constexpr IID DIID__IAudioStepButtonType1Events = com::guid("{7659AFDB-8337-4F4B-9D4D-8CDFEFD78E82}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioStepButtonType1 = com::guid("{4C2E09CE-F7DD-4BCC-95F2-142F476D1AE4}");
extern const com::TypeDesc kIAudioStepButtonType1;
extern const com::TypeDesc k_IAudioStepButtonType1Events;
extern const com::TypeDesc kCoAudioStepButtonType1;

}  // namespace sondrel
