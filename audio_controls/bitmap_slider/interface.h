#pragma once
// The interface of AudioSliderType1; its members are not built yet.

#include "interface_base.h"

struct IAudioSliderType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioSliderType1, "{6F8CF24C-A8E4-4519-B93B-98DF90244FCF}");
inline constexpr IID DIID__IAudioSliderType1Events = com::guid("{E4876172-5417-4CD5-85D6-48BAF1DDFEF2}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioSliderType1 = com::guid("{B07D80CF-4F8D-4FEA-95AD-DB68D438532E}");
extern const com::TypeDesc kIAudioSliderType1;
extern const com::TypeDesc k_IAudioSliderType1Events;
extern const com::TypeDesc kCoAudioSliderType1;

}  // namespace sondrel
