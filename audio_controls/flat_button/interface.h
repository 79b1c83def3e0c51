#pragma once
// The interface of AudioFlatButton; its members are not built yet.

#include "interface_base.h"

struct IAudioFlatButton : IAnimationTarget {};
COM_INTERFACE_ID(IAudioFlatButton, "{C861289B-42C3-474D-9D65-9AA04421BEA0}");
inline constexpr IID DIID__IAudioFlatButtonEvents = com::guid("{6442B1AB-9473-4199-BF06-278BA42513D2}");

namespace sondrel {

inline constexpr CLSID CLSID_AudioFlatButton = com::guid("{AA458875-525B-4A98-B0FD-2CEADF2BFF7F}");
extern const com::TypeDesc kIAudioFlatButton;
extern const com::TypeDesc k_IAudioFlatButtonEvents;
extern const com::TypeDesc kCoAudioFlatButton;

}  // namespace sondrel
