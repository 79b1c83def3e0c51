#pragma once

#include <string>

#include "win32/registry.h"

// The text of a registry value, "" whenever it cannot be read.
std::string ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName);

constexpr const char* kSettingsKey = "Software\\Drovane\\Tavimo\\Settings";
