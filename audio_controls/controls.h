#pragma once
// Making the controls: the classes that exist, and one instance of a class by CLSID.

#include "interfaces.h"

namespace sondrel {

bool controlAvailable(REFCLSID clsid);
HRESULT createControl(REFCLSID clsid, REFIID riid, void** out);
// Control objects alive in this module.
long liveControls();

// Each built class's maker, beside its control.
HRESULT createAudioSliderType2(REFIID riid, void** out);
HRESULT createAudioTimeDisplayType1(REFIID riid, void** out);
HRESULT createAudioSlidersBands(REFIID riid, void** out);
HRESULT createAudioStepButtonType1(REFIID riid, void** out);
HRESULT createAudioVolumeButtonType1(REFIID riid, void** out);
HRESULT createAudioVolumeButtonType2(REFIID riid, void** out);
HRESULT createAudioFlatSlider(REFIID riid, void** out);
HRESULT createAudioSliderType1(REFIID riid, void** out);
HRESULT createAudioPlayButtonType1(REFIID riid, void** out);
HRESULT createAudioPlayButtonType2(REFIID riid, void** out);
HRESULT createAudioAmpBarType1(REFIID riid, void** out);
HRESULT createAudioFlatButton(REFIID riid, void** out);

}  // namespace sondrel
