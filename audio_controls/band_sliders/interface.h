#pragma once
// The interface of AudioSlidersBands; its members are not built yet.

#include "interface_base.h"

struct IAudioSlidersBands : IAnimationTarget {};
COM_INTERFACE_ID(IAudioSlidersBands, "{2F062F78-147B-48DA-965F-7846702152FE}");
inline constexpr IID DIID__IAudioSlidersBandsEvents = com::guid("{9DDE4BEE-D515-413A-80E6-E7A40C87D226}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioSlidersBands = com::guid("{1FC69EF8-A749-4831-9005-3BCFB0BC37CF}");
extern const com::TypeDesc kIAudioSlidersBands;
extern const com::TypeDesc k_IAudioSlidersBandsEvents;
extern const com::TypeDesc kCoAudioSlidersBands;

}  // namespace sondrel
