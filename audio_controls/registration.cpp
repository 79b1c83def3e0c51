#include "registration.h"

#include "com/activation.h"
#include "com/errorinfo.h"
#include "com/registry_text.h"

namespace sondrel {

namespace {

using com::registry::removeTree;
using com::registry::writeText;

const std::string kAppId = com::formatGuid(APPID_Sondrel3);

// A key with neither values nor sub-keys.
bool createKey(HKEY root, const std::string& key) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool registerModule() {
    return writeText(HKEY_CLASSES_ROOT, "AppID\\" + kAppId, nullptr, "Sondrel3") &&
           writeText(HKEY_CLASSES_ROOT, "AppID\\Sondrel3.DLL", "AppID", kAppId);
}

bool registerClass(const ClassInfo& c, const std::string& modulePath) {
    const std::string name = std::string(c.name) + " Class";
    const std::string clsid = com::formatGuid(c.clsid);
    const std::string key = "CLSID\\" + clsid;
    const HKEY root = HKEY_CLASSES_ROOT;
    // The class key is re-created from nothing, so no value of an earlier registration survives.
    removeTree(root, key);
    return writeText(root, c.progId, nullptr, name) &&
           writeText(root, std::string(c.progId) + "\\CLSID", nullptr, clsid) &&
           writeText(root, c.independentProgId, nullptr, name) &&
           writeText(root, std::string(c.independentProgId) + "\\CLSID", nullptr, clsid) &&
           writeText(root, std::string(c.independentProgId) + "\\CurVer", nullptr, c.progId) &&
           writeText(root, key, nullptr, name) && writeText(root, key + "\\ProgID", nullptr, c.progId) &&
           writeText(root, key + "\\VersionIndependentProgID", nullptr, c.independentProgId) &&
           createKey(root, key + "\\Programmable") &&
           writeText(root, key + "\\InprocServer32", nullptr, modulePath) &&
           writeText(root, key + "\\InprocServer32", "ThreadingModel", "Apartment") &&
           writeText(root, key, "AppID", kAppId) && createKey(root, key + "\\Control") &&
           writeText(root, key + "\\ToolboxBitmap32", nullptr, modulePath + ", " + std::to_string(c.bitmapId)) &&
           writeText(root, key + "\\MiscStatus", nullptr, "0") &&
           writeText(root, key + "\\MiscStatus\\1", nullptr, std::to_string(kOleMisc)) &&
           writeText(root, key + "\\TypeLib", nullptr, com::formatGuid(LIBID_Sondrel3Lib)) &&
           writeText(root, key + "\\Version", nullptr, "1.0");
}

}  // namespace

HRESULT registerServer(const std::string& modulePath) {
    if (!registerModule()) return SELFREG_E_CLASS;
    for (const ClassInfo& c : kClasses)
        if (!registerClass(c, modulePath)) return SELFREG_E_CLASS;
    com::ComPtr<ITypeLib> lib;
    HRESULT hr = com::typeLibOf(kSondrel3Lib, lib.put());
    if (SUCCEEDED(hr)) {
        std::u16string path = com::toUtf16(modulePath);
        hr = RegisterTypeLib(lib.get(), path.c_str(), nullptr);
    }
    return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT unregisterServer() {
    const HKEY root = HKEY_CLASSES_ROOT;
    bool ok = true;
    for (const ClassInfo& c : kClasses) {
        ok = removeTree(root, "CLSID\\" + com::formatGuid(c.clsid)) && ok;
        // Shared ProgIDs go with the first of their classes; removing an absent key is no failure.
        removeTree(root, c.progId);
        removeTree(root, c.independentProgId);
    }
    ok = removeTree(root, "AppID\\" + kAppId) && ok;
    ok = removeTree(root, "AppID\\Sondrel3.DLL") && ok;
    HRESULT hr = UnRegisterTypeLib(LIBID_Sondrel3Lib, 1, 0, 0, SYS_WIN32);
    return ok && SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}

std::u16string registeredProgId(REFCLSID clsid) {
    LPOLESTR text = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(clsid, &text)) && text) {
        std::u16string progId(text);
        CoTaskMemFree(text);
        return progId;
    }
    const ClassInfo* c = findClass(clsid);
    return c ? com::toUtf16(c->progId) : std::u16string();
}

HRESULT rangeError(REFCLSID clsid, const char* message) {
    com::setErrorInfo(GUID_NULL, registeredProgId(clsid), com::toUtf16(message));
    return DISP_E_EXCEPTION;
}

}  // namespace sondrel
