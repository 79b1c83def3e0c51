// regsvr [-u] LIB: registers an in-process server by calling its DllRegisterServer, or with -u
// unregisters it by calling its DllUnregisterServer.

#include "com/activation.h"
#include "win32/module.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

enum Exit { kOk = 0, kUsage = 1, kLoadFailed = 3, kNoEntry = 4, kCallFailed = 5 };

int usage() {
    std::fprintf(stderr, "usage: regsvr [-u] LIBRARY\n");
    return kUsage;
}

// A library named by a path that exists is loaded by its full path, which is what the server
// writes into the registry as its own location.
std::string fullPath(const char* name) {
    char resolved[PATH_MAX];
    if (std::strchr(name, '/') || access(name, F_OK) == 0)
        if (realpath(name, resolved)) return resolved;
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 && !unregister)
            unregister = true;
        else if (!library && argv[i][0] != '-')
            library = argv[i];
        else
            return usage();
    }
    if (!library) return usage();

    const std::string path = fullPath(library);
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    CoInitialize(nullptr);
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        std::fprintf(stderr, "regsvr: cannot load %s (error %u)\n", path.c_str(), GetLastError());
        CoUninitialize();
        return kLoadFailed;
    }
    auto call = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(module, entry));
    if (!call) {
        std::fprintf(stderr, "regsvr: %s has no entry point %s\n", path.c_str(), entry);
        FreeLibrary(module);
        CoUninitialize();
        return kNoEntry;
    }
    HRESULT hr = call();
    FreeLibrary(module);
    CoUninitialize();
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s in %s failed (0x%08X)\n", entry, path.c_str(), static_cast<unsigned>(hr));
        return kCallFailed;
    }
    std::printf("regsvr: %s in %s succeeded\n", entry, path.c_str());
    return kOk;
}
