#pragma once
// The interface of AudioPlayButtonType1; its members are not built yet.

#include "interface_base.h"

struct IAudioPlayButtonType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioPlayButtonType1, "{61159A17-2C24-4A44-8618-CA11528A6271}");
inline constexpr IID DIID__IAudioPlayButtonType1Events = com::guid("{F1B33D9C-CAE8-4E94-BBD4-4982FBE04F74}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioPlayButtonType1 = com::guid("{9C349929-9B2C-48DF-B216-5074C0DBD71D}");
extern const com::TypeDesc kIAudioPlayButtonType1;
extern const com::TypeDesc k_IAudioPlayButtonType1Events;
extern const com::TypeDesc kCoAudioPlayButtonType1;

}  // namespace sondrel
