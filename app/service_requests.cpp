#include "service_requests.h"

#include "main_window_values.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "service_window.h"
#include "wininet/wininet.h"

MainWindowValues& MainWindowProperties() {
    static MainWindowValues values;
    return values;
}

std::string PercentEncode(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : value) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 15]);
        }
    }
    return encoded;
}

std::string BackendFileAddress() {
    return "http://" + ServiceHost() + "/_ini/backend/" + PercentEncode(g_ModID) + "/BackEnd.txt";
}

std::string TrackingAddress(int step, const std::string& phone) {
    return "http://" + ServiceHost() + "/_php/mod_tracking.php?" + "&step=" + std::to_string(step) +
           "&modID=" + PercentEncode(g_ModID) + "&partnerID=" + PercentEncode(g_PartnerID) +
           "&phone=" + PercentEncode(phone);
}

std::string PartnerPostAddress(const std::string& phone, const std::string& carrier, const std::string& fileName) {
    return g_PartnerPostUrl + "mobile=" + PercentEncode(phone) + "&network=" + PercentEncode(carrier) +
           "&country=" + PercentEncode(std::to_string(g_CountryCode)) + "&filename=" + PercentEncode(fileName) +
           "&partnerid=" + PercentEncode(g_PartnerID);
}

std::string PostToHomeAddress(const std::string& fileName, const std::string& phone, const std::string& carrier) {
    return "http://" + ServiceHost() + "/_php/mod_tracking.php?" + "filename=" + PercentEncode(fileName) +
           "&modID=" + PercentEncode(g_ModID) + "&partnerID=" + PercentEncode(g_PartnerID) +
           "&phone=" + PercentEncode(phone) + "&carrier=" + PercentEncode(carrier);
}

bool IsInternetConnected() {
    HINTERNET session = InternetOpenA(kApplicationTitle, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session) return false;
    DWORD connect = static_cast<DWORD>(GetServiceTimeouts().connectSeconds) * 1000;
    DWORD receive = static_cast<DWORD>(GetServiceTimeouts().requestSeconds) * 1000;
    InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    HINTERNET page = InternetOpenUrlA(session, ConnectivityUrl().c_str(), nullptr, 0,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION,
                                      0);
    InternetCloseHandle(session);
    return page != nullptr;
}

namespace {
void reportRequestError(const forms::Error& error, const std::string& title) {
    ShowMessage("Error " + std::to_string(error.Number()) + error.Description(), title);
}

void fetchIgnoringAnswer(frm_Invisible& window, const std::string& address) {
    while (window.Inet1.StillExecuting()) {
    }
    window.Inet1.OpenURL(address, forms::icString);
}
}  // namespace

bool PostTracking() {
    try {
        fetchIgnoringAnswer(DefaultServiceWindow(),
                            TrackingAddress(g_TrackingStep, MainWindowProperties().prp_PhoneNumber));
    } catch (const forms::Error& error) {
        reportRequestError(error, "POST Tracking");
    }
    return true;
}

bool PostToPartner(const std::string& testName, const std::string& fileName) {
    if (testName != fileName) return true;
    try {
        g_ServiceWindow = NewServiceWindow();
        const auto& main = MainWindowProperties();
        fetchIgnoringAnswer(*g_ServiceWindow, PartnerPostAddress(main.prp_PhoneNumber, main.prp_CarrierSelect, fileName));
        g_ServiceWindow.reset();
    } catch (const forms::Error& error) {
        g_ServiceWindow.reset();
        reportRequestError(error, "Partner POST");
    }
    return true;
}

bool PostToHome(const std::string&, const std::string& fileName) {
    try {
        g_ServiceWindow = NewServiceWindow();
        const auto& main = MainWindowProperties();
        fetchIgnoringAnswer(*g_ServiceWindow, PostToHomeAddress(fileName, main.prp_PhoneNumber, main.prp_CarrierSelect));
        g_ServiceWindow.reset();
    } catch (const forms::Error& error) {
        g_ServiceWindow.reset();
        reportRequestError(error, "Post To Home");
    }
    return true;
}
