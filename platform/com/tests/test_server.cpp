// The sample class as an in-process server: class factory, unload check and self-registration.

#include "com/activation.h"
#include "com/registry_text.h"
#include "sample.h"
#include "win32/module.h"

#include <atomic>

namespace {

const com::TypeLibRegistration registration(sample::kSampleLib);
std::atomic<long> locks{0};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static; a reference to it keeps the module loaded like a lock does.
    ULONG AddRef() override { return static_cast<ULONG>(++locks); }
    ULONG Release() override { return static_cast<ULONG>(--locks); }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        com::ComPtr<ISample> object(sample::create(), false);
        return object->QueryInterface(riid, out);
    }
    HRESULT LockServer(BOOL lock) override {
        lock ? ++locks : --locks;
        return S_OK;
    }
};
Factory factory;

std::string modulePath() {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(win32::moduleFromAddress(reinterpret_cast<const void*>(&modulePath)), path,
                                 sizeof path);
    return std::string(path, n);
}

const std::string kClassKey = "CLSID\\" + com::formatGuid(CLSID_Sample);
constexpr char kIndependentProgId[] = "ComTest.Sample";

}  // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_Sample) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, out);
}

extern "C" HRESULT DllCanUnloadNow() { return sample::liveObjects() == 0 && locks == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT DllRegisterServer() {
    using com::registry::writeText;
    const std::string path = modulePath();
    const std::string clsid = com::formatGuid(CLSID_Sample);
    bool ok = writeText(HKEY_CLASSES_ROOT, kSampleProgId, nullptr, kSampleName) &&
              writeText(HKEY_CLASSES_ROOT, std::string(kSampleProgId) + "\\CLSID", nullptr, clsid) &&
              writeText(HKEY_CLASSES_ROOT, kIndependentProgId, nullptr, kSampleName) &&
              writeText(HKEY_CLASSES_ROOT, std::string(kIndependentProgId) + "\\CLSID", nullptr, clsid) &&
              writeText(HKEY_CLASSES_ROOT, std::string(kIndependentProgId) + "\\CurVer", nullptr, kSampleProgId) &&
              writeText(HKEY_CLASSES_ROOT, kClassKey, nullptr, kSampleName) &&
              writeText(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID", nullptr, kSampleProgId) &&
              writeText(HKEY_CLASSES_ROOT, kClassKey + "\\VersionIndependentProgID", nullptr, kIndependentProgId) &&
              writeText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", nullptr, path) &&
              writeText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
              writeText(HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib", nullptr, com::formatGuid(LIBID_SampleLib));
    if (!ok) return SELFREG_E_CLASS;
    com::ComPtr<ITypeLib> lib;
    com::typeLibOf(sample::kSampleLib, lib.put());
    std::u16string widePath = com::toUtf16(path);
    return FAILED(RegisterTypeLib(lib.get(), widePath.c_str(), nullptr)) ? SELFREG_E_TYPELIB : S_OK;
}

extern "C" HRESULT DllUnregisterServer() {
    using com::registry::removeTree;
    bool ok = removeTree(HKEY_CLASSES_ROOT, kClassKey) && removeTree(HKEY_CLASSES_ROOT, kSampleProgId) &&
              removeTree(HKEY_CLASSES_ROOT, kIndependentProgId);
    HRESULT hr = UnRegisterTypeLib(LIBID_SampleLib, 1, 0, 0, SYS_WIN32);
    return ok && SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}
