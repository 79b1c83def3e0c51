#include "internet_transfer.h"

#include <algorithm>

#include "program_env.h"
#include "run_error.h"
#include "wininet/wininet.h"

namespace {
TransferTimeouts& timeouts() {
    static TransferTimeouts value;
    return value;
}

constexpr DWORD kPageFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;

// The session bounds connecting and waiting for data; the total bound is kept by the reader.
HINTERNET openSession(const std::string& agent) {
    HINTERNET session = InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session) return nullptr;
    DWORD connect = timeouts().connectMs;
    DWORD receive = timeouts().totalMs;
    InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    InternetSetOptionA(session, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    return session;
}

RunError errorFor(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT: return {transfer_errors::kTimedOut, "Request timed out"};
        case ERROR_INTERNET_INVALID_URL:
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return {transfer_errors::kInvalidUrl, "URL is malformed"};
        case ERROR_INTERNET_NAME_NOT_RESOLVED: return {transfer_errors::kHostNotFound, "Unable to resolve host"};
        case ERROR_INTERNET_CANNOT_CONNECT: return {transfer_errors::kCannotConnect, "Unable to connect to remote host"};
        default: return {transfer_errors::kRequestFailed, "Request failed"};
    }
}

struct ExecutingMark {
    explicit ExecutingMark(bool& flag) : flag(flag) { flag = true; }
    ~ExecutingMark() { flag = false; }
    bool& flag;
};
}  // namespace

void InternetTransfer::SetTimeouts(TransferTimeouts value) { timeouts() = value; }
TransferTimeouts InternetTransfer::Timeouts() { return timeouts(); }

TransferAnswer InternetTransfer::OpenURL(const std::string& url, int) {
    ExecutingMark mark(executing_);
    HINTERNET session = openSession(kApplicationTitle);
    if (!session) throw errorFor(GetLastError());
    HINTERNET page = InternetOpenUrlA(session, url.c_str(), nullptr, 0, kPageFlags, 0);
    if (!page) {
        DWORD error = GetLastError();
        InternetCloseHandle(session);
        throw errorFor(error);
    }
    TransferAnswer answer;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoA(page, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        answer.status = static_cast<long>(status);
    char buffer[8192];
    DWORD read = 0;
    for (;;) {
        if (!InternetReadFile(page, buffer, sizeof buffer, &read)) {
            DWORD error = GetLastError();
            InternetCloseHandle(session);
            throw errorFor(error);
        }
        if (read == 0) break;
        answer.bytes.append(buffer, read);
    }
    InternetCloseHandle(session);
    return answer;
}

bool OpenPage(const std::string& agent, const std::string& url) {
    HINTERNET session = openSession(agent);
    if (!session) return false;
    HINTERNET page = InternetOpenUrlA(session, url.c_str(), nullptr, 0, kPageFlags, 0);
    InternetCloseHandle(session);
    return page != nullptr;
}
