#pragma once
// The interface of AudioPlayButtonType2; its members are not built yet.

#include "interface_base.h"

struct IAudioPlayButtonType2 : IAnimationTarget {};
COM_INTERFACE_ID(IAudioPlayButtonType2, "{80FBBF21-D9A1-4A0D-9A83-2B984D82CC03}");
inline constexpr IID DIID__IAudioPlayButtonType2Events = com::guid("{B6DC2964-4512-4B55-92C6-E572C0CA8E49}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioPlayButtonType2 = com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}");
extern const com::TypeDesc kIAudioPlayButtonType2;
extern const com::TypeDesc k_IAudioPlayButtonType2Events;
extern const com::TypeDesc kCoAudioPlayButtonType2;

}  // namespace sondrel
