#pragma once
// The card control's class and the module that serves it.

#include "activex/module.h"
#include "card_control/control/interface.h"

namespace corvisk {

// The library's module object, made at the first call of an entry point.
activex::Module& corviskModule();
activex::ClassEntry corviskClassEntry();

}  // namespace corvisk
