#include "activex/registration.h"

#include "com/unknwn.h"

namespace activex {

namespace {

bool setText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool writeKey(HKEY parent, const RegistryKey& k, const Replacements& r) {
    const std::string name = expand(k.name, r);
    if (k.kind == RegistryKey::ForceRemove) {
        LSTATUS s = RegDeleteTreeA(parent, name.c_str());
        if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) return false;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = !k.value || setText(key, nullptr, expand(*k.value, r));
    for (const RegistryValue& v : k.values) ok = ok && setText(key, expand(v.name, r).c_str(), expand(v.text, r));
    for (const RegistryKey& sub : k.keys) ok = ok && writeKey(key, sub, r);
    RegCloseKey(key);
    return ok;
}

bool isEmpty(HKEY key) {
    char name[512];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return false;
    size = sizeof name;
    return RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS;
}

bool removeKey(HKEY parent, const RegistryKey& k, const Replacements& r) {
    const std::string name = expand(k.name, r);
    if (k.kind == RegistryKey::ForceRemove) {
        LSTATUS s = RegDeleteTreeA(parent, name.c_str());
        return s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND;
    }
    HKEY key = nullptr;
    LSTATUS s = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (s == ERROR_FILE_NOT_FOUND) return true;
    if (s != ERROR_SUCCESS) return false;
    bool ok = true;
    for (const RegistryKey& sub : k.keys) ok = removeKey(key, sub, r) && ok;
    if (k.kind == RegistryKey::NoRemove) {
        RegCloseKey(key);
        return ok;
    }
    for (const RegistryValue& v : k.values) {
        LSTATUS d = RegDeleteValueA(key, expand(v.name, r).c_str());
        ok = ok && (d == ERROR_SUCCESS || d == ERROR_FILE_NOT_FOUND);
    }
    if (k.value) {
        LSTATUS d = RegDeleteValueA(key, nullptr);
        ok = ok && (d == ERROR_SUCCESS || d == ERROR_FILE_NOT_FOUND);
    }
    const bool empty = isEmpty(key);
    RegCloseKey(key);
    if (empty) ok = RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS && ok;
    return ok;
}

RegistryKey textKey(std::string name, std::string value) {
    RegistryKey k;
    k.name = std::move(name);
    k.value = std::move(value);
    return k;
}

RegistryKey emptyKey(std::string name) {
    RegistryKey k;
    k.name = std::move(name);
    return k;
}

}  // namespace

std::string expand(const std::string& text, const Replacements& replacements) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        std::size_t end = text.find('%', i + 1);
        if (end == std::string::npos) {
            out += text.substr(i);
            break;
        }
        const std::string name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += '%';
        } else if (auto it = replacements.find(name); it != replacements.end()) {
            out += it->second;
        } else {
            out += text.substr(i, end - i + 1);
        }
        i = end;
    }
    return out;
}

HRESULT registerScript(const RegistryScript& script, const Replacements& replacements) {
    for (const RegistryKey& k : script.keys)
        if (!writeKey(script.root, k, replacements)) return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT unregisterScript(const RegistryScript& script, const Replacements& replacements) {
    bool ok = true;
    // Keys go in reverse order, so that a key written after another is removed before it.
    for (auto it = script.keys.rbegin(); it != script.keys.rend(); ++it)
        ok = removeKey(script.root, *it, replacements) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

RegistryScript controlScript(const ControlRegistration& r) {
    RegistryScript s;
    RegistryKey progId = textKey(r.progId, r.className);
    progId.keys.push_back(textKey("CLSID", r.clsid));
    s.keys.push_back(progId);

    RegistryKey independent = textKey(r.independentProgId, r.className);
    independent.keys.push_back(textKey("CLSID", r.clsid));
    independent.keys.push_back(textKey("CurVer", r.progId));
    s.keys.push_back(independent);

    RegistryKey cls = textKey(r.clsid, r.className);
    cls.kind = RegistryKey::ForceRemove;
    cls.keys.push_back(textKey("ProgID", r.progId));
    cls.keys.push_back(textKey("VersionIndependentProgID", r.independentProgId));
    cls.keys.push_back(emptyKey("Programmable"));
    RegistryKey server = textKey("InprocServer32", "%MODULE%");
    server.values.push_back({"ThreadingModel", r.threadingModel});
    cls.keys.push_back(server);
    if (!r.appId.empty()) cls.values.push_back({"AppID", r.appId});
    if (r.control) cls.keys.push_back(emptyKey("Control"));
    if (r.insertable) cls.keys.push_back(emptyKey("Insertable"));
    if (r.toolboxBitmap) cls.keys.push_back(textKey("ToolboxBitmap32", "%MODULE%, " + std::to_string(r.toolboxBitmap)));
    RegistryKey misc = textKey("MiscStatus", "0");
    misc.keys.push_back(textKey("1", std::to_string(r.miscStatus)));
    cls.keys.push_back(misc);
    if (!r.typeLib.empty()) cls.keys.push_back(textKey("TypeLib", r.typeLib));
    if (!r.version.empty()) cls.keys.push_back(textKey("Version", r.version));

    RegistryKey classes = emptyKey("CLSID");
    classes.kind = RegistryKey::NoRemove;
    classes.keys.push_back(cls);
    s.keys.push_back(classes);
    return s;
}

RegistryScript appIdScript(const std::string& appId, const std::string& name, const std::string& moduleFile) {
    RegistryKey ids = emptyKey("AppID");
    ids.kind = RegistryKey::NoRemove;
    ids.keys.push_back(textKey(appId, name));
    RegistryKey file = emptyKey(moduleFile);
    file.values.push_back({"AppID", appId});
    ids.keys.push_back(file);
    RegistryScript s;
    s.keys.push_back(ids);
    return s;
}

}  // namespace activex
