#pragma once
// The hosted controls the main window places, by class identifier: the audio editor and three
// controls of the audio control library. The program reaches them only through COM.

#include "com/com.h"

namespace hosted {

inline constexpr CLSID CLSID_AudioEditor2 = com::guid("{FE1DDF1C-CAF7-479E-9DE2-B99057AAEEE6}");
inline constexpr IID DIID__IAudioEditor2Events = com::guid("{D8A2E8F0-98D0-40C8-B15D-80DD73B14B46}");
constexpr DISPID kPlaybackEndedEvent = 1;

inline constexpr CLSID CLSID_AudioSliderType2 = com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}");
inline constexpr IID DIID__IAudioSliderType2Events = com::guid("{DB244C18-4BD5-4BF5-8F0A-5D2EBDDC227F}");
constexpr DISPID kSliderValueChangeEvent = 5;

inline constexpr CLSID CLSID_AudioTimeDisplayType1 = com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}");
inline constexpr CLSID CLSID_AudioPlayButtonType2 = com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}");

}  // namespace hosted
