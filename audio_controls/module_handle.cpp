#include "module_handle.h"

#include "win32/module.h"

namespace sondrel {

HINSTANCE moduleInstance() { return win32::moduleFromAddress(reinterpret_cast<const void*>(&moduleInstance)); }

std::string modulePath() {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(moduleInstance(), path, sizeof path);
    return std::string(path, n);
}

}  // namespace sondrel
