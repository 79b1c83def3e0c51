#include "payment_core/wininet_binding.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "win32/module.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {
namespace {

WinInetFunctions g_winInet;
std::once_flag g_winInetOnce;

template <class Entry>
void bind(HMODULE module, Entry& entry, const char* name) {
    entry.fn = reinterpret_cast<decltype(entry.fn)>(GetProcAddress(module, name));
}

void bindWinInet() {
    HMODULE module = LoadLibraryA("wininet.dll");
    if (!module) return;
    WinInetFunctions& f = g_winInet;
#define PAYMENT_CORE_BIND(name) bind(module, f.name, #name)
    PAYMENT_CORE_BIND(InternetCloseHandle);
    PAYMENT_CORE_BIND(InternetReadFile);
    PAYMENT_CORE_BIND(HttpQueryInfoA);
    PAYMENT_CORE_BIND(HttpSendRequestA);
    PAYMENT_CORE_BIND(HttpAddRequestHeadersA);
    PAYMENT_CORE_BIND(HttpOpenRequestA);
    PAYMENT_CORE_BIND(InternetConnectA);
    PAYMENT_CORE_BIND(InternetSetStatusCallback);
    PAYMENT_CORE_BIND(InternetOpenA);
    PAYMENT_CORE_BIND(InternetSetOptionA);
    PAYMENT_CORE_BIND(InternetQueryOptionA);
#undef PAYMENT_CORE_BIND
}

struct ErrorText {
    DWORD code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {12001, "Internet Out Of Handles."},
    {12002, "Internet Timeout."},
    {12003, "Internet Extended Error."},
    {12004, "Internet Internal Error."},
    {12005, "Internet Invalid Url."},
    {12006, "Internet Unrecognized Scheme."},
    {12007, "Internet Name Not Resolved."},
    {12008, "Internet Protocol Not Found."},
    {12009, "Internet Invalid Option."},
    {12010, "Internet Bad Option Length."},
    {12011, "Internet Option Not Settable."},
    {12012, "Internet Shutdown."},
    {12013, "Internet Incorrect User Name."},
    {12014, "Internet Incorrect Password."},
    {12015, "Internet Login Failure."},
    {12016, "Internet Invalid Operation."},
    {12017, "Internet Operation Cancelled."},
    {12018, "Internet Incorrect Handle Type."},
    {12019, "Internet Incorrect Handle State."},
    {12020, "Internet Not Proxy Request."},
    {12021, "Internet Registry Value Not Found."},
    {12022, "Internet Bad Registry Parameter."},
    {12023, "Internet No Direct Access."},
    {12024, "Internet No Context."},
    {12025, "Internet No Callback."},
    {12026, "Internet Request Pending."},
    {12027, "Internet Incorrect Format."},
    {12028, "Internet Item Not Found."},
    {12029, "Internet Cannot Connect."},
    {12030, "Internet Connection Aborted."},
    {12031, "Internet Connection Reset."},
    {12032, "Internet Force Retry."},
    {12033, "Internet Invalid Proxy Request."},
    {12034, "Internet Need Ui."},
    {12036, "Internet Handle Exists."},
    {12037, "The Certificate has an Invalid Name, or different from Host Name."},
    {12038, "Invalid Certificate Name."},
    {12039, "HTTP to HTTPS redirection not allowed (check the security flags)."},
    {12040, "HTTPS to HTTP redirection not allowed (check the security flags)."},
    {12041, "Internet Mixed Security."},
    {12042, "Internet Chg Post Is Non Secure."},
    {12043, "Internet Post Is Non Secure."},
    {12044, "Internet Client Auth Cert Needed."},
    {12045, "Invalid Certification Authority."},
    {12046, "Internet Client Auth Not Setup."},
    {12047, "Internet Async Thread Failed."},
    {12048, "Internet Redirect Scheme Change."},
    {12049, "Internet Dialog Pending."},
    {12050, "Internet Retry Dialog."},
    {12052, "Internet Https Http Submit Redir."},
    {12053, "Internet Insert Cdrom."},
    {12110, "Ftp Transfer is currently in progress."},
    {12111, "FTP connection dropped."},
    {12112, "The FTP server does not support the passive mode."},
    {12150, "Http Header Not Found."},
    {12151, "Http Downlevel Server."},
    {12152, "Http Invalid Server Response."},
    {12153, "Http Invalid Header."},
    {12154, "Http Invalid Query Request."},
    {12155, "Http Header Already Exists."},
    {12156, "Http Redirect Failed."},
    {12160, "Http Not Redirected."},
    {12161, "Http Cookie Needs Confirmation."},
    {12162, "Http Cookie Declined."},
    {12168, "Http Redirect Needs Confirmation."},
    {12157, "Internet Security Channel Error."},
    {12158, "Internet Unable To Cache File."},
    {12159, "Internet Tcpip Not Installed."},
    {12163, "Internet Disconnected."},
    {12164, "Internet Server Unreachable."},
    {12165, "Internet Proxy Server Unreachable."},
    {12166, "Internet Bad Auto Proxy Script."},
    {12167, "Internet Unable To Download Script."},
    {12169, "Invalid Security Certificate."},
    {12170, "Revoked Security Certificate."},
    {12171, "Failed due to security check."},
};

}  // namespace

const WinInetFunctions& winInet() {
    std::call_once(g_winInetOnce, bindWinInet);
    return g_winInet;
}

const char* winInetErrorText(DWORD code, char (&buffer)[48]) {
    for (const ErrorText& row : kErrorTexts) {
        if (row.code == code) return row.text;
    }
    std::snprintf(buffer, sizeof buffer, "[%lu] (no description available)", static_cast<unsigned long>(code));
    return buffer;
}

const char* winInetStatusText(DWORD status, const void* info, DWORD infoLength) {
    switch (status) {
    case 10: return "Looking up the IP address";
    case 11: return "Successfully found the IP address";
    case 20: return "Connecting to the socket address";
    case 21: return "Successfully connected to";
    case 30: return "Sending the information request to the server.";
    case 31: return "Successfully sent the information request to the server.";
    case 40: return "Waiting for the server to respond to the request.";
    case 41: return "Successfully received a response from the server.";
    case 50: return "Closing the connection to the server.";
    case 51: return "Successfully closed the connection to the server.";
    case 100: return "An asynchronous operation has been completed.";
    case 110:
        return kCheckoutBuild ? "An HTTP request is about to automatically redirect the request."
                              : "An HTTP request is about to automatically redirect the request to";
    case 120: return "Received an intermediate (100 level) status code message from the server.";
    case 200: {
        DWORD state = 0;
        if (info && infoLength >= sizeof state) std::memcpy(&state, info, sizeof state);
        switch (state) {
        case 1: return "Online state.";
        case 2: return "Offline because no network connection could be established.";
        case 16: return "Offline by user request.";
        case 256: return "No network requests are being made by Wininet.";
        case 512: return "Network requests are being made by Wininet.";
        default: return "Moved between a secure (HTTPS) and a nonsecure (HTTP) site.";
        }
    }
    case 43:
    case 60:
    case 70:
        return nullptr;
    default:
        return "Unknown state.";
    }
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
