#pragma once
// The plain GET requests to the service, and the connectivity check.

#include <string>

// Percent-encodes every byte but A-Z a-z 0-9 - . _ ~, so today's plain values stay as they are.
std::string PercentEncode(const std::string& value);

std::string BackendFileAddress();
std::string TrackingAddress(int step, const std::string& phone);
std::string PartnerPostAddress(const std::string& phone, const std::string& carrier, const std::string& fileName);
std::string PostToHomeAddress(const std::string& fileName, const std::string& phone, const std::string& carrier);

bool IsInternetConnected();
bool PostTracking();
bool PostToPartner(const std::string& testName, const std::string& fileName);
bool PostToHome(const std::string& testName, const std::string& fileName);
