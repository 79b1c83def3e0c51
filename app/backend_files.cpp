#include "backend_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "comma_fields.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "run_error.h"
#include "service_requests.h"
#include "service_window.h"
#include "shared_procedures.h"

namespace fs = std::filesystem;

namespace {
// The copy of an old list that goes to the Trash is made under the list's own name, so that the
// Trash gives back that name, in a hidden folder of the process's that it holds locked while it
// uses it. A folder nobody holds was left by a process that ended midway, and goes.
constexpr const char* kStagingPrefix = ".trash-staging-";

void removeAbandonedStaging(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().rfind(kStagingPrefix, 0) != 0) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        std::error_code ignored;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) fs::remove_all(it->path(), ignored);
        ::close(fd);
    }
}

// Puts a copy of file in the Trash under the file's name; the file itself stays where it is.
void trashCopyOf(const fs::path& file) {
    const fs::path staging = file.parent_path() / (kStagingPrefix + std::to_string(::getpid()));
    std::error_code error;
    fs::create_directory(staging, error);
    const int fd = ::open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat held {};
    // Another process's clean-up may take the folder away between its making and its locking.
    if (fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 && held.st_nlink > 0) {
        const fs::path copy = staging / file.filename();
        if (fs::copy_file(file, copy, fs::copy_options::overwrite_existing, error)) DeleteFileToRecycleBin(copy.string());
    }
    fs::remove_all(staging, error);
    if (fd >= 0) ::close(fd);
}

// Only a complete answer of 2xx replaces the local file, and it does so in one rename, so a
// failed download leaves the file as it was, and one ended at any moment leaves the old file or
// the new one. An old list goes to the Trash as a copy taken before the rename.
bool download(const std::string& address, const std::string& fileName, bool recycleOld) {
    removeAbandonedStaging(ProgramFolder());
    g_ServiceWindow = NewServiceWindow();
    std::string bytes;
    long status = 0;
    try {
        while (g_ServiceWindow->Inet1.StillExecuting()) {
        }
        bytes = g_ServiceWindow->Inet1.OpenURL(address, forms::icByteArray);
        status = g_ServiceWindow->Inet1.ResponseCode();
    } catch (const forms::Error&) {
        g_ServiceWindow.reset();
        return false;
    }
    g_ServiceWindow.reset();
    if (status < 200 || status >= 300) return false;

    fs::path target = fs::path(ProgramFolder()) / fileName;
    fs::path temporary = fs::path(ProgramFolder()) / ("." + fileName + ".download");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    if (recycleOld && fs::exists(target, error)) trashCopyOf(target);
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

void reportReadError(const RunError& error, const std::string& title) {
    ShowMessage("Error " + std::to_string(error.number) + " (" + error.description() + ")", title);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

void selectEntry(ListBoxModel& list, const std::string& text) {
    auto it = std::find(list.items.begin(), list.items.end(), text);
    if (it != list.items.end()) list.listIndex = static_cast<int>(it - list.items.begin());
}
}  // namespace

bool DownloadBackendFile() { return download(BackendFileAddress(), kBackendFileName, false); }
bool DownloadCarrierList() { return download(g_CarrierListUrl, kCarrierFileName, true); }
bool DownloadCountryList() { return download(g_CountryListUrl, kCountryFileName, true); }

bool ReadBackendFile(const std::string& path) {
    try {
        auto reader = CommaFieldReader::open(path);
        while (!reader.atEnd()) {
            for (auto* value : {&g_PartnerPostUrl, &g_UploadPath, &g_UploadHost, &g_CarrierListUrl, &g_CountryListUrl,
                                &g_BillingPageUrl, &g_CurrencyPageUrl})
                *value = reader.readText();
        }
        return true;
    } catch (const RunError& error) {
        reportReadError(error, "Read BackEnd Configuration File");
        return false;
    }
}

bool ReadCarrierList(const std::string& path) {
    try {
        auto reader = CommaFieldReader::open(path);
        std::size_t index = 0;
        while (!reader.atEnd()) {
            if (index >= kListTableSize) throw run_errors::subscriptOutOfRange();
            auto& record = g_CarrierTable[index];
            record.unused = reader.readNumber();
            record.countryName = reader.readText();
            record.carrierName = reader.readText();
            ++index;
        }
        return true;
    } catch (const RunError& error) {
        reportReadError(error, "Read Configuration File");
        return false;
    }
}

bool ReadCountryList(const std::string& path) {
    try {
        auto reader = CommaFieldReader::open(path);
        std::size_t index = 0;
        while (!reader.atEnd()) {
            if (index >= kListTableSize) throw run_errors::subscriptOutOfRange();
            auto& record = g_CountryTable[index];
            record.code = reader.readNumber();
            record.name = reader.readText();
            record.unused = reader.readText();
            record.dialCode = reader.readText();
            ++index;
        }
        return true;
    } catch (const RunError& error) {
        reportReadError(error, "Read Configuration File");
        return false;
    }
}

bool FillCountryList(ListBoxModel& countryList, ListBoxModel& carrierList) {
    countryList.Clear();
    carrierList.Clear();
    if (g_CountryName == kChooseCountry) {
        countryList.items.emplace_back(kChooseCountry);
        g_CountryPlaceholder = true;
    }
    for (std::size_t index = 0; index < 1000; ++index)
        if (!g_CountryTable[index].name.empty()) countryList.items.push_back(g_CountryTable[index].name);
    g_CountryListFirstEntry = countryList.items.empty() ? "" : countryList.items.front();
    if (g_CountryName != kChooseCountry) selectEntry(countryList, g_CountryName);
    return true;
}

bool FillCarrierList(ListBoxModel& carrierList) {
    if (g_CarrierName == kChooseCarrier) {
        carrierList.items.emplace_back(kChooseCarrier);
        g_CarrierPlaceholder = true;
    }
    g_CarrierListFirstEntry = carrierList.items.empty() ? "" : carrierList.items.front();
    if (g_CarrierName != kChooseCarrier) selectEntry(carrierList, g_CarrierName);
    return true;
}

void FillCarriersOfCountry(ListBoxModel& carrierList, const std::string& countryName) {
    carrierList.Clear();
    for (std::size_t index = 1; index < 1000; ++index)
        if (equalsIgnoringCase(g_CarrierTable[index].countryName, countryName))
            carrierList.items.push_back(g_CarrierTable[index].carrierName);
}
