// The in-process server: class objects for the twelve classes, the unload check and
// self-registration.

#include "com/activation.h"
#include "com/object.h"
#include "controls.h"
#include "interfaces.h"
#include "registration.h"
#include "resources.h"
#include "win32/module.h"

#include <atomic>
#include <string>

namespace sondrel {

namespace {

const com::TypeLibRegistration typeLibRegistration(kSondrel3Lib);
std::atomic<long> locks{0};

// The module's full path, as the registry names it.
std::string modulePath() {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(moduleInstance(), path, sizeof path);
    return std::string(path, n);
}

// The artwork's table lives in this module, so it leaves the resource registry with it.
struct ResourceLifetime {
    ~ResourceLifetime() { gdi::unregisterResources(moduleInstance()); }
} resourceLifetime;

class Factory final : public IClassFactory {
public:
    explicit Factory(const ClassInfo& info) : info_(info) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        return com::queryOne<IClassFactory>(this, riid, riid == IID_IClassFactory, out);
    }
    // The factories are static; a reference to one keeps the module loaded like a lock does.
    ULONG AddRef() override { return static_cast<ULONG>(++locks); }
    ULONG Release() override { return static_cast<ULONG>(--locks); }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        registerModuleResources();
        return createControl(info_.clsid, riid, out);
    }
    HRESULT LockServer(BOOL lock) override {
        lock ? ++locks : --locks;
        return S_OK;
    }

private:
    const ClassInfo& info_;
};

}  // namespace

}  // namespace sondrel

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    using namespace sondrel;
    if (!out) return E_POINTER;
    *out = nullptr;
    static Factory factories[] = {
        Factory(kClasses[0]), Factory(kClasses[1]), Factory(kClasses[2]),  Factory(kClasses[3]),
        Factory(kClasses[4]), Factory(kClasses[5]), Factory(kClasses[6]),  Factory(kClasses[7]),
        Factory(kClasses[8]), Factory(kClasses[9]), Factory(kClasses[10]), Factory(kClasses[11]),
    };
    for (std::size_t i = 0; i < std::size(kClasses); ++i)
        if (kClasses[i].clsid == clsid) {
            if (!controlAvailable(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
            return factories[i].QueryInterface(riid, out);
        }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT DllCanUnloadNow() {
    return sondrel::liveControls() == 0 && sondrel::locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT DllRegisterServer() { return sondrel::registerServer(sondrel::modulePath()); }

extern "C" HRESULT DllUnregisterServer() { return sondrel::unregisterServer(); }
