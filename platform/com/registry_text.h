#pragma once
// Text values of the registry as this layer reads and writes them (internal).

#include "win32/registry.h"

#include <optional>
#include <string>

namespace com::registry {

std::optional<std::string> readText(HKEY root, const std::string& key, const char* value = nullptr);
bool writeText(HKEY root, const std::string& key, const char* value, const std::string& text);
bool removeTree(HKEY root, const std::string& key);
// Removes the key if nothing is left below it and it holds no values.
void removeIfEmpty(HKEY root, const std::string& key);

}  // namespace com::registry
