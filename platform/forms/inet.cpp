#include "win32/codepage.h"

#include "forms/inet.h"
#include "forms/internal.h"
#include "forms/winsock_control.h"

#include <curl/curl.h>

#include <map>

namespace forms {

namespace internal {

const char* controlErrorText(long number) {
    static const std::map<long, const char*> texts = {
        {icErrorMalformedUrl, "URL is malformed"},
        {icErrorConnect, "Unable to connect to remote host"},
        {icErrorHostNotFound, "Cannot resolve host name"},
        {icErrorHttpStatus, "The server returned an error status"},
        {icErrorTransfer, "The transfer failed"},
        {icErrorTimeout, "Request timed out"},
        {icErrorStillExecuting, "Still executing last request"},
        {sckAddressInUse, "Address in use"},
        {sckAddressNotAvailable, "Address not available from the local machine"},
        {sckConnectAborted, "Connection is aborted due to timeout or other failure"},
        {sckConnectionReset, "Connection is reset by remote side"},
        {sckTimedout, "Connection timed out"},
        {sckConnectionRefused, "Connection is forcefully rejected"},
        {sckHostNotFound, "Authoritative answer: Host not found"},
        {sckBadState, "Wrong protocol or connection state for the requested transaction or request"},
        {sckInvalidOp, "Invalid operation at current state"},
    };
    auto it = texts.find(number);
    return it == texts.end() ? nullptr : it->second;
}

}  // namespace internal

namespace {

size_t collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

long errorFor(CURLcode code) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return icErrorTimeout;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return icErrorMalformedUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return icErrorHostNotFound;
    case CURLE_COULDNT_CONNECT: return icErrorConnect;
    default: return icErrorTransfer;
    }
}

}  // namespace

Inet::Inet(Form& form, std::string name, int index) : Component(form, std::move(name), index) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

std::string Inet::OpenURL(const std::string& url, int dataType) {
    if (executing_) raise(icErrorStillExecuting);
    if (dataType != icString && dataType != icByteArray) raise(errInvalidProcedureCall);
    url_ = url;
    responseCode_ = 0;
    CURL* curl = curl_easy_init();
    if (!curl) raise(7);
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout_ > 0 ? connectTimeout_ : 15));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(requestTimeout_ > 0 ? requestTimeout_ : 60));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, App().Title.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    executing_ = true;
    CURLcode result = curl_easy_perform(curl);
    executing_ = false;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode_);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) raise(errorFor(result), {}, Name());
    if (responseCode_ >= 400)
        raise(icErrorHttpStatus, errorText(icErrorHttpStatus) + " (" + std::to_string(responseCode_) + ")", Name());
    return dataType == icString ? win32::ansiToUtf8(body, 1252) : body;
}

}  // namespace forms
