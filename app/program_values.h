#pragma once
// The values the program's windows share for the whole run; each has one writer.

#include <array>
#include <cstdint>
#include <string>

struct CountryRecord {
    std::int32_t code = 0;
    std::string name;
    std::string unused;
    std::string dialCode;
};

struct CarrierRecord {
    std::int32_t unused = 0;
    std::string countryName;
    std::string carrierName;
};

constexpr std::size_t kListTableSize = 1001;  // records 0 to 1000
constexpr std::size_t kPhoneListSize = 1000;  // entries 1 to 1000

extern std::string g_PartnerID;
extern std::string g_ModID;

extern std::string g_PartnerPostUrl;
extern std::string g_UploadPath;
extern std::string g_UploadHost;
extern std::string g_CarrierListUrl;
extern std::string g_CountryListUrl;
extern std::string g_BillingPageUrl;
extern std::string g_CurrencyPageUrl;

extern std::array<CountryRecord, kListTableSize> g_CountryTable;
extern std::array<CarrierRecord, kListTableSize> g_CarrierTable;

extern std::string g_CarrierName;
extern std::string g_CountryName;
extern std::string g_PhoneNumberText;
// The profile's values that only pass through: index 1 and 4 to 11 are used.
extern std::array<std::string, 12> g_ProfileStoredValues;
// Entries 1 to 1000; entry 0 is unused.
extern std::array<std::string, kPhoneListSize + 1> g_PhoneList;

extern std::int32_t g_CountryCode;
extern std::int16_t g_TrackingStep;
// The help page the help window shows; the step whose help button was pressed.
extern std::int16_t g_HelpStep;
// True while the phone step has not been submitted.
extern bool g_PhoneEntryOpen;

// Back to the state of a fresh start.
void ResetProgramValues();

// The list boxes' state kept for the phone step.
extern bool g_CarrierPlaceholder;
extern bool g_CountryPlaceholder;
extern std::string g_CountryListFirstEntry;
extern std::string g_CarrierListFirstEntry;

constexpr const char* kChooseCarrier = "* Choose carrier";
constexpr const char* kChooseCountry = "* Choose country";
