#pragma once
// The interface of AudioFlatSlider; its members are not built yet.

#include "interface_base.h"

struct IAudioFlatSlider : IAnimationTarget {};
COM_INTERFACE_ID(IAudioFlatSlider, "{FB6D5AF4-4A4C-4A2C-8761-6680336EE7D6}");
inline constexpr IID DIID__IAudioFlatSliderEvents = com::guid("{99084FD3-B71C-4C61-A176-E555EB3AEF9F}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioFlatSlider = com::guid("{EBC6FA17-EA7A-4F07-BBED-3701F5C62BD0}");
extern const com::TypeDesc kIAudioFlatSlider;
extern const com::TypeDesc k_IAudioFlatSliderEvents;
extern const com::TypeDesc kCoAudioFlatSlider;

}  // namespace sondrel
