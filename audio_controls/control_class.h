#pragma once
// What the library's control classes share: the module object that counts live controls, and
// a class's framework description made from its row of the class table.

#include "activex/control.h"
#include "helpers.h"
#include "interfaces.h"
#include "registration.h"

namespace sondrel {

activex::Module& controlModule();

// The class's framework description; its persisted properties are the size alone.
activex::ControlClass controlClass(REFCLSID clsid);

inline PixelSize pixels(SIZE s) { return {s.cx, s.cy}; }

}  // namespace sondrel
