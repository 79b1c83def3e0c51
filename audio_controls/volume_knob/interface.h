#pragma once
// The interface of AudioVolumeButtonType1; its members are not built yet.

#include "interface_base.h"

struct IAudioVolumeButtonType1 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioVolumeButtonType1, "{A2BA2693-A138-4897-A3CD-2A0D9B47857E}");
inline constexpr IID DIID__IAudioVolumeButtonType1Events = com::guid("{C646F43B-6930-439A-967A-82328048AC94}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioVolumeButtonType1 = com::guid("{E113DDCB-13E7-4BF1-ABC2-03EDE34DC5DF}");
extern const com::TypeDesc kIAudioVolumeButtonType1;
extern const com::TypeDesc k_IAudioVolumeButtonType1Events;
extern const com::TypeDesc kCoAudioVolumeButtonType1;

}  // namespace sondrel
