#pragma once
// The interface of AudioAmpBarType1; its members are not built yet.

#include "interface_base.h"

struct IAudioAmpBarType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioAmpBarType1, "{7DE18D2D-E05C-4083-A52E-4F8424C7CB6F}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioAmpBarType1 = com::guid("{660662D8-4E39-46FE-8CB8-C6CAC9CBCE7F}");
extern const com::TypeDesc kIAudioAmpBarType1;
extern const com::TypeDesc kCoAudioAmpBarType1;

}  // namespace sondrel
