#include "program_values.h"

std::string g_PartnerID;
std::string g_ModID;

std::string g_PartnerPostUrl;
std::string g_UploadPath;
std::string g_UploadHost;
std::string g_CarrierListUrl;
std::string g_CountryListUrl;
std::string g_BillingPageUrl;
std::string g_CurrencyPageUrl;

std::array<CountryRecord, kListTableSize> g_CountryTable;
std::array<CarrierRecord, kListTableSize> g_CarrierTable;

std::string g_CarrierName;
std::string g_CountryName;
std::string g_PhoneNumberText;
std::array<std::string, 12> g_ProfileStoredValues;
std::array<std::string, kPhoneListSize + 1> g_PhoneList;

std::int32_t g_CountryCode = 0;
std::int16_t g_TrackingStep = 0;
std::int16_t g_HelpStep = 1;
bool g_PhoneEntryOpen = true;

bool g_CarrierPlaceholder = false;
bool g_CountryPlaceholder = false;
std::string g_CountryListFirstEntry;
std::string g_CarrierListFirstEntry;

void ResetProgramValues() {
    g_PartnerID.clear();
    g_ModID.clear();
    for (auto* value : {&g_PartnerPostUrl, &g_UploadPath, &g_UploadHost, &g_CarrierListUrl, &g_CountryListUrl,
                        &g_BillingPageUrl, &g_CurrencyPageUrl})
        value->clear();
    g_CountryTable.fill({});
    g_CarrierTable.fill({});
    g_CarrierName.clear();
    g_CountryName.clear();
    g_PhoneNumberText.clear();
    g_ProfileStoredValues.fill({});
    g_PhoneList.fill({});
    g_CountryCode = 0;
    g_TrackingStep = 0;
    g_HelpStep = 1;
    g_PhoneEntryOpen = true;
    g_CarrierPlaceholder = g_CountryPlaceholder = false;
    g_CountryListFirstEntry.clear();
    g_CarrierListFirstEntry.clear();
}
