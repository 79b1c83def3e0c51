#include "pfpro/pfpro.h"

#include "crypt32/bridge.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Context {
    std::string host;
    int port = 443;
    int timeout = 30;
    std::string proxy, proxyUser, proxyPassword;
    int proxyPort = 0;
};

std::mutex lock;
int initialised = 0;
int nextContext = 1;
std::map<int, Context> contexts;

size_t collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// The machine's trust roots, as the certificate library keeps them.
CURLcode trustPlatformRoots(CURL*, void* sslctx, void*) {
    crypt32::addTrustRoots(SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslctx)));
    return CURLE_OK;
}

std::string text(const char* s) { return s ? s : ""; }

}  // namespace

extern "C" {

int pfproInit() {
    std::lock_guard g(lock);
    if (initialised++ == 0) curl_global_init(CURL_GLOBAL_DEFAULT);
    return pfpro::kOk;
}

int pfproCreateContext(int* context, char* hostAddress, int hostPort, int timeout, char* proxyAddress,
                       int proxyPort, char* proxyLogon, char* proxyPassword) {
    std::lock_guard g(lock);
    if (!initialised) return pfpro::kNotInitialised;
    if (!context || !hostAddress || !*hostAddress || hostPort <= 0 || hostPort > 65535) return pfpro::kBadArgument;
    Context c;
    c.host = hostAddress;
    c.port = hostPort;
    c.timeout = timeout > 0 ? timeout : 30;
    c.proxy = text(proxyAddress);
    c.proxyPort = proxyPort;
    c.proxyUser = text(proxyLogon);
    c.proxyPassword = text(proxyPassword);
    *context = nextContext++;
    contexts[*context] = c;
    return pfpro::kOk;
}

int pfproSubmitTransaction(int context, char* parameters, long parameterLength, char** response) {
    Context c;
    {
        std::lock_guard g(lock);
        auto it = contexts.find(context);
        if (it == contexts.end()) return pfpro::kBadContext;
        c = it->second;
    }
    if (!response || (!parameters && parameterLength > 0) || parameterLength < 0) return pfpro::kBadArgument;
    *response = nullptr;
    CURL* curl = curl_easy_init();
    if (!curl) return pfpro::kTransfer;
    std::string url = "https://" + c.host + ":" + std::to_string(c.port) + pfpro::kTransactionPath;
    std::string answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/namevalue");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(parameterLength));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, parameters ? parameters : "");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(c.timeout));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, trustPlatformRoots);
    if (!c.proxy.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, c.proxy.c_str());
        if (c.proxyPort > 0) curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(c.proxyPort));
        if (!c.proxyUser.empty()) {
            curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, c.proxyUser.c_str());
            curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, c.proxyPassword.c_str());
        }
    } else {
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
    }
    CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    switch (rc) {
        case CURLE_OK: break;
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return pfpro::kCannotConnect;
        case CURLE_OPERATION_TIMEDOUT: return pfpro::kTimeout;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR: return pfpro::kCertificate;
        default: return pfpro::kTransfer;
    }
    if (status < 200 || status > 299) return pfpro::kTransfer;
    char* copy = static_cast<char*>(std::malloc(answer.size() + 1));
    if (!copy) return pfpro::kTransfer;
    std::memcpy(copy, answer.c_str(), answer.size() + 1);
    *response = copy;
    return pfpro::kOk;
}

void pfproCompleteTransaction(char* response) { std::free(response); }

int pfproDestroyContext(int context) {
    std::lock_guard g(lock);
    return contexts.erase(context) ? pfpro::kOk : pfpro::kBadContext;
}

void pfproCleanup() {
    std::lock_guard g(lock);
    if (initialised > 0 && --initialised == 0) {
        contexts.clear();
        curl_global_cleanup();
    }
}
}
