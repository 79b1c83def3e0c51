#include "payment_core/http_client.h"

#include <climits>
#include <cstring>

#include "payment_core/http_url.h"
#include "payment_core/text_utils.h"
#include "win32/files.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

constexpr const char* kBusyText = "Busy performing current action.";
constexpr int kAttachedBlock = 16384;

#if PAYMENT_CORE_CHECKOUT
constexpr const char* kDefaultUserAgent = "Tressikor Netrivo HTTP/S Component - netrivo.example";
constexpr int kDefaultMaxTransferredData = 32768;
#else
constexpr const char* kDefaultUserAgent = "Netrivo! HTTP/S Control";
constexpr int kDefaultMaxTransferredData = 4096;
#endif

template <int N>
int appendString(InlineString99& out, const InlineString<N>& text) {
    return out.append(text.data(), static_cast<std::size_t>(text.length()));
}

template <int N>
int appendHeader(InlineString99& out, const char* name, const InlineString<N>& value) {
    if (value.empty()) return kOk;
    int result = out.appendCString(name);
    if (!result) result = appendString(out, value);
    return result;
}

template <int N>
bool hasLineBreak(const InlineString<N>& text) {
    return text.indexOf('\r') >= 0 || text.indexOf('\n') >= 0;
}

template <int N>
int assignValue(InlineString<N>& target, const ConfigRequest& request) {
    return target.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
}

// A Host line of the host's own headers replaces the generated one; a mention elsewhere does not.
bool otherHeadersHoldHost(const InlineString99& headers) {
    const char* p = headers.data();
    const char* end = p + headers.length();
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!lineEnd) lineEnd = end;
        const char* colon = static_cast<const char*>(std::memchr(p, ':', static_cast<std::size_t>(lineEnd - p)));
        if (colon && colon - p == 4 && compareTextPrefixNoCase(p, "Host", 4) == 0) return true;
        p = lineEnd + 1;
    }
    return false;
}

// The length without the trailing CRLFs and lone LFs.
int withoutTrailingLineEnds(const char* d, int n) {
    for (;;) {
        if (n >= 2 && d[n - 2] == '\r' && d[n - 1] == '\n') {
            n -= 2;
        } else if (n >= 1 && d[n - 1] == '\n') {
            n -= 1;
        } else {
            return n;
        }
    }
}

// Header lines joined by CRLF. An empty line would end the head early and let the rest pass
// for a request of its own; a bare CR or LF, or a line that is no header, is read one way by
// one peer and another way by the next.
bool otherHeadersWellFormed(const InlineString99& headers) {
    if (headers.empty()) return true;
    const char* d = headers.data();
    const int n = withoutTrailingLineEnds(d, headers.length());
    if (n == 0) return false;
    int start = 0;
    for (;;) {
        const char* crlf = nullptr;
        for (int i = start; i + 1 < n; ++i) {
            if (d[i] == '\r' && d[i + 1] == '\n') {
                crlf = d + i;
                break;
            }
        }
        const int end = crlf ? static_cast<int>(crlf - d) : n;
        if (end == start || d[start] == ' ' || d[start] == '\t' || d[start] == ':') return false;
        bool colon = false;
        for (int i = start; i < end; ++i) {
            if (d[i] == '\r' || d[i] == '\n') return false;
            if (d[i] == ':') colon = true;
        }
        if (!colon) return false;
        if (!crlf) return true;
        start = end + 2;
    }
}

int normaliseOtherHeaders(InlineString99& headers) {
    const int n = withoutTrailingLineEnds(headers.data(), headers.length());
    int result = headers.assign(static_cast<std::size_t>(n), nullptr);
    if (!result) result = headers.append("\r\n", 2);
    return result;
}

// Hexadecimal of either case after an optional "-", up to the first other byte; false without
// a digit or on overflow.
bool parseChunkSize(const char* text, int& size) {
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    }
    long long value = 0;
    const char* digits = text;
    for (; *text; ++text) {
        const char c = *text;
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            break;
        }
        value = value * 16 + digit;
        if (value > INT_MAX) return false;
    }
    if (text == digits) return false;
    size = negative ? -static_cast<int>(value) : static_cast<int>(value);
    return true;
}

// Decimal after an optional "-" and blanks; false when the value does not fit the body counter.
bool parseContentLength(const char* text, int& length) {
    while (*text == ' ' || *text == '\t') ++text;
    const bool negative = *text == '-';
    if (negative) ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) return false;
    }
    length = negative ? -1 : static_cast<int>(value);
    return true;
}

// How much of PostData joins the head's write: all of a small body, else what fills one block.
int inlinePostData(int headLength, int postLength) {
    if (postLength <= kAttachedBlock) return postLength;
    return headLength < kAttachedBlock ? kAttachedBlock - headLength : 0;
}

// Whether a comma-separated header value lists the token, compared without case.
bool listsToken(const char* value, const char* token) {
    const std::size_t n = std::strlen(token);
    for (const char* p = value; *p;) {
        while (*p == ' ' || *p == '\t' || *p == ',') ++p;
        const char* end = p;
        while (*end && *end != ',') ++end;
        const char* last = end;
        while (last > p && (last[-1] == ' ' || last[-1] == '\t')) --last;
        if (static_cast<std::size_t>(last - p) == n && compareTextPrefixNoCase(p, token, n) == 0) return true;
        p = end;
    }
    return false;
}

bool startsLikeStatusLine(const char* bytes, int length) {
    const int n = length < 5 ? length : 5;
    return std::memcmp(bytes, "HTTP/", static_cast<std::size_t>(n)) == 0;
}

}  // namespace

HttpClient::HttpClient() { initHttpDefaults(); }

HttpClient::~HttpClient() {
    closeLocalFile();
    Cookies.reset();
}

void HttpClient::initHttpDefaults() {
    UserAgent.assignCString(kDefaultUserAgent);
    DefaultPort = URLPort = ProxyPort = 80;
    DefaultScheme.assignCString("http");
    URLScheme.assignCString("http");
    HTTPVersion.assignCString("1.1");
    currentAction = 0;
    AuthScheme = kAuthBasic;
    responseState = 0;
    bytesReceived = 0;
    MaxTransferredData = kDefaultMaxTransferredData;
    FollowRedirects = 0;
    resetDigestState(digest);
}

void HttpClient::initHttpsDefaults() {
    initHttpDefaults();
    DefaultPort = URLPort = ProxyPort = 443;
    DefaultScheme.assignCString("https");
    URLScheme.assignCString("https");
}

void HttpClient::resetToHttps() {
    initHttpsDefaults();
    clearRequestState();
}

int HttpClient::config(ConfigRequest& request, const char** answer) {
    const bool query = request.isQuery;
    if (request.nameIs("HTTPVersion")) {
        return query ? answerText(answer, HTTPVersion.data()) : setHTTPVersion(request.value.data());
    }
    if (request.nameIs("UserAgent")) return query ? answerText(answer, UserAgent.data()) : assignValue(UserAgent, request);
    if (request.nameIs("MaxTransferredData")) {
        if (query) return answerInt(answer, MaxTransferredData);
        MaxTransferredData = request.intValue();
        return kOk;
    }
    if (request.nameIs("KeepAlive")) {
        if (query) return answerBool(answer, KeepAlive);
        KeepAlive = parseBoolValue(request);
        return kOk;
    }
    if (request.nameIs("ProxyServer")) {
        return query ? answerText(answer, ProxyServer.data()) : assignValue(ProxyServer, request);
    }
    if (request.nameIs("ProxyPort")) {
        if (query) return answerInt(answer, ProxyPort);
        ProxyPort = request.intValue();
        return kOk;
    }
    if (request.nameIs("ProxyUser")) return query ? answerText(answer, ProxyUser.data()) : setProxyUser(request.value.data());
    if (request.nameIs("ProxyPassword")) {
        return query ? answerText(answer, ProxyPassword.data()) : setProxyPassword(request.value.data());
    }
    if (request.nameIs("ProxyAuthorization")) {
        return query ? answerText(answer, ProxyAuthorization.data()) : assignValue(ProxyAuthorization, request);
    }
    if (request.nameIs("IfModifiedSince")) {
        return query ? answerText(answer, IfModifiedSince.data()) : assignValue(IfModifiedSince, request);
    }
#if PAYMENT_CORE_CHECKOUT
    if (request.nameIs("LocalFile")) return query ? answerText(answer, LocalFile.data()) : assignValue(LocalFile, request);
#endif
    return HttpTransport::config(request, answer);
}

int HttpClient::setHTTPVersion(const char* text) { return HTTPVersion.assignCString(text); }

// The tunnel's CONNECT carries the same credentials as the requests through a plain proxy.
int HttpClient::setProxyUser(const char* text) {
    int result = ProxyUser.assignCString(text);
    if (!result) result = firewall.setFirewallUser(text);
    return result ? result : buildProxyAuthorization();
}

int HttpClient::setProxyPassword(const char* text) {
    int result = ProxyPassword.assignCString(text);
    if (!result) result = firewall.setFirewallPassword(text);
    return result ? result : buildProxyAuthorization();
}

int HttpClient::buildProxyAuthorization() { return buildBasicAuthorization(ProxyUser, ProxyPassword, ProxyAuthorization); }

int HttpClient::buildAuthorization() {
    if (AuthScheme != kAuthDigest) return buildBasicAuthorization(User, Password, Authorization);
    const DigestRequest request{User, Password, requestMethod, URLPath, PostData};
    return buildDigestAuthorization(digest, request, Authorization, lastError);
}

void HttpClient::resetRequest() {
    URL.reset();
    URLServer.reset();
    URLPath.reset();
    Accept.reset();
    From.reset();
    IfModifiedSince.reset();
    Referer.reset();
    Pragma.reset();
    Range.reset();
    OtherHeaders.reset();
    PostData.reset();
    AttachedFile.reset();
    LocalFile.reset();
    Cookies.reset();
    HTTPMethod.reset();
    resetDigestState(digest);
    URLScheme.assign(static_cast<std::size_t>(DefaultScheme.length()), DefaultScheme.data());
    URLPort = DefaultPort;
}

void HttpClient::clearRequestState() {
    TransferredData.reset();
    resetRequest();
}

int HttpClient::setUrl(const char* url, bool isRedirect) {
    if (!url || !*url) {
        URL.reset();
        URLServer.reset();
        URLPath.reset();
        User.reset();
        Password.reset();
        URLScheme.assign(static_cast<std::size_t>(DefaultScheme.length()), DefaultScheme.data());
        URLPort = DefaultPort;
        return kOk;
    }
    if (isRedirect && URL.equals(url, static_cast<int>(std::strlen(url)))) {
        closeConnection();
        setLastError("Attempting to redirect to identical URL.  Aborting connection.");
        return kHttpStatusFailure;
    }
#if PAYMENT_CORE_CHECKOUT
    if (!isRedirect && compareTextPrefixNoCase(url, "http:", 5) == 0) DefaultPort = 80;
    if (!isRedirect && compareTextPrefixNoCase(url, "https:", 6) == 0) DefaultPort = 443;
#endif
    InlineString20 scheme;
    InlineString20 host;
    InlineString99 path;
    InlineString20 user;
    InlineString20 password;
    int port;
    if (isRedirect) {
        scheme.assign(static_cast<std::size_t>(URLScheme.length()), URLScheme.data());
        host.assign(static_cast<std::size_t>(URLServer.length()), URLServer.data());
        path.assign(static_cast<std::size_t>(URLPath.length()), URLPath.data());
        port = URLPort;
    } else {
        scheme.assign(static_cast<std::size_t>(DefaultScheme.length()), DefaultScheme.data());
        port = DefaultPort;
    }
    int result = URL.assignCString(url);
    if (!result) result = splitUrl(url, scheme, host, path, port, user, password);
    if (result == kHttpBadUrl) setLastError(kHttpBadUrlText);
    if (!result) result = URLPath.assign(static_cast<std::size_t>(path.length()), path.data());
    if (result) {
        closeConnection();
        return result;
    }
    if (scheme.empty()) scheme.assign(static_cast<std::size_t>(URLScheme.length()), URLScheme.data());
    if (host.empty()) host.assign(static_cast<std::size_t>(URLServer.length()), URLServer.data());
    if (port == 0) port = URLPort;
    const bool otherHost = !equalsNoCase(host.data(), URLServer.data());
    const bool toPlain = equalsNoCase(URLScheme.data(), "https") && !equalsNoCase(scheme.data(), "https");
    if (!equalsNoCase(scheme.data(), URLScheme.data()) || otherHost || port != URLPort) closeConnection();
    resetDigestState(digest);
    result = URLScheme.assign(static_cast<std::size_t>(scheme.length()), scheme.data());
    if (!result) result = URLServer.assign(static_cast<std::size_t>(host.length()), host.data());
    URLPort = port;
    // Credentials given for one host never follow a redirect to another, nor from https to http.
    const bool dropCredentials = isRedirect && (otherHost || toPlain);
    if (!result && (!user.empty() || !password.empty() || (isRedirect && FollowRedirects != 1) || dropCredentials)) {
        result = User.assign(static_cast<std::size_t>(user.length()), user.data());
        if (!result) result = Password.assign(static_cast<std::size_t>(password.length()), password.data());
    }
    if (!result) result = buildAuthorization();
    if (!result) digest.digestRetries = 0;
    if (result) closeConnection();
    return result;
}

int HttpClient::performAction(int action) {
    if (currentAction && action) {
        setLastError(kBusyText);
        return kHttpBusy;
    }
    if (!rerun_) {
        redirects_ = 0;
        digest.digestRetries = 0;
    }
    rerun_ = false;
    armDeadline();
    lastError.reset();
    StatusLine.reset();
    StatusCode = 0;
    StatusText.reset();
    StatusProtocol.reset();
    Location.reset();
    chunked = false;
    chunkRemaining = 0;
    const bool wasRunning = currentAction != 0;
    if (action) currentAction = static_cast<unsigned char>(action);
    int result = kOk;
    switch (action) {
    case kActionReset:
        if (wasRunning) Interrupt();
        currentAction = 0;
        closeConnection();
        return kOk;
    case kActionGet:
        result = runRequest("GET", false);
        break;
    case kActionHead:
        result = runRequest("HEAD", false);
        break;
    case kActionPost:
        result = runRequest("POST", true);
        break;
    case kActionPut:
        result = runRequest("PUT", true);
        break;
    case kActionClear:
        clearRequestState();
        break;
    default:
        break;
    }
    if (timeoutMs() >= 0) {
        // A reset that ends the connection after a clean answer is reported here; the answer stands.
        const bool clean = result == kOk && lastError.empty();
        drainNotifications(100);
        if (clean) lastError.reset();
    }
    if (takeInterrupted()) result = kInterrupted;
    currentAction = 0;
    return result;
}

int HttpClient::runRequest(const char* method, bool withBody) {
    pendingBody_ = withBody;
    int result = beginRequest(method);
    if (result || !isReady()) return result;
    result = sendRequest(withBody);
    // A send cut short by the connection (a socket code): the connection's own failure, or a final
    // answer that came while the request was going out (the server's verdict on what it saw), is
    // the result.
    const bool connectionGone = result >= 10000;
    if (connectionGone && transferError_) return takeTransferError();
    if (result && !(connectionGone && finalAnswerStarted())) return result;
    // The cut send's socket text is not the answer's.
    if (result) lastError.reset();
    result = waitForReply();
    // A response that went wrong leaves the connection in an unknown place in the stream.
    if (result && isReady()) {
        transferEnded_ = true;
        closeConnection();
    }
    return completeRequest(currentAction, result);
}

int HttpClient::checkRequestFields(bool viaProxy) {
    bool broken = hasLineBreak(URLServer) || hasLineBreak(URLPath) || hasLineBreak(HTTPMethod) ||
                  hasLineBreak(HTTPVersion) || hasLineBreak(Authorization) ||
                  (viaProxy && hasLineBreak(ProxyAuthorization)) ||
                  hasLineBreak(Accept) || hasLineBreak(From) || hasLineBreak(UserAgent) ||
                  hasLineBreak(IfModifiedSince) || hasLineBreak(Referer) || hasLineBreak(Pragma) ||
                  hasLineBreak(Range) || hasLineBreak(ContentType) || !otherHeadersWellFormed(OtherHeaders);
    for (int i = 0; !broken && i < Cookies.count(); ++i) {
        broken = std::memchr(Cookies.get(i), '\r', static_cast<std::size_t>(Cookies.itemLength(i))) ||
                 std::memchr(Cookies.get(i), '\n', static_cast<std::size_t>(Cookies.itemLength(i)));
    }
    if (!broken) return kOk;
    setLastError("Line break in a request field.");
    return kHttpLineBreakInField;
}

int HttpClient::beginRequest(const char* method) {
    // A kept connection that the server has closed meanwhile is not reused: its close is queued.
    // It is taken while the last transfer still counts as ended.
    if (KeepAlive && isReady()) drainNotifications(10);
    if (HTTPMethod.empty()) {
        requestMethod.assignCString(method);
    } else {
        requestMethod.assign(static_cast<std::size_t>(HTTPMethod.length()), HTTPMethod.data());
    }
    responseState = 0;
    ResponseHeaders.reset();
    TransferredData.reset();
    bytesReceived = 0;
    ContentLength = -1;
    transferEnded_ = false;
    transferError_ = 0;
    answerCloses_ = false;
    answerKeepsAlive_ = false;
    headLine_.reset();
    headBytes_ = 0;
    localFileFailed_ = false;
    int result = lineMode() ? setLineMode(false) : kOk;
    if (result) return result;
    if (URLServer.empty()) {
        setLastError("No server specified in URL");
        return kHttpNoServer;
    }
    const bool viaProxy = !ProxyServer.empty() && ProxySSL != psTunnel;
    if (!viaProxy && !equalsNoCase(URLScheme.data(), DefaultScheme.data()) && !equalsNoCase(URLScheme.data(), "http")) {
        setLastError("Specified URLScheme is invalid.");
        return kHttpBadScheme;
    }
    result = checkRequestFields(viaProxy);
    if (result) return result;
    // Without KeepAlive no connection outlives its transfer, also one whose close was deferred.
    if (!KeepAlive) closeConnection();
    if (isReady()) return kOk;
    // Late notifications of a socket closed just now must not reach the next one.
    drainNotifications(10);
    // A failed answer held the data back on the connection it closed.
    setAcceptData(true);
    bool tls = equalsNoCase(URLScheme.data(), "https");
    if (!ProxyServer.empty() && ProxySSL == psAlways) tls = true;
    if (!ProxyServer.empty() && ProxySSL == psNever) tls = false;
    const bool tunnelled = !ProxyServer.empty() && ProxySSL == psTunnel;
    result = tunnelled ? setTunnel(ProxyServer.data(), ProxyPort) : setTunnel(nullptr, 0);
    if (!result) result = viaProxy ? setRemote(ProxyServer.data(), ProxyPort) : setRemote(URLServer.data(), URLPort);
    if (result) return result;
    setSslMode(tls);
    return timeoutMs() < 0 ? startConnect() : connectAndWait();
}

int HttpClient::buildRequestHead(InlineString99& head, bool withBody, int contentLength) {
    const bool absoluteForm = !ProxyServer.empty() && ProxySSL != psTunnel;
    int result = appendString(head, requestMethod);
    if (!result) result = head.appendChar(' ');
    if (!result && absoluteForm) {
        result = appendString(head, URLScheme);
        if (!result) result = head.appendCString("://");
        if (!result) result = appendString(head, URLServer);
        if (!result && URLPort != DefaultPort) result = head.appendChar(':');
        if (!result && URLPort != DefaultPort) result = head.appendInt(URLPort);
    }
    if (!result) result = appendString(head, URLPath);
    if (!result) result = head.appendCString(" HTTP/");
    if (!result) result = appendString(head, HTTPVersion);
    if (!result && !otherHeadersHoldHost(OtherHeaders)) {
        result = head.appendCString("\r\nHost: ");
        if (!result) result = appendString(head, URLServer);
        if (!result && URLPort != DefaultPort) result = head.appendChar(':');
        if (!result && URLPort != DefaultPort) result = head.appendInt(URLPort);
    }
    if (!result) result = appendHeader(head, "\r\nAuthorization: ", Authorization);
    // Proxy credentials are for the proxy: a tunnel's CONNECT carries them, the origin never.
    if (!result && absoluteForm) result = appendHeader(head, "\r\nProxy-Authorization: ", ProxyAuthorization);
    if (!result) result = appendHeader(head, "\r\nAccept: ", Accept);
    if (!result) result = appendHeader(head, "\r\nFrom: ", From);
    if (!result) result = appendHeader(head, "\r\nUser-Agent: ", UserAgent);
    if (!result) result = appendHeader(head, "\r\nIf-Modified-Since: ", IfModifiedSince);
    if (!result) result = appendHeader(head, "\r\nReferer: ", Referer);
    if (!result) result = appendHeader(head, "\r\nPragma: ", Pragma);
    if (!result) result = appendHeader(head, "\r\nRange: bytes=", Range);
    if (!result && Cookies.count() > 0) {
        result = head.appendCString("\r\nCookie: ");
        for (int i = 0; !result && i < Cookies.count(); i += 2) {
            if (i > 0) result = head.appendCString("; ");
            if (!result) result = head.append(Cookies.get(i), static_cast<std::size_t>(Cookies.itemLength(i)));
            if (!result) result = head.appendChar('=');
            if (!result) result = head.append(Cookies.get(i + 1), static_cast<std::size_t>(Cookies.itemLength(i + 1)));
        }
    }
    if (!result && !KeepAlive) result = head.appendCString("\r\nConnection: close");
    if (!result) result = head.appendCString("\r\n");
    if (!result && !OtherHeaders.empty()) {
        result = normaliseOtherHeaders(OtherHeaders);
        if (!result) result = appendString(head, OtherHeaders);
    }
    if (!result && !withBody) result = head.appendCString("\r\n");
    if (!result && withBody) {
        if (!ContentType.empty()) {
            result = head.appendCString("Content-Type: ");
            if (!result) result = appendString(head, ContentType);
            if (!result) result = head.appendCString("\r\n");
        }
        char line[48];
        const int n = std::snprintf(line, sizeof line, "Content-Length: %lu\r\n\r\n",
                                    static_cast<unsigned long>(static_cast<unsigned>(contentLength)));
        if (!result) result = head.append(line, static_cast<std::size_t>(n));
    }
    return result;
}

int HttpClient::sendRequest(bool withBody) {
    HANDLE file = INVALID_HANDLE_VALUE;
    unsigned fileSize = 0;
    if (withBody && !AttachedFile.empty()) {
        file = CreateFileA(AttachedFile.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            setLastError("Can't open attached file for reading.");
            return kHttpFileError;
        }
        fileSize = GetFileSize(file, nullptr);
    }
    const unsigned contentLength = static_cast<unsigned>(PostData.length()) + fileSize;
    const bool body = withBody && contentLength > 0;
    InlineString99 head;
    int result = buildRequestHead(head, withBody, static_cast<int>(contentLength));
    // The head goes out in one write with the start of the data (a second small write would wait
    // for the peer's ACK); a large PostData is sent from where it is rather than copied behind it.
    const int together = withBody ? inlinePostData(head.length(), PostData.length()) : 0;
    if (!result && together > 0) result = head.append(PostData.data(), static_cast<std::size_t>(together));
    if (!result && body) onStartTransfer(0);
    if (!result) result = sendAll(head.data(), head.length(), body);
    if (!result && withBody && together < PostData.length())
        result = sendAll(PostData.data() + together, PostData.length() - together, true);
    if (!result && body) {
        unsigned sent = static_cast<unsigned>(PostData.length());
        if (!result && file != INVALID_HANDLE_VALUE) result = sendAttachedFile(file, fileSize, sent);
        if (!result) onEndTransfer(0);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return result;
}

int HttpClient::sendAttachedFile(HANDLE file, unsigned expected, unsigned& sent) {
    InlineString99 buffer;
    if (buffer.assign(kAttachedBlock, nullptr)) return kOutOfMemory;
    char* block = buffer.data();
    unsigned total = 0;
    while (total < expected) {
        const unsigned want = expected - total < kAttachedBlock ? expected - total : kAttachedBlock;
        DWORD got = 0;
        if (!ReadFile(file, block, want, &got, nullptr) || got == 0) {
            // The announced length can no longer be met, so the request on the wire is void.
            closeConnection();
            setLastError("Can't read the whole attached file.");
            return kHttpFileError;
        }
        const int result = sendAll(block, static_cast<int>(got), true);
        if (result) return result;
        total += got;
        sent += got;
        onRequestSent(static_cast<int>(sent));
    }
    return kOk;
}

int HttpClient::waitForReply() {
    if (transferError_) return takeTransferError();
    if (!isReady() || timeoutMs() < 0) return kOk;
    for (;;) {
        if (transferError_) return takeTransferError();
        if (transferEnded_) return kOk;
        if (!isReady()) return transferError_ ? takeTransferError() : kOk;
        if (!waitCycle(20)) return kInterrupted;
    }
}

int HttpClient::completeRequest(int action, int result) {
    if (result == kInterrupted) return result;
    if (StatusLine.empty() || result) return result;
    if (StatusCode >= 200 && StatusCode <= 299) return result;
    setLastError(StatusText.data());
    if (StatusCode == 401 && AuthScheme == kAuthDigest) {
        if (digest.digestRetries == 0) {
            digest.digestRetries = 1;
            currentAction = 0;
            result = buildAuthorization();
            if (result) return result;
            rerun_ = true;
            return performAction(action);
        }
        digest.digestRetries = 0;
        return kHttpStatusFailure;
    }
    if (FollowRedirects == 0) return kHttpStatusFailure;
    if (action != kActionGet && action != kActionHead && FollowRedirects != 1) return kHttpStatusFailure;
    const bool redirect = StatusCode >= 300 && StatusCode <= 399 && StatusCode != 304 && StatusCode != 305;
    if (!redirect || Location.empty() || redirects_ >= kHttpMaxRedirects) return kHttpStatusFailure;
    bool follow = FollowRedirects == 1;
    if (FollowRedirects == 2) {
        InlineString20 scheme;
        InlineString20 host;
        InlineString99 path;
        InlineString20 user;
        InlineString20 password;
        int port = URLPort;
        scheme.assign(static_cast<std::size_t>(URLScheme.length()), URLScheme.data());
        path.assign(static_cast<std::size_t>(URLPath.length()), URLPath.data());
        result = splitUrl(Location.data(), scheme, host, path, port, user, password);
        if (result == kHttpBadUrl) setLastError(kHttpBadUrlText);
        if (result) return result;
        follow = equalsNoCase(scheme.data(), URLScheme.data());
    }
    InlineString50 location;
    location.assign(static_cast<std::size_t>(Location.length()), Location.data());
    result = setUrl(location.data(), true);
    if (result) return result;
    onRedirect(location.data(), follow);
    if (!follow) {
        setLastError(StatusText.data());
        return kHttpStatusFailure;
    }
    drainNotifications(10);
    currentAction = 0;
    ++redirects_;
    rerun_ = true;
    return performAction(action);
}

void HttpClient::closeLocalFile() {
    if (localFileHandle != INVALID_HANDLE_VALUE) CloseHandle(localFileHandle);
    localFileHandle = INVALID_HANDLE_VALUE;
}

void HttpClient::finishTransfer() {
    closeLocalFile();
    // Marked first: closing reports the disconnect, which must see this transfer as complete.
    const bool first = !transferEnded_;
    transferEnded_ = true;
    // A server that ends the connection after this answer would drop a request sent on it before
    // its close arrives. HTTP/1.0 keeps a connection only when the answer says so.
    const bool http10 = StatusLine.empty() || equalsNoCase(StatusProtocol.data(), "HTTP/1.0");
    if (!KeepAlive || answerCloses_ || (http10 && !answerKeepsAlive_)) closeConnection();
    if (first) onEndTransfer(1);
    if (timeoutMs() < 0) closeConnection();
}

// The rest of the stream is not read: what follows a fault cannot be trusted, and a peer that
// keeps sending must not make the client keep reading.
void HttpClient::failTransfer(int code, const char* text) {
    if (!transferError_) {
        transferError_ = code;
        setLastError(text, code);
        transferErrorText_.assign(static_cast<std::size_t>(lastError.length()), lastError.data());
    }
    setAcceptData(false);
}

int HttpClient::takeTransferError() {
    lastError.assign(static_cast<std::size_t>(transferErrorText_.length()), transferErrorText_.data());
    return transferError_;
}

bool HttpClient::finalAnswerStarted() const { return responseState >= 2 && !StatusLine.empty(); }

void HttpClient::onConnected(int code, const char* text) {
    (void)text;
    if (code || timeoutMs() >= 0) return;
    const int saved = timeoutMs();
    setTimeoutMs(10000);
    const int result = sendRequest(pendingBody_);
    if (result) onError(result, lastError.data());
    setTimeoutMs(saved);
}

void HttpClient::onDisconnected(int code, const char* text) {
    // A connection that the TLS level ended for a cause of its own (an alert, a broken record)
    // fails the exchange with that cause and its text.
    if (!transferEnded_ && currentAction && code > 0 && code < 10000) failTransfer(code, text);
    if (!transferEnded_ && currentAction) {
        const bool bodyShort = responseState == 3 && ContentLength >= 0 && bytesReceived < ContentLength;
        const bool chunksShort = responseState >= 4;
        const bool headShort = responseState == 1 || responseState == 2;
        if (responseState == 0) {
            failTransfer(kHttpBadResponse, "Connection closed before a response was received.");
        } else if (bodyShort || chunksShort || headShort) {
            failTransfer(kHttpBadResponse, "Connection closed before the end of the response.");
        }
    }
    if (!transferEnded_) finishTransfer();
}

void HttpClient::onError(int code, const char* text) {
    if (eventSink) {
        eventSink->setCodePage(CodePage);
        eventSink->Error(code, text);
    }
}

void HttpClient::onConnectionStatus(const char*, int, const char*) {}
void HttpClient::onRequestSent(int) {}
void HttpClient::onEndTransfer(int) {}
void HttpClient::onHeader(const char*, const char*) {}
void HttpClient::onSetCookie(const char*, const char*, const char*, const char*, const char*, bool) {}
void HttpClient::onStartTransfer(int) {}
void HttpClient::onTransfer(int, int, const char*, int) {}
void HttpClient::onRedirect(const char*, bool&) {}
void HttpClient::onStatus(const char*, int, const char*) {}

// The receive side stays raw: the head is cut into lines here, so that no change of the line end
// between head and body costs the socket another read.
void HttpClient::onDataIn(const char* bytes, int length, int) {
    while (length > 0 && !transferEnded_ && !transferError_) {
        if (responseState == 3) {
            takeBody(bytes, length);
            return;
        }
        if (responseState >= 4) {
            parseChunked(bytes, length);
            return;
        }
        const char* lf = static_cast<const char*>(std::memchr(bytes, '\n', static_cast<std::size_t>(length)));
        if (!lf) {
            takeLinePiece(bytes, length, false);
            return;
        }
        const int n = static_cast<int>(lf - bytes);
        takeLinePiece(bytes, n, true);
        bytes += n + 1;
        length -= n + 1;
    }
    // Bytes behind an answer that ended with its head are not this answer's.
    if (length > 0 && transferEnded_ && KeepAlive) closeConnection();
}

// A line may arrive in several pieces; it is parsed once whole. The first piece of an answer
// without a status line is body at once.
void HttpClient::takeLinePiece(const char* bytes, int length, bool endOfLine) {
    if (headLine_.empty() && (endOfLine || (responseState == 0 && !startsLikeStatusLine(bytes, length)))) {
        headBytes_ += length;
        if (headBytes_ > kHttpMaxHeaderSection) {
            failTransfer(kHttpResponseTooLarge, "The response headers are too long.");
            return;
        }
        parseLine(bytes, length, endOfLine);
        return;
    }
    if (headLine_.length() + length > kHttpMaxHeaderLine) {
        failTransfer(kHttpResponseTooLarge, "A response header line is too long.");
        return;
    }
    if (headLine_.append(bytes, static_cast<std::size_t>(length))) {
        failTransfer(kOutOfMemory, kOutOfMemoryText);
        return;
    }
    if (!endOfLine) return;
    InlineString99 line;
    if (line.assign(static_cast<std::size_t>(headLine_.length()), headLine_.data())) {
        failTransfer(kOutOfMemory, kOutOfMemoryText);
        return;
    }
    headLine_.reset();
    takeLinePiece(line.data(), line.length(), true);
}

void HttpClient::parseLine(const char* bytes, int length, bool endOfLine) {
    int n = length;
    if (n > 0 && bytes[n - 1] == '\r') --n;
    switch (responseState) {
    case 0:
        bytesReceived = 0;
        StatusLine.reset();
        ResponseHeaders.reset();
        TransferredData.reset();
        if (length >= 5 && std::memcmp(bytes, "HTTP/", 5) == 0) {
            parseStatusLine(bytes, n);
            return;
        }
        // No status line: the answer is body from its first byte on.
        responseState = 3;
        takeBody(bytes, length);
        if (endOfLine && !transferEnded_) takeBody("\n", 1);
        return;
    case 1:
        if (length <= 1) {
            responseState = 0;
            bytesReceived = 0;
            StatusLine.reset();
            ResponseHeaders.reset();
            TransferredData.reset();
        } else if (length >= 5 && std::memcmp(bytes, "HTTP/", 5) == 0) {
            parseStatusLine(bytes, n);
        }
        return;
    case 2:
        if (n == 0) {
            endOfHeaders();
        } else {
            parseHeaderLine(bytes, n);
        }
        return;
    default:
        return;
    }
}

void HttpClient::parseStatusLine(const char* bytes, int length) {
    responseState = 2;
    answerCloses_ = false;
    answerKeepsAlive_ = false;
    StatusLine.assign(static_cast<std::size_t>(length), bytes);
    const char* line = StatusLine.data();
    const char* blank = std::strchr(line, ' ');
    const char* protocolEnd = blank ? blank : line + StatusLine.length();
    StatusProtocol.assign(static_cast<std::size_t>(protocolEnd - line), line);
    const char* code = blank ? blank + 1 : protocolEnd;
    StatusCode = parseInt(code);
    const char* codeEnd = std::strchr(code, ' ');
    StatusText.assignCString(codeEnd ? codeEnd + 1 : "");
    if (StatusCode >= 100 && StatusCode <= 199) {
        responseState = 1;
        return;
    }
    onStatus(StatusProtocol.data(), StatusCode, StatusText.data());
}

void HttpClient::parseHeaderLine(const char* bytes, int length) {
    ResponseHeaders.append(bytes, static_cast<std::size_t>(length));
    ResponseHeaders.append("\r\n", 2);
    InlineString99 line;
    if (line.assign(static_cast<std::size_t>(length), bytes)) {
        failTransfer(kOutOfMemory, kOutOfMemoryText);
        return;
    }
    const char* value = splitHeaderLine(line);
    if (!value) value = "";
    const char* name = line.data();
    if (FollowRedirects != 0 && equalsNoCase(name, "Location")) Location.assignCString(value);
    onHeader(name, value);
    if (equalsNoCase(name, "Content-Length")) {
        // An answer that has no body may announce the length of a resource of any size.
        if (!parseContentLength(value, ContentLength) && !answerHasNoBody()) {
            failTransfer(kHttpBadResponse, "Invalid Content-Length in the response.");
            return;
        }
    } else if (equalsNoCase(name, "Connection")) {
        if (listsToken(value, "close")) answerCloses_ = true;
        if (listsToken(value, "keep-alive")) answerKeepsAlive_ = true;
    } else if (equalsNoCase(name, "Transfer-Encoding")) {
        if (equalsNoCase(value, "chunked")) chunked = true;
    } else if (equalsNoCase(name, "WWW-Authenticate")) {
        Authorization.reset();
        readChallenge(digest, value);
    } else if (equalsNoCase(name, "Set-Cookie")) {
        SetCookie cookie;
        parseSetCookie(value, cookie);
        onSetCookie(cookie.name.data(), cookie.value.data(), cookie.expires.data(), cookie.domain.data(),
                    cookie.path.data(), cookie.secure);
    }
}

bool HttpClient::answerHasNoBody() const {
    return equalsNoCase(requestMethod.data(), "HEAD") || StatusCode == 204 || StatusCode == 304;
}

void HttpClient::endOfHeaders() {
    // These answers end at their head, whatever length they announce.
    if (answerHasNoBody()) {
        finishTransfer();
        return;
    }
    onStartTransfer(1);
    if (chunked) {
        responseState = 4;
        chunkStep_ = kChunkSize;
        chunkLine_.reset();
        return;
    }
    responseState = 3;
    if (ContentLength == 0) finishTransfer();
}

// Chunk data is counted byte by byte, so CR and LF inside a chunk are data like any other.
void HttpClient::parseChunked(const char* bytes, int length) {
    int i = 0;
    while (i < length && !transferEnded_ && !transferError_) {
        if (chunkStep_ == kChunkData) {
            const int take = length - i < chunkRemaining ? length - i : chunkRemaining;
            takeBody(bytes + i, take);
            i += take;
            chunkRemaining -= take;
            if (chunkRemaining == 0) {
                chunkStep_ = kChunkDataEnd;
                responseState = 4;
            }
            continue;
        }
        const char* lf = static_cast<const char*>(std::memchr(bytes + i, '\n', static_cast<std::size_t>(length - i)));
        const int end = lf ? static_cast<int>(lf - bytes) : length;
        if (chunkLine_.length() + (end - i) > kHttpMaxHeaderLine) {
            failTransfer(kHttpResponseTooLarge, "A chunk size or trailer line is too long.");
            return;
        }
        if (chunkLine_.append(bytes + i, static_cast<std::size_t>(end - i))) {
            failTransfer(kOutOfMemory, kOutOfMemoryText);
            return;
        }
        i = end;
        if (!lf) return;
        ++i;
        if (chunkLine_.length() > 0 && chunkLine_.data()[chunkLine_.length() - 1] == '\r') chunkLine_.removeLast();
        switch (chunkStep_) {
        case kChunkSize: {
            int size = 0;
            if (!parseChunkSize(chunkLine_.data(), size)) {
                failTransfer(kHttpBadResponse, "Invalid chunk size in the response.");
                return;
            }
            chunkRemaining = size;
            if (size < 1) {
                responseState = 6;
                chunkStep_ = kChunkTrailer;
            } else {
                responseState = 5;
                chunkStep_ = kChunkData;
            }
            break;
        }
        case kChunkDataEnd:
            chunkStep_ = kChunkSize;
            break;
        case kChunkTrailer:
            if (chunkLine_.empty()) finishTransfer();
            break;
        case kChunkData:
            break;
        }
        chunkLine_.reset();
    }
    // Bytes past the last chunk are not this answer's either.
    if (transferEnded_ && i < length && KeepAlive) closeConnection();
}

void HttpClient::takeBody(const char* bytes, int length) {
    if (length <= 0) return;
    if (ContentLength >= 0 && responseState == 3 && length > ContentLength - bytesReceived) {
        // What follows the announced length is not this answer's; the connection is out of step.
        length = ContentLength - bytesReceived;
        if (KeepAlive) closeConnection();
        if (length <= 0) return;
    }
    bytesReceived += length;
    if (!LocalFile.empty() && !localFileFailed_) {
        if (localFileHandle == INVALID_HANDLE_VALUE) {
            localFileHandle = CreateFileA(LocalFile.data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
            if (localFileHandle == INVALID_HANDLE_VALUE) {
                localFileFailed_ = true;
                failTransfer(kHttpFileError, "Can't open local file for writing.");
                onError(0, lastError.data());
            }
        }
        if (localFileHandle != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!WriteFile(localFileHandle, bytes, static_cast<DWORD>(length), &written, nullptr) ||
                written != static_cast<DWORD>(length)) {
                closeLocalFile();
                localFileFailed_ = true;
                failTransfer(kHttpLocalFileWrite, "Error writing to LocalFile.");
                onError(kHttpLocalFileWrite, "Error writing to LocalFile.");
            }
        }
    } else if (LocalFile.empty()) {
        int keep = length;
        if (MaxTransferredData > 0) {
            const int room = MaxTransferredData - TransferredData.length();
            keep = room <= 0 ? 0 : (length < room ? length : room);
        }
        const int result = TransferredData.append(bytes, static_cast<std::size_t>(keep));
        if (result) onError(result, "Error appending to TransferredData.");
    }
    onTransfer(1, bytesReceived, bytes, length);
    if (ContentLength >= 0 && responseState == 3 && bytesReceived >= ContentLength) finishTransfer();
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
