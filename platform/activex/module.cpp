#include "activex/module.h"

#include "win32/module.h"

namespace activex {

class Module::Factory final : public IClassFactory {
public:
    Factory(Module& module, CreateFunction create) : module_(module), create_(create) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        return com::queryOne<IClassFactory>(this, riid, riid == IID_IClassFactory, out);
    }
    // The factories live as long as the module; a reference to one holds the library like a lock.
    ULONG AddRef() override {
        module_.lock();
        return 2;
    }
    ULONG Release() override {
        module_.unlock();
        return 1;
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(riid, out);
    }
    HRESULT LockServer(BOOL lock) override {
        lock ? module_.lock() : module_.unlock();
        return S_OK;
    }

private:
    Module& module_;
    CreateFunction create_;
};

Module::Module(const com::TypeLibDesc* typeLib, std::vector<ClassEntry> classes,
               std::vector<RegistryScript> moduleScripts, Replacements replacements)
    : typeLib_(typeLib), classes_(std::move(classes)), moduleScripts_(std::move(moduleScripts)),
      extra_(std::move(replacements)) {
    if (typeLib_) libRegistration_ = std::make_unique<com::TypeLibRegistration>(*typeLib_);
    for (const ClassEntry& c : classes_) factories_.push_back(std::make_unique<Factory>(*this, c.create));
}

Module::~Module() = default;

HINSTANCE Module::instance() const { return win32::moduleFromAddress(this); }

std::string Module::path() const {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(instance(), path, sizeof path);
    return std::string(path, n);
}

Replacements Module::replacements() const {
    Replacements r = extra_;
    r["MODULE"] = path();
    return r;
}

HRESULT Module::getClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < classes_.size(); ++i)
        if (*classes_[i].clsid == clsid) return factories_[i]->QueryInterface(riid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Module::canUnloadNow() const { return objects_ == 0 && locks_ == 0 ? S_OK : S_FALSE; }

HRESULT Module::registerServer() {
    const Replacements r = replacements();
    for (const RegistryScript& s : moduleScripts_)
        if (HRESULT hr = registerScript(s, r); FAILED(hr)) return hr;
    for (const ClassEntry& c : classes_)
        if (HRESULT hr = registerScript(c.script, r); FAILED(hr)) return hr;
    if (!typeLib_) return S_OK;
    com::ComPtr<ITypeLib> lib;
    if (FAILED(com::typeLibOf(*typeLib_, lib.put()))) return SELFREG_E_TYPELIB;
    std::u16string path = com::toUtf16(r.at("MODULE"));
    return FAILED(RegisterTypeLib(lib.get(), path.c_str(), nullptr)) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT Module::unregisterServer() {
    const Replacements r = replacements();
    HRESULT result = S_OK;
    if (typeLib_) {
        HRESULT hr = UnRegisterTypeLib(typeLib_->libid, typeLib_->majorVersion, typeLib_->minorVersion, 0, SYS_WIN32);
        // A library that was never registered is no failure of unregistration.
        if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS) result = SELFREG_E_TYPELIB;
    }
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it)
        if (FAILED(unregisterScript(it->script, r))) result = SELFREG_E_CLASS;
    for (auto it = moduleScripts_.rbegin(); it != moduleScripts_.rend(); ++it)
        if (FAILED(unregisterScript(*it, r))) result = SELFREG_E_CLASS;
    return result;
}

}  // namespace activex
