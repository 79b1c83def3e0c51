#pragma once
// UserProfile.ini: the user's carrier, country and phone number between runs.

#include <string>

bool ReadUserProfile();
void WriteUserProfile();
std::string BuildProfileLine();

constexpr const char* kProfileFileName = "UserProfile.ini";
