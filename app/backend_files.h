#pragma once
// The back-end file and the two list files: downloads, readers and the list boxes' filling.

#include <string>
#include <vector>

bool DownloadBackendFile();
bool DownloadCarrierList();
bool DownloadCountryList();

bool ReadBackendFile(const std::string& path);
bool ReadCarrierList(const std::string& path);
bool ReadCountryList(const std::string& path);

// The entries and selection of one list box.
struct ListBoxModel {
    std::vector<std::string> items;
    int listIndex = -1;
    void Clear() {
        items.clear();
        listIndex = -1;
    }
};

bool FillCountryList(ListBoxModel& countryList, ListBoxModel& carrierList);
bool FillCarrierList(ListBoxModel& carrierList);
// The carriers offered once a country is picked.
void FillCarriersOfCountry(ListBoxModel& carrierList, const std::string& countryName);

constexpr const char* kBackendFileName = "Backend.txt";
constexpr const char* kCarrierFileName = "carriers.ini";
constexpr const char* kCountryFileName = "country.ini";
