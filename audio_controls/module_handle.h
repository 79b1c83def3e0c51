#pragma once
// The module that holds this code, apart from the GDI headers (whose resource helpers the module
// loader's header declares again).

#include "win32/base.h"

#include <string>

namespace sondrel {

// The module handle every resource is loaded from.
HINSTANCE moduleInstance();
// The module's full path, as the registry names it.
std::string modulePath();

}  // namespace sondrel
