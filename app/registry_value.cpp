#include "registry_value.h"

#include <cstdint>
#include <cstring>

namespace {
bool isPredefinedRoot(HKEY root) {
    for (HKEY known : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
                       HKEY_CURRENT_CONFIG, HKEY_DYN_DATA})
        if (root == known) return true;
    return false;
}

std::string readOpenKey(HKEY key, const std::string& valueName) {
    BYTE buffer[255] = {};
    DWORD type = 0;
    DWORD length = sizeof buffer;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buffer, &length) != ERROR_SUCCESS) return "";
    if (type == REG_DWORD) {
        DWORD number = 0;
        DWORD size = sizeof number;
        if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
                ERROR_SUCCESS ||
            size != sizeof number)
            return "";
        return std::to_string(static_cast<std::int32_t>(number));
    }
    if (length == 0) return "";
    if (length > sizeof buffer) length = sizeof buffer;
    if (buffer[length - 1] == 0) --length;
    return std::string(reinterpret_cast<const char*>(buffer), length);
}
}  // namespace

std::string ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    if (!isPredefinedRoot(root)) return "";
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string value = readOpenKey(key, valueName);
    RegCloseKey(key);
    return value;
}
