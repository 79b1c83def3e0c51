#pragma once
// The interface of AudioVolumeButtonType2; its members are not built yet.

#include "interface_base.h"

struct IAudioVolumeButtonType2 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioVolumeButtonType2, "{08C3190D-6AFE-4C49-9ED4-50C3B9843980}");
inline constexpr IID DIID__IAudioVolumeButtonType2Events = com::guid("{E21B15E0-17CD-445D-88BF-2FC00BE4E59D}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioVolumeButtonType2 = com::guid("{4B61CF34-B937-44C7-AC83-BA209CA4F537}");
extern const com::TypeDesc kIAudioVolumeButtonType2;
extern const com::TypeDesc k_IAudioVolumeButtonType2Events;
extern const com::TypeDesc kCoAudioVolumeButtonType2;

}  // namespace sondrel
