#include "com/typeinfo.h"

#include "registry_text.h"
#include "win32/module.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace com::detail {
const TypeLibDesc* findRegisteredLibrary(REFGUID libid, WORD major, WORD minor);
}

namespace {

// Interfaces are marshalled by the automation marshaller, as their key says.
constexpr char kAutomationProxyStub[] = "{00020424-0000-0000-C000-000000000046}";

std::string versionText(WORD major, WORD minor) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x", major, minor);
    return text;
}

std::string narrow(LPCOLESTR s) { return s ? com::toUtf8(std::u16string_view(s)) : std::string(); }

std::string libraryKey(REFGUID libid) { return "TypeLib\\" + com::formatGuid(libid); }

// The registered version key of this major version whose minor version is at least the one asked for.
std::optional<std::string> registeredVersion(REFGUID libid, WORD major, WORD minor) {
    std::string exact = versionText(major, minor);
    if (com::registry::readText(HKEY_CLASSES_ROOT, libraryKey(libid) + "\\" + exact + "\\0\\win32")) return exact;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, libraryKey(libid).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> found;
    char name[64];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        unsigned maj = 0, min = 0;
        if (std::sscanf(name, "%x.%x", &maj, &min) == 2 && maj == major && min >= minor) {
            found = name;
            break;
        }
    }
    RegCloseKey(k);
    return found;
}

struct LoadedLibraries {
    std::mutex lock;
    std::set<std::string> paths;
};
LoadedLibraries& loadedLibraries() {
    static LoadedLibraries l;
    return l;
}

}  // namespace

HRESULT RegisterTypeLib(ITypeLib* lib, LPCOLESTR fullPath, LPCOLESTR helpDir) {
    if (!lib || !fullPath) return E_INVALIDARG;
    TLIBATTR* attr = nullptr;
    HRESULT hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const GUID libid = attr->guid;
    const std::string version = versionText(attr->wMajorVerNum, attr->wMinorVerNum);
    lib->ReleaseTLibAttr(attr);

    com::Bstr doc;
    lib->GetDocumentation(-1, nullptr, doc.put(), nullptr, nullptr);
    std::string path = narrow(fullPath);
    std::string dir = helpDir ? narrow(helpDir) : path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
    const std::string key = libraryKey(libid) + "\\" + version;
    using com::registry::writeText;
    bool ok = writeText(HKEY_CLASSES_ROOT, key, nullptr, doc.utf8()) &&
              writeText(HKEY_CLASSES_ROOT, key + "\\FLAGS", nullptr, "0") &&
              writeText(HKEY_CLASSES_ROOT, key + "\\0\\win32", nullptr, path) &&
              writeText(HKEY_CLASSES_ROOT, key + "\\HELPDIR", nullptr, dir);

    for (UINT i = 0; ok && i < lib->GetTypeInfoCount(); ++i) {
        com::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
        TYPEATTR* ta = nullptr;
        if (FAILED(info->GetTypeAttr(&ta))) continue;
        bool automation = ta->typekind == TKIND_DISPATCH ||
                          (ta->typekind == TKIND_INTERFACE && (ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
        GUID iid = ta->guid;
        info->ReleaseTypeAttr(ta);
        if (!automation) continue;
        com::Bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        const std::string ikey = "Interface\\" + com::formatGuid(iid);
        ok = writeText(HKEY_CLASSES_ROOT, ikey, nullptr, name.utf8()) &&
             writeText(HKEY_CLASSES_ROOT, ikey + "\\ProxyStubClsid32", nullptr, kAutomationProxyStub) &&
             writeText(HKEY_CLASSES_ROOT, ikey + "\\TypeLib", nullptr, com::formatGuid(libid)) &&
             writeText(HKEY_CLASSES_ROOT, ikey + "\\TypeLib", "Version", version);
    }
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID, SYSKIND) {
    const std::string key = libraryKey(libid) + "\\" + versionText(major, minor);
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    RegCloseKey(k);

    // The interface keys that point at this library go with it.
    std::vector<std::string> interfaces;
    const std::string wanted = com::formatGuid(libid);
    const std::string version = versionText(major, minor);
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "Interface", 0, KEY_READ, &k) == ERROR_SUCCESS) {
        char name[64];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            std::string ikey = std::string("Interface\\") + name + "\\TypeLib";
            auto lib = com::registry::readText(HKEY_CLASSES_ROOT, ikey);
            auto ver = com::registry::readText(HKEY_CLASSES_ROOT, ikey, "Version");
            GUID g;
            if (lib && com::parseGuid(*lib, &g) && g == libid && (!ver || *ver == version))
                interfaces.push_back(std::string("Interface\\") + name);
        }
        RegCloseKey(k);
    }
    bool ok = true;
    for (const std::string& i : interfaces) ok = com::registry::removeTree(HKEY_CLASSES_ROOT, i) && ok;
    ok = com::registry::removeTree(HKEY_CLASSES_ROOT, key) && ok;
    com::registry::removeIfEmpty(HKEY_CLASSES_ROOT, libraryKey(libid));
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID, ITypeLib** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (const com::TypeLibDesc* lib = com::detail::findRegisteredLibrary(libid, major, minor))
        return com::typeLibOf(*lib, out);
    auto version = registeredVersion(libid, major, minor);
    if (!version) return TYPE_E_LIBNOTREGISTERED;
    auto path = com::registry::readText(HKEY_CLASSES_ROOT, libraryKey(libid) + "\\" + *version + "\\0\\win32");
    if (!path || path->empty()) return TYPE_E_LIBNOTREGISTERED;
    // The tables live in the module, which therefore stays loaded from here on.
    LoadedLibraries& loaded = loadedLibraries();
    std::lock_guard<std::mutex> hold(loaded.lock);
    if (!loaded.paths.count(*path)) {
        HMODULE module = LoadLibraryA(path->c_str());
        if (!module) return TYPE_E_CANTLOADLIBRARY;
        if (!com::detail::findRegisteredLibrary(libid, major, minor)) {
            FreeLibrary(module);
            return TYPE_E_CANTLOADLIBRARY;
        }
        loaded.paths.insert(*path);
    }
    const com::TypeLibDesc* lib = com::detail::findRegisteredLibrary(libid, major, minor);
    if (!lib) return TYPE_E_CANTLOADLIBRARY;
    return com::typeLibOf(*lib, out);
}
