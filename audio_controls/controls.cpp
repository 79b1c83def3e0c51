#include "controls.h"

#include "control_class.h"

namespace sondrel {

namespace {

// Counts the live controls for the unload check; the classes and their registration are this
// library's own (registration.cpp).
activex::Module moduleObject(nullptr, {});

struct Maker {
    const CLSID& clsid;
    HRESULT (*create)(REFIID riid, void** out);
};

// The classes that are built; the others answer "class not available".
const Maker kMakers[] = {
    {CLSID_AudioSliderType2, createAudioSliderType2},
    {CLSID_AudioTimeDisplayType1, createAudioTimeDisplayType1},
    {CLSID_AudioSlidersBands, createAudioSlidersBands},
    {CLSID_AudioStepButtonType1, createAudioStepButtonType1},
    {CLSID_AudioVolumeButtonType1, createAudioVolumeButtonType1},
    {CLSID_AudioVolumeButtonType2, createAudioVolumeButtonType2},
    {CLSID_AudioFlatSlider, createAudioFlatSlider},
    {CLSID_AudioSliderType1, createAudioSliderType1},
    {CLSID_AudioPlayButtonType1, createAudioPlayButtonType1},
    {CLSID_AudioPlayButtonType2, createAudioPlayButtonType2},
    {CLSID_AudioAmpBarType1, createAudioAmpBarType1},
    {CLSID_AudioFlatButton, createAudioFlatButton},
};

const Maker* makerOf(REFCLSID clsid) {
    for (const Maker& m : kMakers)
        if (m.clsid == clsid) return &m;
    return nullptr;
}

}  // namespace

activex::Module& controlModule() { return moduleObject; }

activex::ControlClass controlClass(REFCLSID clsid) {
    const ClassInfo& c = *findClass(clsid);
    return activex::ControlClass{moduleObject, c.clsid, c.progId, *c.coclass, *c.dual, c.events, kOleMisc,
                                 {activex::extentWidthEntry(), activex::extentHeightEntry()}};
}

bool controlAvailable(REFCLSID clsid) { return makerOf(clsid) != nullptr; }

HRESULT createControl(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const Maker* m = makerOf(clsid);
    return m ? m->create(riid, out) : CLASS_E_CLASSNOTAVAILABLE;
}

long liveControls() { return moduleObject.objectCount(); }

}  // namespace sondrel
