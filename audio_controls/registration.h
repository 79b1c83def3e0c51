#pragma once
// The registry scripts of the module and its twelve classes, and the range errors that name a
// class by its registered ProgID.

#include "interfaces.h"

#include <string>

namespace sondrel {

// Writes the module script, every class's script in table order and the type library; the
// class registered last owns a shared ProgID.
HRESULT registerServer(const std::string& modulePath);
HRESULT unregisterServer();

// The ProgID registered for the class, or the class's own when it is not registered.
std::u16string registeredProgId(REFCLSID clsid);

// Sets the thread's error info for an out-of-range put and answers DISP_E_EXCEPTION.
HRESULT rangeError(REFCLSID clsid, const char* message);

}  // namespace sondrel
