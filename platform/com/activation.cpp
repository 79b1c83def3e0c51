#include "com/activation.h"

#include "apartment.h"
#include "registry_text.h"
#include "win32/module.h"

#include <map>
#include <mutex>

namespace {

thread_local int apartmentDepth = 0;

// Servers stay loaded, one load each, until CoFreeUnusedLibraries finds them idle.
struct Servers {
    std::mutex lock;
    std::map<std::string, HMODULE> loaded;
};
Servers& servers() {
    static Servers s;
    return s;
}

std::string classKey(REFCLSID clsid) { return "CLSID\\" + com::formatGuid(clsid); }

HRESULT copyText(const std::string& text, LPOLESTR* out) {
    std::u16string wide = com::toUtf16(text);
    auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!p) return E_OUTOFMEMORY;
    std::memcpy(p, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
    *out = p;
    return S_OK;
}

}  // namespace

namespace com {
bool inApartment() { return apartmentDepth > 0; }
}  // namespace com

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD) { return apartmentDepth++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (apartmentDepth == 0) return;
    if (--apartmentDepth == 0) com::detail::apartmentEnding();
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID riid, LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (!com::inApartment()) return CO_E_NOTINITIALIZED;
    if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    auto path = com::registry::readText(HKEY_CLASSES_ROOT, classKey(clsid) + "\\InprocServer32");
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;

    HMODULE module;
    {
        Servers& s = servers();
        std::lock_guard<std::mutex> hold(s.lock);
        HMODULE& m = s.loaded[*path];
        if (!m) m = LoadLibraryA(path->c_str());
        if (!m) {
            s.loaded.erase(*path);
            return CO_E_DLLNOTFOUND;
        }
        module = m;
    }
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    return getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    com::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.putVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(outer, riid, object);
}

void CoFreeUnusedLibraries() {
    Servers& s = servers();
    std::lock_guard<std::mutex> hold(s.lock);
    for (auto it = s.loaded.begin(); it != s.loaded.end();) {
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(it->second, "DllCanUnloadNow"));
        if (canUnload && canUnload() == S_OK) {
            FreeLibrary(it->second);
            it = s.loaded.erase(it);
        } else {
            ++it;
        }
    }
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    auto progId = com::registry::readText(HKEY_CLASSES_ROOT, classKey(clsid) + "\\ProgID");
    if (!progId || progId->empty()) return REGDB_E_CLASSNOTREG;
    return copyText(*progId, out);
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID out) {
    if (!progId || !out) return E_INVALIDARG;
    std::u16string_view wide(progId);
    std::string name = com::toUtf8(wide);
    // A ProgID names one key right under the root.
    if (name.empty() || name.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    auto text = com::registry::readText(HKEY_CLASSES_ROOT, name + "\\CLSID");
    if (!text || !com::parseGuid(*text, out)) return CO_E_CLASSSTRING;
    return S_OK;
}
