#include "payment_core/wininet_http_client.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "com/activation.h"
#include "payment_core/text_utils.h"
#include "payment_core/wininet_binding.h"
#include "win32/files.h"
#include "win32/kernel.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// The worker works on a copy of the request taken when the action starts and writes only
// here, so a worker that is abandoned can run on after its caller has gone without touching
// the component.
struct WinInetRequest {
    HWND window = nullptr;
    int action = 0;
    InlineString20 URLScheme;
    InlineString20 URLServer;
    int URLPort = 0;
    InlineString99 URLPath;
    InlineString20 User;
    InlineString20 Password;
    InlineString20 ProxyServer;
    int ProxyPort = 0;
    InlineString20 ProxyUser;
    InlineString20 ProxyPassword;
    InlineString20 UserAgent;
    InlineString20 HTTPVersion;
    InlineString20 Referer;
    InlineString20 Accept;
    InlineString20 From;
    InlineString20 IfModifiedSince;
    InlineString20 Pragma;
    InlineString99 ContentType;
    InlineString99 OtherHeaders;
    InlineString99 PostData;
    InlineString50 AttachedFile;
    InlineString50 LocalFile;
    int SSLSecurityFlags = 0;
    bool UseWinInetCookies = true;

    InlineString99 lastError;
    InlineString30 StatusLine;
    HANDLE localFileHandle = INVALID_HANDLE_VALUE;

    // Shared with the caller, which may close the handles to cut a request short.
    mutable std::mutex lock;
    HINTERNET internetHandle = nullptr;
    HINTERNET connectionHandle = nullptr;
    HINTERNET requestHandle = nullptr;
    bool stopped = false;
    bool abandoned = false;
    bool redirectRefused = false;  // by the caller's hook: the redirecting answer is the answer
};

// The values of one report; they live on the worker's stack while the caller handles them.
struct WinInetReport {
    WinInetRequest* request = nullptr;
    int number = 0;
    const char* text = "";
    const char* value = "";
    int bytesSoFar = 0;
    const char* bytes = nullptr;
    int length = 0;
};

namespace {

enum ReportKind : WPARAM {
    kReportConnected = 1,
    kReportDisconnected = 2,
    kReportEndTransfer = 3,
    kReportError = 4,
    kReportHeader = 5,
    kReportSslStatus = 6,
    kReportStartTransfer = 8,
    kReportTransfer = 9,
    kReportRedirect = 10,
};

constexpr DWORD kRequestFlags = 0x80400300;
constexpr DWORD kNoCookies = 0x80000;
constexpr DWORD kSecureFlags = 0x00C00000;
constexpr DWORD kAddOrReplace = 0xA0000000;
constexpr int kClientCertificateBit = 0x40000000;
constexpr int kUntrustedRootBit = 0x10;
// The hooks see the body in blocks of up to kReportBlock bytes; the worker reads and reports
// many at a time, since each report waits for the caller's thread.
constexpr int kReportBlock = 2000;
constexpr int kReadBlock = 262144;
constexpr DWORD kRawHeadersBuffer = 3999;
constexpr const char* kBusyText = "Busy performing current action.";

template <int N, int M>
int copyField(InlineString<N>& target, const InlineString<M>& source) {
    return target.assign(static_cast<std::size_t>(source.length()), source.data());
}

template <int N>
const char* orNull(const InlineString<N>& text) {
    return text.empty() ? nullptr : text.data();
}

// The component's SSLSecurityFlags in the library's terms: request flags at open time, the
// request's security-flags option afterwards.
DWORD mapSecurityFlags(int flags, bool openFlags) {
    DWORD mapped = 0;
    if (flags & 0x7) mapped |= 0x2000;
    if (flags & 0x10) mapped |= 0x100;
    if (flags & 0x20) mapped |= 0x200;
    if (flags & 0xB00) mapped |= 0x80;
    if (flags & 0xC400) mapped |= 0x100;
    if (flags & 0xF00) mapped |= 0x1000;
    if (static_cast<unsigned>(flags) & 0x80000000u) mapped |= 0x1000;
    if (openFlags && (flags & kClientCertificateBit)) mapped |= 0x2F;
    return mapped;
}

// A cookie line of the host's own means the library must not add its own cookies.
bool otherHeadersHoldCookie(const InlineString99& headers) {
    const char* d = headers.data();
    if (compareTextPrefixNoCase(d, "Cookie:", 7) == 0) return true;
    for (const char* p = findChar(d, '\n'); p; p = findChar(p + 1, '\n')) {
        if (compareTextPrefixNoCase(p + 1, "Cookie:", 7) == 0) return true;
    }
    return false;
}

void report(WinInetRequest& r, ReportKind kind, WinInetReport& values) {
    {
        std::lock_guard guard(r.lock);
        if (r.abandoned) return;
    }
    values.request = &r;
    SendMessageA(r.window, kWinInetMessage, kind, reinterpret_cast<LPARAM>(&values));
}

void reportCode(WinInetRequest& r, ReportKind kind, int number, const char* text = "") {
    WinInetReport values;
    values.number = number;
    values.text = text;
    report(r, kind, values);
}

// A handle made after the caller stopped the request is closed at once.
bool keepHandle(WinInetRequest& r, HINTERNET WinInetRequest::*slot, HINTERNET handle) {
    {
        std::lock_guard guard(r.lock);
        if (!r.stopped) {
            r.*slot = handle;
            return true;
        }
    }
    winInet().InternetCloseHandle(handle);
    SetLastError(12017);
    return false;
}

void closeHandles(WinInetRequest& r) {
    HINTERNET handles[3];
    {
        std::lock_guard guard(r.lock);
        handles[0] = r.requestHandle;
        handles[1] = r.connectionHandle;
        handles[2] = r.internetHandle;
        r.requestHandle = r.connectionHandle = r.internetHandle = nullptr;
    }
    for (HINTERNET h : handles) {
        if (h) winInet().InternetCloseHandle(h);
    }
}

// Closing the handles ends a call in flight on them, so the worker soon finishes.
void stopRequest(WinInetRequest& r, bool abandon) {
    {
        std::lock_guard guard(r.lock);
        r.stopped = true;
        if (abandon) r.abandoned = true;
    }
    closeHandles(r);
}

bool requestStopped(const WinInetRequest& r) {
    std::lock_guard guard(r.lock);
    return r.stopped;
}

void closeLocalFile(WinInetRequest& r) {
    if (r.localFileHandle != INVALID_HANDLE_VALUE) CloseHandle(r.localFileHandle);
    r.localFileHandle = INVALID_HANDLE_VALUE;
}

int platformFailure(WinInetRequest& r) {
    DWORD code = GetLastError();
    if (code == 0) code = 12004;
    char buffer[48];
    r.lastError.assignCString(winInetErrorText(code, buffer));
    return static_cast<int>(code);
}

int fail(WinInetRequest& r, int code, const char* text) {
    r.lastError.assignCString(text);
    return code;
}

// The latest answer's head as the library keeps it (its lines each ended by a NUL) in raw, and
// its length in size; a head beyond the usual buffer is read whole. kOk, kOutOfMemory, or -1
// with the library's error left for GetLastError.
int queryRawHead(HINTERNET request, InlineString99& raw, DWORD& size) {
    size = kRawHeadersBuffer;
    if (raw.assign(size, nullptr)) return kOutOfMemory;
    while (!winInet().HttpQueryInfoA(request, 21, raw.data(), &size, nullptr)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= static_cast<DWORD>(raw.length())) return -1;
        if (raw.assign(size, nullptr)) return kOutOfMemory;
    }
    return kOk;
}

// Every redirect the library follows passes the caller's hook first, which may refuse it. A
// refusal closes the request before anything goes to the new address, and the redirecting
// answer is the request's answer.
bool announceRedirect(WinInetRequest& r, const void* info, DWORD infoLength) {
    InlineString99 location;
    if (info && infoLength) {
        const auto* text = static_cast<const char*>(info);
        location.assign(strnlen(text, infoLength), text);
    }
    WinInetReport values;
    values.text = location.data();
    values.number = 1;
    report(r, kReportRedirect, values);
    if (values.number) return true;
    HINTERNET request;
    {
        std::lock_guard guard(r.lock);
        request = r.requestHandle;
    }
    InlineString99 head;
    DWORD size = 0;
    if (request && queryRawHead(request, head, size) == kOk)
        r.StatusLine.assign(strnlen(head.data(), static_cast<std::size_t>(head.length())), head.data());
    r.redirectRefused = true;
    stopRequest(r, false);
    return false;
}

void statusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
    if (!context) return;
    WinInetRequest& r = *reinterpret_cast<WinInetRequest*>(context);
    if (status == INTERNET_STATUS_REDIRECT && !announceRedirect(r, info, infoLength)) return;
    const char* text = winInetStatusText(status, info, infoLength);
    if (text) reportCode(r, kReportSslStatus, 0, text);
}

int addHeader(WinInetRequest& r, const char* name, const char* value) {
    if (!value || !*value) return kOk;
    InlineString99 line;
    int result = line.appendCString(name);
    if (!result) result = line.append(": ", 2);
    if (!result) result = line.appendCString(value);
    if (!result) result = line.append("\r\n", 2);
    if (result) return fail(r, result, kOutOfMemoryText);
    if (!winInet().HttpAddRequestHeadersA(r.requestHandle, line.data(), static_cast<DWORD>(line.length()), 0)) {
        return platformFailure(r);
    }
    return kOk;
}

int readAttachedFile(WinInetRequest& r, InlineString99& body) {
    HANDLE file = CreateFileA(r.AttachedFile.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(r, kHttpFileError, "Can't open attached file for reading.");
    const DWORD size = GetFileSize(file, nullptr);
    const int start = body.length();
    int result = body.assign(static_cast<std::size_t>(start) + size, nullptr);
    DWORD got = 0;
    if (!result && size > 0 && (!ReadFile(file, body.data() + start, size, &got, nullptr) || got != size)) {
        body.assign(static_cast<std::size_t>(start), nullptr);
        result = fail(r, kHttpFileError, "Can't read the whole attached file.");
    }
    CloseHandle(file);
    if (result == kOutOfMemory) fail(r, result, kOutOfMemoryText);
    return result;
}

void setProxyCredentials(WinInetRequest& r) {
    const WinInetFunctions& wi = winInet();
    const char* proxy = r.ProxyServer.data();
    if (proxy[0] == '*' && proxy[1]) {
        const char* second = findChar(proxy + 1, '*');
        const char* userEnd = second ? second : proxy + std::strlen(proxy);
        InlineString20 user;
        user.assign(static_cast<std::size_t>(userEnd - proxy - 1), proxy + 1);
        const char* password = second ? second + 1 : "";
        wi.InternetSetOptionA(r.requestHandle, 43, user.data(), static_cast<DWORD>(user.length()));
        wi.InternetSetOptionA(r.requestHandle, 44, const_cast<char*>(password),
                              static_cast<DWORD>(std::strlen(password)));
    }
    if (!r.ProxyUser.empty() || !r.ProxyPassword.empty()) {
        wi.InternetSetOptionA(r.requestHandle, 43, r.ProxyUser.data(), static_cast<DWORD>(r.ProxyUser.length()));
        wi.InternetSetOptionA(r.requestHandle, 44, r.ProxyPassword.data(),
                              static_cast<DWORD>(r.ProxyPassword.length()));
    }
}

void addSecurityFlags(WinInetRequest& r, DWORD added) {
    DWORD flags = 0;
    DWORD size = sizeof flags;
    winInet().InternetQueryOptionA(r.requestHandle, 31, &flags, &size);
    flags |= added;
    winInet().InternetSetOptionA(r.requestHandle, 31, &flags, sizeof flags);
}

void selectClientCertificate(WinInetRequest& r) {
    DWORD on = 1;
    winInet().InternetSetOptionA(r.requestHandle, 47, &on, sizeof on);
}

int sendRequest(WinInetRequest& r, InlineString99& body) {
    bool certificateRetried = false;
    bool authorityRetried = false;
    for (;;) {
        if (winInet().HttpSendRequestA(r.requestHandle, nullptr, 0, body.data(), static_cast<DWORD>(body.length()))) {
            return kOk;
        }
        const DWORD error = GetLastError();
        if (error == 12044 && (r.SSLSecurityFlags & kClientCertificateBit) && !certificateRetried) {
            certificateRetried = true;
            selectClientCertificate(r);
        } else if (error == 12045 && (r.SSLSecurityFlags & kUntrustedRootBit) && !authorityRetried) {
            authorityRetried = true;
            addSecurityFlags(r, 0x100);
        } else {
            return platformFailure(r);
        }
    }
}

int readHeaders(WinInetRequest& r) {
    InlineString99 raw;
    DWORD size = 0;
    const int queried = queryRawHead(r.requestHandle, raw, size);
    if (queried == kOutOfMemory) return fail(r, kOutOfMemory, kOutOfMemoryText);
    if (queried) return platformFailure(r);
    reportCode(r, kReportEndTransfer, 0);
    const char* p = raw.data();
    const char* end = p + (size < static_cast<DWORD>(raw.length()) ? size : raw.length());
    bool first = true;
    while (p < end && *p) {
        const std::size_t n = strnlen(p, static_cast<std::size_t>(end - p));
        if (first) {
            r.StatusLine.assign(n, p);
            first = false;
        } else {
            InlineString99 line;
            if (line.assign(n, p)) return fail(r, kOutOfMemory, kOutOfMemoryText);
            const char* value = splitHeaderLine(line);
            WinInetReport values;
            values.text = line.data();
            values.value = value ? value : "";
            report(r, kReportHeader, values);
        }
        p += n + 1;
    }
    return kOk;
}

int readBody(WinInetRequest& r) {
    reportCode(r, kReportStartTransfer, 1);
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBlock]);
    if (!buffer) return fail(r, kOutOfMemory, kOutOfMemoryText);
    char* const block = buffer.get();
    int total = 0;
    for (;;) {
        DWORD got = 0;
        if (!winInet().InternetReadFile(r.requestHandle, block, kReadBlock, &got)) return platformFailure(r);
        if (got == 0) break;
        if (!r.LocalFile.empty()) {
            if (r.localFileHandle == INVALID_HANDLE_VALUE) {
                r.localFileHandle = CreateFileA(r.LocalFile.data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
                if (r.localFileHandle == INVALID_HANDLE_VALUE) {
                    fail(r, kHttpFileError, "Can't open local file for writing.");
                    reportCode(r, kReportError, 0, r.lastError.data());
                    return kHttpFileError;
                }
            }
            DWORD written = 0;
            if (!WriteFile(r.localFileHandle, block, got, &written, nullptr) || written != got) {
                fail(r, kHttpLocalFileWrite, "Error writing to LocalFile");
                reportCode(r, kReportError, kHttpLocalFileWrite, r.lastError.data());
                return kHttpLocalFileWrite;
            }
        }
        WinInetReport values;
        values.number = 1;
        values.bytesSoFar = total;
        total += static_cast<int>(got);
        values.bytes = block;
        values.length = static_cast<int>(got);
        report(r, kReportTransfer, values);
    }
    closeLocalFile(r);
    reportCode(r, kReportEndTransfer, 1);
    reportCode(r, kReportDisconnected, 0, "OK");
    return kOk;
}

// The status line's code must be 2xx; otherwise the code and reason are the error.
int statusFailure(WinInetRequest& r) {
    const char* blank = findChar(r.StatusLine.data(), ' ');
    const char* code = blank ? blank + 1 : "";
    if (*code == '2') return kOk;
    return fail(r, kHttpStatusFailure, code);
}

int exchange(WinInetRequest& r) {
    const WinInetFunctions& wi = winInet();
    DWORD flags = kRequestFlags;
    if (!r.UseWinInetCookies || otherHeadersHoldCookie(r.OtherHeaders)) flags |= kNoCookies;
    const char* method;
    switch (r.action) {
    case kActionGet: method = "GET"; break;
    case kActionPost: method = "POST"; break;
    case kActionHead: method = "HEAD"; break;
    case kActionPut: method = "PUT"; break;
    default: return kOk;
    }
    const bool secure = equalsNoCase(r.URLScheme.data(), "https");
    if (!secure && !equalsNoCase(r.URLScheme.data(), "http")) {
        return fail(r, kHttpBadScheme, "Specified URLScheme is invalid.");
    }
    if (r.URLServer.empty()) return fail(r, kHttpNoServer, "No server specified in URL");

    DWORD access = 1;
    char proxy[64] = {};
    if (!r.ProxyServer.empty()) {
        if (r.ProxyServer.data()[0] == '*') {
            access = 0;
        } else {
            access = 3;
            std::snprintf(proxy, sizeof proxy, "%s:%d", r.ProxyServer.data(), r.ProxyPort);
        }
    }
    HINTERNET handle = wi.InternetOpenA(r.UserAgent.data(), access, access == 3 ? proxy : nullptr, nullptr, 0);
    if (!handle || !keepHandle(r, &WinInetRequest::internetHandle, handle)) return platformFailure(r);
    wi.InternetSetStatusCallback(r.internetHandle, statusCallback);
    const auto context = reinterpret_cast<DWORD_PTR>(&r);
    handle = wi.InternetConnectA(r.internetHandle, r.URLServer.data(), static_cast<INTERNET_PORT>(r.URLPort),
                                 orNull(r.User), orNull(r.Password), INTERNET_SERVICE_HTTP, 0, context);
    if (!handle || !keepHandle(r, &WinInetRequest::connectionHandle, handle)) return platformFailure(r);

    if (secure) flags |= mapSecurityFlags(r.SSLSecurityFlags, true) | kSecureFlags;
    InlineString20 version;
    if (!r.HTTPVersion.empty()) {
        version.assignCString("HTTP/");
        version.appendCString(r.HTTPVersion.data());
    }
    const char* accept[2] = {orNull(r.Accept), nullptr};
    handle = wi.HttpOpenRequestA(r.connectionHandle, method, r.URLPath.data(), orNull(version), orNull(r.Referer),
                                 accept, flags, context);
    if (!handle && GetLastError() == ERROR_INVALID_PARAMETER && flags) {
        handle = wi.HttpOpenRequestA(r.connectionHandle, method, r.URLPath.data(), orNull(version),
                                     orNull(r.Referer), accept, 0, context);
    }
    if (!handle || !keepHandle(r, &WinInetRequest::requestHandle, handle)) return platformFailure(r);
    if (secure) {
        addSecurityFlags(r, mapSecurityFlags(r.SSLSecurityFlags, false));
        if (r.SSLSecurityFlags & kClientCertificateBit) selectClientCertificate(r);
    }

    int result = addHeader(r, "Content-Type", r.ContentType.data());
    if (!result) result = addHeader(r, "From", r.From.data());
    if (!result) result = addHeader(r, "If-Modified-Since", r.IfModifiedSince.data());
    if (!result) result = addHeader(r, "Pragma", r.Pragma.data());
    if (result) return result;
    if (!r.OtherHeaders.empty() &&
        !wi.HttpAddRequestHeadersA(r.requestHandle, r.OtherHeaders.data(), static_cast<DWORD>(r.OtherHeaders.length()),
                                   kAddOrReplace)) {
        return platformFailure(r);
    }

    InlineString99 body;
    if (body.assign(static_cast<std::size_t>(r.PostData.length()), r.PostData.data())) {
        return fail(r, kOutOfMemory, kOutOfMemoryText);
    }
    if (!r.AttachedFile.empty()) {
        result = readAttachedFile(r, body);
        if (result) return result;
    }
    setProxyCredentials(r);
    result = sendRequest(r, body);
    if (result && r.redirectRefused) {
        // Without the redirecting answer's head, all that is known is that the request stopped.
        if (!r.StatusLine.empty()) return statusFailure(r);
        char buffer[48];
        return fail(r, 12017, winInetErrorText(12017, buffer));
    }
    if (result) return result;

    reportCode(r, kReportConnected, 0, "OK");
    reportCode(r, kReportStartTransfer, 0);
    result = readHeaders(r);
    if (!result) result = readBody(r);
    if (result) return result;

    return r.StatusLine.empty() ? kOk : statusFailure(r);
}

DWORD workerMain(LPVOID parameter) {
    auto* shared = static_cast<std::shared_ptr<WinInetRequest>*>(parameter);
    const std::shared_ptr<WinInetRequest> request = *shared;
    delete shared;
    CoInitialize(nullptr);
    WinInetRequest& r = *request;
    r.lastError.reset();
    r.StatusLine.reset();
    const int result = exchange(r);
    closeLocalFile(r);
    closeHandles(r);
    CoUninitialize();
    return static_cast<DWORD>(result);
}

// The request as it stands when the action starts.
int takeRequest(WinInetRequest& r, const WinInetHttpClient& c) {
    int result = copyField(r.URLScheme, c.URLScheme);
    if (!result) result = copyField(r.URLServer, c.URLServer);
    if (!result) result = copyField(r.URLPath, c.URLPath);
    if (!result) result = copyField(r.User, c.User);
    if (!result) result = copyField(r.Password, c.Password);
    if (!result) result = copyField(r.ProxyServer, c.ProxyServer);
    if (!result) result = copyField(r.ProxyUser, c.ProxyUser);
    if (!result) result = copyField(r.ProxyPassword, c.ProxyPassword);
    if (!result) result = copyField(r.UserAgent, c.UserAgent);
    if (!result) result = copyField(r.HTTPVersion, c.HTTPVersion);
    if (!result) result = copyField(r.Referer, c.Referer);
    if (!result) result = copyField(r.Accept, c.Accept);
    if (!result) result = copyField(r.From, c.From);
    if (!result) result = copyField(r.IfModifiedSince, c.IfModifiedSince);
    if (!result) result = copyField(r.Pragma, c.Pragma);
    if (!result) result = copyField(r.ContentType, c.ContentType);
    if (!result) result = copyField(r.OtherHeaders, c.OtherHeaders);
    if (!result) result = copyField(r.PostData, c.PostData);
    if (!result) result = copyField(r.AttachedFile, c.AttachedFile);
    if (!result) result = copyField(r.LocalFile, c.LocalFile);
    r.URLPort = c.URLPort;
    r.ProxyPort = c.ProxyPort;
    r.SSLSecurityFlags = c.SSLSecurityFlags;
    r.UseWinInetCookies = c.UseWinInetCookies;
    r.window = c.notifyWindow;
    return result;
}

}  // namespace

WinInetHttpClient::WinInetHttpClient() = default;

WinInetHttpClient::~WinInetHttpClient() {
    if (request_) stopRequest(*request_, true);
    if (workerThread) CloseHandle(workerThread);
}

void WinInetHttpClient::initHttpsDefaults() {
    HttpClient::initHttpsDefaults();
    UseWinInet = false;
    UseWinInetCookies = true;
}

int WinInetHttpClient::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("UseWinInet")) {
        if (request.isQuery) return answerBool(answer, UseWinInet);
        UseWinInet = parseBoolValue(request);
        return kOk;
    }
    if (request.nameIs("UseWinInetCookies")) {
        if (request.isQuery) return answerBool(answer, UseWinInetCookies);
        UseWinInetCookies = parseBoolValue(request);
        return kOk;
    }
    return HttpClient::config(request, answer);
}

// While a worker runs, the socket path's connection hooks have nothing to act on.
void WinInetHttpClient::onConnected(int code, const char* text) {
    if (!winInetAction) HttpClient::onConnected(code, text);
}

void WinInetHttpClient::onDisconnected(int code, const char* text) {
    if (!winInetAction) HttpClient::onDisconnected(code, text);
}

int WinInetHttpClient::performActionWinInet(int action) {
    if (!UseWinInet) return performAction(action);
    if (winInetAction) {
        // From a hook of the running action: cut the request short and end the wait.
        if (action == kActionReset && request_) {
            stopRequest(*request_, false);
            Interrupt();
            return kOk;
        }
        setLastError(kBusyText);
        return kHttpBusy;
    }
    lastError.reset();
    switch (action) {
    case kActionReset:
        if (request_) stopRequest(*request_, false);
        if (workerThread) WaitForSingleObject(workerThread, INFINITE);
        return kOk;
    case kActionClear:
        clearRequestState();
        return kOk;
    case kActionGet:
    case kActionPost:
    case kActionHead:
    case kActionPut:
        return runOnWorker(action);
    default:
        return kOk;
    }
}

int WinInetHttpClient::runOnWorker(int action) {
    int result = checkRequestFields(!ProxyServer.empty());
    if (result) return result;
    winInetAction = static_cast<unsigned char>(action);
    armDeadline();
    if (workerThread) CloseHandle(workerThread);
    workerThread = nullptr;
    TransferredData.reset();
    StatusLine.reset();
    auto request = std::make_shared<WinInetRequest>();
    request->action = action;
    result = takeRequest(*request, *this);
    if (result) {
        winInetAction = 0;
        setLastError(kOutOfMemoryText);
        return result;
    }
    request_ = request;
    auto* shared = new std::shared_ptr<WinInetRequest>(request);
    workerThread = CreateThread(nullptr, 0, workerMain, shared, 0, nullptr);
    if (!workerThread) {
        delete shared;
        winInetAction = 0;
        char buffer[48];
        const DWORD code = GetLastError();
        setLastError(winInetErrorText(code, buffer));
        return code ? static_cast<int>(code) : kOutOfMemory;
    }

    DWORD code = 0;
    bool stopped = false;
    bool abandoned = false;
    for (;;) {
        if (WaitForSingleObject(workerThread, 0) == WAIT_OBJECT_0) {
            GetExitCodeThread(workerThread, &code);
            break;
        }
        if (waitCycle(waitSlice)) continue;
        if (!stopped) {
            stopped = true;
            stopRequest(*request, false);
            continue;
        }
        stopRequest(*request, true);
        TerminateThread(workerThread, kWinInetStopped);
        abandoned = true;
        break;
    }
    takeInterrupted();
    if (abandoned || (stopped && code != 0)) {
        // The wait's own text ("Timeout.", "Interrupted.") stays the last error.
        result = kWinInetStopped;
    } else {
        result = static_cast<int>(code);
        copyField(lastError, request->lastError);
        copyField(StatusLine, request->StatusLine);
    }
    winInetAction = 0;
    return result;
}

LRESULT WinInetHttpClient::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kWinInetMessage) return HttpClient::onWindowMessage(message, wParam, lParam);
    auto* values = reinterpret_cast<WinInetReport*>(lParam);
    // A report of an abandoned worker may still be delivered; only the current one counts.
    if (!values || !request_ || values->request != request_.get() || !winInetAction) return 0;
    handleReport(wParam, *values);
    return 0;
}

// The record holds the bytes after bytesSoFar; a hook that stops the request stops the rest.
void WinInetHttpClient::reportBody(const WinInetReport& values) {
    const WinInetRequest& r = *request_;
    for (int offset = 0; offset < values.length && !requestStopped(r); offset += kReportBlock) {
        const char* bytes = values.bytes + offset;
        const int length = std::min(kReportBlock, values.length - offset);
        if (r.LocalFile.empty()) {
            int keep = length;
            if (MaxTransferredData > 0) {
                const int room = MaxTransferredData - TransferredData.length();
                keep = room <= 0 ? 0 : std::min(length, room);
            }
            const int result = TransferredData.append(bytes, static_cast<std::size_t>(keep));
            if (result) onError(result, "Error appending to TransferredData.");
        }
        onTransfer(values.number, values.bytesSoFar + offset + length, bytes, length);
    }
}

void WinInetHttpClient::handleReport(WPARAM kind, WinInetReport& values) {
    // The worker waits for this call to return, so its fields hold still meanwhile.
    copyField(StatusLine, request_->StatusLine);
    switch (kind) {
    case kReportConnected:
        onConnected(values.number, values.text);
        break;
    case kReportDisconnected:
        onDisconnected(values.number, values.text);
        break;
    case kReportEndTransfer:
        onEndTransfer(values.number);
        break;
    case kReportError:
        onError(values.number, values.text);
        break;
    case kReportHeader:
        onHeader(values.text, values.value);
        break;
    case kReportSslStatus:
        fireSSLStatus(values.text);
        break;
    case kReportRedirect: {
        bool accept = values.number != 0;
        onRedirect(values.text, accept);
        values.number = accept ? 1 : 0;
        break;
    }
    case kReportStartTransfer:
        onStartTransfer(values.number);
        break;
    case kReportTransfer:
        reportBody(values);
        break;
    default:
        break;
    }
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
