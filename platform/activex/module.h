#pragma once
// The module object of an in-process control server: its class table, the class factories, the
// unload check, and self-registration from the registration scripts and the type library tables.
// A library defines one Module as a global object and exports the entry points with
// ACTIVEX_SERVER_ENTRY_POINTS:
//
//   activex::Module module(&kLib, {activex::classEntry<Slider>(sliderScript)}, {appIdScript});
//   ACTIVEX_SERVER_ENTRY_POINTS(module)

#include "activex/registration.h"
#include "com/com.h"

#include <atomic>
#include <memory>
#include <vector>

namespace activex {

using CreateFunction = HRESULT (*)(REFIID riid, void** out);

struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
    RegistryScript script;
};

// An object of class T made by its default constructor, asked for riid.
template <class T>
HRESULT createInstance(REFIID riid, void** out) {
    T* object = new T();
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}
template <class T>
ClassEntry classEntry(RegistryScript script) {
    return ClassEntry{&T::kClsid, &createInstance<T>, std::move(script)};
}

class Module {
public:
    // typeLib may be nullptr (no type library to register). Registration runs the module
    // scripts, then each class's script in table order, then registers the type library;
    // unregistration undoes it in reverse order.
    Module(const com::TypeLibDesc* typeLib, std::vector<ClassEntry> classes,
           std::vector<RegistryScript> moduleScripts = {}, Replacements replacements = {});
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    HRESULT getClassObject(REFCLSID clsid, REFIID riid, void** out);
    HRESULT canUnloadNow() const;
    HRESULT registerServer();
    HRESULT unregisterServer();

    // Live objects and locks keep the library loaded.
    void objectCreated() { ++objects_; }
    void objectDestroyed() { --objects_; }
    void lock() { ++locks_; }
    void unlock() { --locks_; }
    long objectCount() const { return objects_; }

    // The library that holds this object, and its full path.
    HINSTANCE instance() const;
    std::string path() const;
    const com::TypeLibDesc* typeLib() const { return typeLib_; }

private:
    class Factory;
    Replacements replacements() const;

    const com::TypeLibDesc* typeLib_;
    std::vector<ClassEntry> classes_;
    std::vector<RegistryScript> moduleScripts_;
    Replacements extra_;
    std::unique_ptr<com::TypeLibRegistration> libRegistration_;
    std::vector<std::unique_ptr<Factory>> factories_;
    std::atomic<long> objects_{0};
    std::atomic<long> locks_{0};
};

}  // namespace activex

#define ACTIVEX_SERVER_ENTRY_POINTS(module)                                                                  \
    extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {                          \
        return (module).getClassObject(clsid, riid, out);                                                     \
    }                                                                                                         \
    extern "C" HRESULT DllCanUnloadNow() { return (module).canUnloadNow(); }                                  \
    extern "C" HRESULT DllRegisterServer() { return (module).registerServer(); }                              \
    extern "C" HRESULT DllUnregisterServer() { return (module).unregisterServer(); }
