#pragma once
// The library's type library and class table; each control's interface lives in its folder.

#include "amp_bar/interface.h"
#include "band_sliders/interface.h"
#include "bitmap_slider/interface.h"
#include "flat_button/interface.h"
#include "flat_slider/interface.h"
#include "position_slider/interface.h"
#include "step_knob/interface.h"
#include "time_display/interface.h"
#include "transport_bar/interface.h"
#include "transport_cluster/interface.h"
#include "volume_knob/interface.h"
#include "volume_wedge/interface.h"

inline constexpr GUID LIBID_Sondrel3Lib = com::guid("{DA41C6B8-DB1F-493C-913D-700702AD715B}");
inline constexpr GUID APPID_Sondrel3 = com::guid("{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}");
inline constexpr IID DIID__IAudioEqualizerType1Events = com::guid("{AF668A68-2C2B-4B52-8303-0B4937B6ABCA}");

namespace sondrel {

// One row of the class table, in registration order.
struct ClassInfo {
    const char* name;           // the coclass
    CLSID clsid;
    const char* progId;
    const char* independentProgId;
    WORD scriptId;              // the registry script's resource id
    WORD bitmapId;              // the toolbox bitmap's resource id
    IID iid;                    // the dual interface
    const GUID* events;         // the event interface, or nullptr
    const com::TypeDesc* coclass;
    const com::TypeDesc* dual;
};

extern const ClassInfo kClasses[12];
const ClassInfo* findClass(REFCLSID clsid);

extern const com::TypeLibDesc kSondrel3Lib;

constexpr DWORD kOleMisc = 131473;

}  // namespace sondrel
