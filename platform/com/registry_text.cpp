#include "registry_text.h"

#include <vector>

namespace com::registry {

std::optional<std::string> readText(HKEY root, const std::string& key, const char* value) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<std::string> result;
    if (RegQueryValueExA(k, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<BYTE> data(size + 1);
        if (RegQueryValueExA(k, value, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
            std::string text(reinterpret_cast<const char*>(data.data()), size);
            while (!text.empty() && text.back() == 0) text.pop_back();
            result = text;
        }
    }
    RegCloseKey(k);
    return result;
}

bool writeText(HKEY root, const std::string& key, const char* value, const std::string& text) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LSTATUS rc = RegSetValueExA(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

bool removeTree(HKEY root, const std::string& key) {
    LSTATUS rc = RegDeleteTreeA(root, key.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

void removeIfEmpty(HKEY root, const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    char name[256];
    DWORD size = sizeof name, valueSize = sizeof name;
    LSTATUS keys = RegEnumKeyExA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    LSTATUS values = RegEnumValueA(k, 0, name, &valueSize, nullptr, nullptr, nullptr, nullptr);
    bool hasKeys = keys == ERROR_SUCCESS || keys == ERROR_MORE_DATA;
    bool hasValues = values == ERROR_SUCCESS || values == ERROR_MORE_DATA;
    RegCloseKey(k);
    if (!hasKeys && !hasValues) RegDeleteKeyA(root, key.c_str());
}

}  // namespace com::registry
