#include "user_profile.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "comma_fields.h"
#include "main_window_values.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "run_error.h"

namespace {
std::string profilePath() { return ProgramFolder() + "/" + kProfileFileName; }

std::string orDefault(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

// A later phone list entry is kept as the whole number below it.
std::string wholeNumberText(const std::string& field) {
    std::size_t start = field.find_first_not_of(" \t");
    if (start == std::string::npos || field.find_first_not_of("0123456789+-.eE \t") != std::string::npos)
        throw run_errors::typeMismatch();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(field.c_str() + start, &end);
    if (end == field.c_str() + start || std::string(end).find_first_not_of(" \t") != std::string::npos)
        throw run_errors::typeMismatch();
    if (errno == ERANGE || !std::isfinite(value)) throw run_errors::overflow();
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", std::floor(value));
    return text;
}

void storePhoneEntry(std::size_t& position, const std::string& entry) {
    if (position > kPhoneListSize) throw run_errors::subscriptOutOfRange();
    g_PhoneList[position++] = entry;
}
}  // namespace

std::string BuildProfileLine() {
    std::string line = quoteFieldWhenNeeded(g_ProfileStoredValues[1]) + ",";
    line += quoteFieldWhenNeeded(g_CarrierName) + ",";
    line += quoteFieldWhenNeeded(g_PartnerID) + ",";
    for (int index = 4; index <= 11; ++index) line += quoteFieldWhenNeeded(g_ProfileStoredValues[index]) + ",";
    line += quoteFieldWhenNeeded(g_CountryName) + ",";
    line += "[Phone Numbers],";
    line += quoteFieldWhenNeeded(MainWindowProperties().prp_PhoneNumber);
    return line;
}

// The new profile is written beside the old one and replaces it in one rename: a crash or a full
// disk half way leaves the old profile whole.
void WriteUserProfile() {
    const std::filesystem::path target = profilePath();
    const std::filesystem::path temporary = target.parent_path() / ("." + std::string(kProfileFileName) + ".new");
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) out << BuildProfileLine() << "\r\n";
        out.close();
        written = static_cast<bool>(out);
    }
    std::error_code error;
    if (written) std::filesystem::rename(temporary, target, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        ShowMessage("Problem updating User ProFile", "Update User Profile");
    }
}

bool ReadUserProfile() {
    try {
        auto reader = CommaFieldReader::open(profilePath());
        int counter = 1;
        std::size_t position = 1;
        while (!reader.atEnd()) {
            std::string field = reader.readText();
            if (counter == 1 || (counter >= 4 && counter <= 11)) {
                if (counter == 8) field = orDefault(field, "AL");
                if (counter == 10) field = orDefault(field, "USA");
                g_ProfileStoredValues[counter] = field;
            } else if (counter == 2) {
                g_CarrierName = orDefault(field, kChooseCarrier);
            } else if (counter == 12) {
                g_CountryName = orDefault(field, kChooseCountry);
            } else if (counter == 14) {
                g_PhoneNumberText = field;
                storePhoneEntry(position, field);
            } else if (counter == 15) {
                storePhoneEntry(position, field);
            } else if (counter >= 16) {
                storePhoneEntry(position, wholeNumberText(field));
            }
            ++counter;
        }
        return true;
    } catch (const RunError& error) {
        ShowMessage("Problem with UserProFile " + error.description(), "Setup User Profile");
        return false;
    }
}
