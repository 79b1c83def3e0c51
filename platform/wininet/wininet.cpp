#include "wininet/wininet.h"

#include "crypt32/bridge.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

enum class Kind { Session, Connection, Request };

// A handle stays alive while a call on any thread uses it and while it has children; closing
// one only unregisters it, so a call in flight on another thread finishes safely.
struct Handle {
    explicit Handle(Kind k, Handle* p) : kind(k), parent(p) {
        if (p) callback = p->callback;
    }
    Kind kind;
    Handle* parent;
    std::vector<Handle*> children;  // the open ones
    int refs = 1;                   // the registration, each child, each call in flight
    bool closed = false;
    DWORD_PTR context = 0;
    INTERNET_STATUS_CALLBACK callback = nullptr;
    std::optional<DWORD> connectTimeout, receiveTimeout, sendTimeout;
    std::string proxyUser, proxyPassword;
};

// Cookies and live connections are kept per session, as the platform's library does.
struct Session : Handle {
    Session() : Handle(Kind::Session, nullptr) {
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, lockShare);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, unlockShare);
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    ~Session() { curl_share_cleanup(share); }
    static void lockShare(CURL*, curl_lock_data, curl_lock_access, void* self) {
        static_cast<Session*>(self)->shareLock.lock();
    }
    static void unlockShare(CURL*, curl_lock_data, void* self) { static_cast<Session*>(self)->shareLock.unlock(); }

    std::string agent;
    DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    CURLSH* share = nullptr;
    std::recursive_mutex shareLock;
};

struct Connection : Handle {
    explicit Connection(Session* s) : Handle(Kind::Connection, s) {}
    std::string server, user, password;
    INTERNET_PORT port = 0;
    bool hidden = false;  // made by InternetOpenUrlA, closed with its request
};

// The transfer of a sent request runs on the thread that reads it: the body goes through a
// bounded buffer, and the transfer is paused while the buffer is full.
struct Transfer {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    bool finished = false;
    CURLcode result = CURLE_OK;
    bool paused = false;

    ~Transfer() {
        if (easy) {
            curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        if (multi) curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }
};

struct Request : Handle {
    explicit Request(Connection* c) : Handle(Kind::Request, c) {}
    std::string verb, path, version, referrer;
    std::vector<std::string> accept;
    DWORD flags = 0;
    DWORD securityFlags = 0;
    std::vector<std::string> headers;  // "Name: value" without line ends
    bool sent = false;
    long status = 0;
    std::vector<std::string> responseLines;  // status line first
    std::size_t headBytes = 0;                // of every answer's head so far
    bool headTooLong = false;
    bool headEnded = false;                   // the latest answer's head is complete
    bool headDone = false;                    // the final answer's head is complete
    bool challenged = false;                  // the latest answer asks for Basic or Digest
    int challengesAnswered = 0;               // 401 answers the library sent credentials for
    DWORD redirectError = 0;                  // a redirect the library refused to follow
    bool announcingRedirect = false;          // the callback may query the redirecting head
    std::string body;                         // received, not yet read from readPos on
    std::size_t readPos = 0;
    bool sawHeader = false;
    std::unique_ptr<Transfer> transfer;
    bool follows = false;    // redirects are followed
    std::string url;         // of the answer being read
    std::string location;    // of that answer, when it redirects
    long verifyError = 0;
    std::atomic<bool> cancelled{false};  // closed while its request was being sent
};

// Never destroyed: a request abandoned by its caller may still be finishing on its thread
// while the process exits.
std::mutex& registryLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::unordered_set<Handle*>& live() {
    static auto* s = new std::unordered_set<Handle*>;
    return *s;
}

void deleteHandle(Handle* h) {
    switch (h->kind) {
        case Kind::Session: delete static_cast<Session*>(h); break;
        case Kind::Connection: delete static_cast<Connection*>(h); break;
        case Kind::Request: delete static_cast<Request*>(h); break;
    }
}

// Drops one reference; the last one frees the handle and the reference it held on its parent.
void release(Handle* h) {
    while (h) {
        Handle* parent;
        {
            std::lock_guard lock(registryLock());
            if (--h->refs > 0) return;
            parent = h->parent;
        }
        deleteHandle(h);
        h = parent;
    }
}

// A reference held for the length of one call.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref&&) = delete;
    ~Ref() {
        if (p_) release(p_);
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A handle whose parent was closed meanwhile is not made.
HINTERNET registerHandle(Handle* h) {
    {
        std::lock_guard lock(registryLock());
        if (!h->parent || !h->parent->closed) {
            if (h->parent) {
                ++h->parent->refs;
                h->parent->children.push_back(h);
            }
            live().insert(h);
            return h;
        }
    }
    deleteHandle(h);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

template <class T>
Ref<T> lookup(HINTERNET h, Kind kind) {
    std::lock_guard lock(registryLock());
    auto* p = static_cast<Handle*>(h);
    if (!h || !live().count(p)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return {};
    }
    if (p->kind != kind) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return {};
    }
    ++p->refs;
    return Ref<T>(static_cast<T*>(p));
}

Ref<Handle> lookupAny(HINTERNET h) {
    std::lock_guard lock(registryLock());
    auto* p = static_cast<Handle*>(h);
    if (!h || !live().count(p)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return {};
    }
    ++p->refs;
    return Ref<Handle>(p);
}

// Unregisters a handle and its children, under the registry lock; a request being sent is
// told to stop.
void closeTree(Handle* h, std::vector<Handle*>& closed) {
    h->closed = true;
    live().erase(h);
    if (h->kind == Kind::Request) static_cast<Request*>(h)->cancelled = true;
    closed.push_back(h);
    for (auto* c : h->children) closeTree(c, closed);
    h->children.clear();
}

// Closing a handle closes its children; a request's hidden connection goes with the request.
bool closeHandle(HINTERNET handle) {
    std::vector<Handle*> closed;
    {
        std::lock_guard lock(registryLock());
        auto* h = static_cast<Handle*>(handle);
        if (!h || !live().count(h)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        closeTree(h, closed);
        if (Handle* p = h->parent) {
            std::erase(p->children, h);
            if (h->kind == Kind::Request && static_cast<Connection*>(p)->hidden && p->children.empty() && !p->closed) {
                closeTree(p, closed);
                if (p->parent) std::erase(p->parent->children, p);
            }
        }
    }
    for (auto* h : closed) release(h);
    return true;
}

Session* sessionOf(Handle* h) {
    while (h->parent) h = h->parent;
    return static_cast<Session*>(h);
}

DWORD inherited(Handle* h, std::optional<DWORD> Handle::*field, DWORD fallback) {
    for (; h; h = h->parent)
        if (h->*field) return *(h->*field);
    return fallback;
}

void report(Handle* h, DWORD status, const void* info, DWORD length) {
    if (h->callback && h->callback != INTERNET_INVALID_STATUS_CALLBACK)
        h->callback(h, h->context, status, const_cast<void*>(info), length);
}

void reportText(Handle* h, DWORD status, const std::string& text) {
    report(h, status, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string trimLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
    std::size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string headerName(const std::string& line) { return line.substr(0, line.find(':')); }

// An answer's head is kept whole until the request is closed, so its size is bounded.
constexpr std::size_t kMaxHead = 1048576;
// Received body bytes waiting for the reader; past this the transfer pauses.
constexpr std::size_t kBodyBuffer = 524288;

long statusOf(const Request* r) {
    if (r->responseLines.empty()) return 0;
    const std::string& status = r->responseLines.front();
    std::size_t blank = status.find(' ');
    return blank == std::string::npos ? 0 : std::strtol(status.c_str() + blank + 1, nullptr, 10);
}

bool isRedirect(const Request* r, long code) {
    return r->follows && !r->location.empty() && code >= 300 && code <= 399 && code != 304;
}

// The library answers a challenge once per address, when it has credentials for it: that 401
// is not final.
bool answersChallenge(const Request* r, long code) {
    return code == 401 && r->challenged && r->challengesAnswered == 0 &&
           !static_cast<const Connection*>(r->parent)->user.empty();
}

// At the end of a redirecting answer's head, before it is followed: a way from https to plain
// http is refused (the body would go out in clear), any other is announced with the absolute
// address it goes to. The callback may close the request to stop it. False when it is not
// followed.
bool announceRedirect(Request* r) {
    CURLU* resolver = curl_url();
    char* target = nullptr;
    char* scheme = nullptr;
    const bool fromSecure = startsWithNoCase(r->url, "https:");
    bool follow = curl_url_set(resolver, CURLUPART_URL, r->url.c_str(), 0) == CURLUE_OK &&
                  curl_url_set(resolver, CURLUPART_URL, r->location.c_str(), 0) == CURLUE_OK &&
                  curl_url_get(resolver, CURLUPART_URL, &target, 0) == CURLUE_OK &&
                  curl_url_get(resolver, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK;
    if (follow && fromSecure && std::strcmp(scheme, "https") != 0 && !(r->flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP)) {
        r->redirectError = ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
        follow = false;
    }
    if (follow) {
        r->url = target;
        // The new address may challenge again, and the library answers that challenge too.
        r->challengesAnswered = 0;
        r->announcingRedirect = true;
        reportText(r, INTERNET_STATUS_REDIRECT, r->url);
        r->announcingRedirect = false;
        follow = !r->cancelled;
    }
    curl_free(scheme);
    curl_free(target);
    curl_url_cleanup(resolver);
    return follow;
}

size_t onHeader(char* data, size_t size, size_t count, void* self) {
    auto* r = static_cast<Request*>(self);
    r->headBytes += size * count;
    if (r->headBytes > kMaxHead) {
        r->headTooLong = true;
        return 0;
    }
    std::string line = trimLineEnd(std::string(data, size * count));
    if (!r->sawHeader) {
        r->sawHeader = true;
        report(r, INTERNET_STATUS_REQUEST_SENT, nullptr, 0);
        report(r, INTERNET_STATUS_RECEIVING_RESPONSE, nullptr, 0);
    }
    if (line.rfind("HTTP/", 0) == 0) {
        // A new status line starts a new answer (interim 1xx, a followed redirect, or the answer
        // to credentials).
        r->responseLines.clear();
        r->body.clear();
        r->readPos = 0;
        r->location.clear();
        r->headEnded = false;
        r->challenged = false;
    }
    if (startsWithNoCase(line, "Location:")) {
        std::size_t start = line.find_first_not_of(" \t", 9);
        r->location = start == std::string::npos ? "" : line.substr(start);
    }
    if (startsWithNoCase(line, "WWW-Authenticate:")) {
        std::string scheme = line.substr(std::min(line.size(), line.find_first_not_of(" \t", 17)));
        r->challenged = r->challenged || startsWithNoCase(scheme, "Basic") || startsWithNoCase(scheme, "Digest");
    }
    if (line.empty()) {
        r->headEnded = true;
        const long code = statusOf(r);
        if (isRedirect(r, code)) {
            // Refused here, nothing of the request goes to the new address.
            if (!announceRedirect(r)) return 0;
        } else if (answersChallenge(r, code)) {
            ++r->challengesAnswered;
        } else if (code >= 200) {
            r->headDone = true;
        }
    }
    if (!line.empty()) r->responseLines.push_back(line);
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* self) {
    auto* r = static_cast<Request*>(self);
    const std::size_t n = size * count;
    const std::size_t unread = r->body.size() - r->readPos;
    if (unread > 0 && unread + n > kBodyBuffer) {
        r->transfer->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (r->readPos > 0) {
        r->body.erase(0, r->readPos);
        r->readPos = 0;
    }
    r->body.append(data, n);
    return n;
}

// A request closed by another thread while it is being sent ends here.
int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Request*>(self)->cancelled ? 1 : 0;
}

int onPrereq(void* self, char* primaryIp, char*, int, int) {
    auto* r = static_cast<Request*>(self);
    std::string ip = primaryIp ? primaryIp : "";
    reportText(r, INTERNET_STATUS_NAME_RESOLVED, ip);
    reportText(r, INTERNET_STATUS_CONNECTING_TO_SERVER, ip);
    reportText(r, INTERNET_STATUS_CONNECTED_TO_SERVER, ip);
    report(r, INTERNET_STATUS_SENDING_REQUEST, nullptr, 0);
    return CURL_PREREQFUNC_OK;
}

// Applies the ignore flags to the chain check and remembers the first refusal for the error code.
int onVerify(int ok, X509_STORE_CTX* ctx) {
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(ctx, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* r = ssl ? static_cast<Request*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl))) : nullptr;
    if (ok || !r) return ok;
    int err = X509_STORE_CTX_get_error(ctx);
    auto ignore = [ctx] {
        X509_STORE_CTX_set_error(ctx, X509_V_OK);
        return 1;
    };
    bool dateError = err == X509_V_ERR_CERT_HAS_EXPIRED || err == X509_V_ERR_CERT_NOT_YET_VALID;
    bool caError = err == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY || err == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN ||
                   err == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT || err == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT ||
                   err == X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE || err == X509_V_ERR_CERT_UNTRUSTED;
    if (dateError && (r->securityFlags & SECURITY_FLAG_IGNORE_CERT_DATE_INVALID)) return ignore();
    if (caError && (r->securityFlags & SECURITY_FLAG_IGNORE_UNKNOWN_CA)) return ignore();
    if (err == X509_V_ERR_INVALID_PURPOSE && (r->securityFlags & SECURITY_FLAG_IGNORE_WRONG_USAGE)) return ignore();
    if (!r->verifyError) r->verifyError = err;
    return 0;
}

// The server's chain is built as the certificate library builds it (every candidate issuer,
// sent or in the CA stores, tried); onVerify still applies the ignore flags.
int verifyChain(X509_STORE_CTX* ctx, void*) {
    STACK_OF(X509)* sent = X509_STORE_CTX_get0_untrusted(ctx);
    STACK_OF(X509)* chosen = crypt32::chainIntermediates(X509_STORE_CTX_get0_cert(ctx), sent);
    X509_STORE_CTX_set0_untrusted(ctx, chosen);
    const int ok = X509_verify_cert(ctx);
    X509_STORE_CTX_set0_untrusted(ctx, sent);
    sk_X509_pop_free(chosen, X509_free);
    return ok;
}

// Each transfer here gets a context of its own, so the context can name its request. The
// machine's trust roots are the certificate library's.
CURLcode onSslContext(CURL*, void* sslctx, void* self) {
    auto* ctx = static_cast<SSL_CTX*>(sslctx);
    SSL_CTX_set_app_data(ctx, self);
    crypt32::addTrustRoots(SSL_CTX_get_cert_store(ctx));
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, onVerify);
    SSL_CTX_set_cert_verify_callback(ctx, verifyChain, nullptr);
    return CURLE_OK;
}

DWORD mapCurlError(CURLcode code, const Request& r) {
    if (r.cancelled) return ERROR_INTERNET_OPERATION_CANCELLED;
    if (r.headTooLong) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
        case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
        case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        case CURLE_PEER_FAILED_VERIFICATION:
            if (r.verifyError == X509_V_ERR_CERT_HAS_EXPIRED || r.verifyError == X509_V_ERR_CERT_NOT_YET_VALID)
                return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
            // A refusal the chain check did not record is the library's own name check.
            if (r.verifyError == 0 || r.verifyError == X509_V_ERR_HOSTNAME_MISMATCH)
                return ERROR_INTERNET_SEC_CERT_CN_INVALID;
            return ERROR_INTERNET_INVALID_CA;
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR: return ERROR_INTERNET_INVALID_CA;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
        case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
        case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
        default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

void curlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A line end inside one value would start a header, or a request, of its own.
bool holdsLineBreak(const char* text) { return text && std::strpbrk(text, "\r\n"); }

// libcurl drops a header with nothing after its colon; its form for an empty header is
// "Name;", which goes out as "Name:".
std::string curlHeader(const std::string& line) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) return line;
    if (line.find_first_not_of(" \t", colon + 1) != std::string::npos) return line;
    return line.substr(0, colon) + ";";
}

// Splits header text at its line ends; false for a bare CR inside a line.
bool splitHeaderLines(const std::string& text, std::vector<std::string>& lines) {
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        std::string line = trimLineEnd(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (line.find('\r') != std::string::npos) return false;
        if (!line.empty()) lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

void endTransfer(Request* r) {
    if (!r->transfer || !r->transfer->finished) return;
    curl_easy_getinfo(r->transfer->easy, CURLINFO_RESPONSE_CODE, &r->status);
}

// One turn of the transfer on the calling thread, without waiting; false once it has ended or
// is held until the reader makes room. A request closed meanwhile ends it.
bool step(Request* r) {
    Transfer& t = *r->transfer;
    if (r->cancelled) {
        t.finished = true;
        t.result = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    if (t.paused) {
        if (r->body.size() - r->readPos >= kBodyBuffer) return false;
        t.paused = false;
        curl_easy_pause(t.easy, CURLPAUSE_CONT);
    }
    int running = 0;
    if (curl_multi_perform(t.multi, &running) != CURLM_OK) {
        t.finished = true;
        t.result = CURLE_OUT_OF_MEMORY;
        return false;
    }
    int queued = 0;
    while (CURLMsg* m = curl_multi_info_read(t.multi, &queued)) {
        if (m->msg == CURLMSG_DONE) {
            t.finished = true;
            t.result = m->data.result;
        }
    }
    return !t.finished && !t.paused;
}

// Runs the transfer until `ready` holds or it has ended.
template <class Ready>
void drive(Request* r, Ready ready) {
    Transfer& t = *r->transfer;
    while (!t.finished && !ready()) {
        // A close from another thread is seen within one slice.
        if (step(r) && !ready()) curl_multi_poll(t.multi, nullptr, 0, 50, nullptr);
    }
    endTransfer(r);
}

// Takes in what the connection holds already, up to `wanted` unread bytes, so that one read is
// not cut short at the first piece that arrived.
void topUp(Request* r, std::size_t wanted) {
    Transfer& t = *r->transfer;
    while (!t.finished && r->body.size() - r->readPos < wanted) {
        const std::size_t before = r->body.size() - r->readPos;
        if (!step(r) || r->body.size() - r->readPos == before) break;
    }
    endTransfer(r);
}

// Returns once the final answer's head is in; its body is read as the reader asks for it.
bool send(Request* r, const std::string& extraHeaders, const char* body, std::size_t bodyLength) {
    auto* c = static_cast<Connection*>(r->parent);
    Session* s = sessionOf(r);
    bool secure = (r->flags & INTERNET_FLAG_SECURE) != 0;
    std::string path = r->path.empty() ? "/" : r->path;
    if (path[0] != '/') path.insert(0, "/");
    std::string host = c->server.find(':') != std::string::npos ? "[" + c->server + "]" : c->server;
    std::string url = std::string(secure ? "https://" : "http://") + host + ":" +
                      std::to_string(c->port ? c->port : (secure ? 443 : 80)) + path;

    if (r->cancelled) {
        SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
        return false;
    }
    std::vector<std::string> all = r->headers;
    if (!splitHeaderLines(extraHeaders, all)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    r->transfer.reset();
    auto transfer = std::make_unique<Transfer>();
    transfer->multi = curl_multi_init();
    transfer->easy = curl_easy_init();
    if (!transfer->multi || !transfer->easy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    CURL* curl = transfer->easy;
    r->responseLines.clear();
    r->headBytes = 0;
    r->headTooLong = false;
    r->headEnded = false;
    r->headDone = false;
    r->challenged = false;
    r->challengesAnswered = 0;
    r->redirectError = 0;
    r->body.clear();
    r->readPos = 0;
    r->sawHeader = false;
    r->verifyError = 0;
    r->status = 0;
    r->sent = false;

    curl_slist*& list = transfer->headers;
    auto addHeader = [&list](const std::string& h) { list = curl_slist_append(list, h.c_str()); };
    bool haveContentType = false;
    for (const auto& h : all) {
        if (startsWithNoCase(h, "Content-Type:")) haveContentType = true;
        addHeader(curlHeader(h));
    }
    if (!r->accept.empty()) {
        std::string a = "Accept: ";
        for (std::size_t i = 0; i < r->accept.size(); ++i) a += (i ? ", " : "") + r->accept[i];
        addHeader(curlHeader(a));
    }
    // The platform's library adds neither of these on its own.
    if (!haveContentType) addHeader("Content-Type:");
    addHeader("Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, s->agent.c_str());
    if (!r->referrer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, r->referrer.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION,
                     r->version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    std::string verb = r->verb.empty() ? "GET" : r->verb;
    if (verb == "HEAD") {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (verb == "GET" && bodyLength == 0) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
        curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, bodyLength ? body : "");
        if (verb != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    r->follows = !(r->flags & INTERNET_FLAG_NO_AUTO_REDIRECT);
    r->url = url;
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, r->follows ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl, CURLOPT_SHARE, s->share);
    if (!(r->flags & INTERNET_FLAG_NO_COOKIES)) curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    if (!c->user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, c->user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, c->password.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    }
    if (s->accessType == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
    } else if (s->accessType == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(curl, CURLOPT_PROXY, s->proxy.c_str());
    }
    std::string proxyUser = !r->proxyUser.empty() ? r->proxyUser : s->proxyUser;
    std::string proxyPassword = !r->proxyPassword.empty() ? r->proxyPassword : s->proxyPassword;
    if (!proxyUser.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(inherited(r, &Handle::connectTimeout, 60000)));
    // A silent peer ends the request once nothing has arrived for the receive time-out.
    DWORD receive = inherited(r, &Handle::receiveTimeout, 30000);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(receive / 1000)));
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, r);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, r);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, onPrereq);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, r);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A large receive buffer takes a fast body in few turns.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 131072L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, r);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    if (secure) {
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, (r->securityFlags & SECURITY_FLAG_IGNORE_CERT_CN_INVALID) ? 0L : 2L);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, onSslContext);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, r);
    }
    if (curl_multi_add_handle(transfer->multi, curl) != CURLM_OK) {
        transfer->easy = nullptr;
        curl_easy_cleanup(curl);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    r->transfer = std::move(transfer);

    reportText(r, INTERNET_STATUS_RESOLVING_NAME, c->server);
    drive(r, [r] { return r->headDone || r->body.size() > r->readPos; });
    const Transfer& t = *r->transfer;
    if (r->redirectError) {
        SetLastError(r->redirectError);
        return false;
    }
    // An answer that began but whose head never ended is no answer, however the connection ended.
    const bool endedByPeer = t.result == CURLE_OK || t.result == CURLE_RECV_ERROR || t.result == CURLE_PARTIAL_FILE ||
                             t.result == CURLE_GOT_NOTHING || t.result == CURLE_WEIRD_SERVER_REPLY;
    const bool lastHeadComplete = r->headEnded && statusOf(r) >= 200;
    if (t.finished && !r->headDone && !lastHeadComplete && r->headBytes > 0 && endedByPeer) {
        SetLastError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        return false;
    }
    if (t.finished && t.result != CURLE_OK) {
        SetLastError(mapCurlError(t.result, *r));
        return false;
    }
    if (!t.finished) curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &r->status);
    DWORD received = static_cast<DWORD>(r->body.size());
    report(r, INTERNET_STATUS_RESPONSE_RECEIVED, &received, sizeof received);
    r->sent = true;
    return true;
}

bool copyOut(const std::string& text, LPVOID buffer, LPDWORD length, bool counted) {
    // Text answers report their length without the terminating zero, but need room for it.
    DWORD need = static_cast<DWORD>(text.size() + (counted ? 0 : 1));
    if (!length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!buffer || *length < need) {
        *length = need;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    if (!counted) static_cast<char*>(buffer)[text.size()] = 0;
    *length = static_cast<DWORD>(text.size());
    return true;
}

}  // namespace

extern "C" {

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR, DWORD) {
    if (holdsLineBreak(agent) || holdsLineBreak(proxy)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    curlGlobalInit();
    auto* s = new Session;
    s->agent = agent ? agent : "";
    s->accessType = accessType;
    s->proxy = proxy ? proxy : "";
    return registerHandle(s);
}

HINTERNET InternetConnectA(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user, LPCSTR password,
                           DWORD, DWORD, DWORD_PTR context) {
    auto s = lookup<Session>(session, Kind::Session);
    if (!s) return nullptr;
    if (!server || !*server || holdsLineBreak(server)) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    auto* c = new Connection(s.get());
    c->server = server;
    c->port = port;
    c->user = user ? user : "";
    c->password = password ? password : "";
    c->context = context;
    return registerHandle(c);
}

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version, LPCSTR referrer,
                           LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context) {
    auto c = lookup<Connection>(connection, Kind::Connection);
    if (!c) return nullptr;
    bool broken = holdsLineBreak(verb) || holdsLineBreak(object) || holdsLineBreak(version) || holdsLineBreak(referrer);
    for (LPCSTR* type = acceptTypes; !broken && type && *type; ++type) broken = holdsLineBreak(*type);
    if (broken) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* r = new Request(c.get());
    r->verb = verb && *verb ? verb : "GET";
    r->path = object ? object : "/";
    r->version = version ? version : "";
    r->referrer = referrer ? referrer : "";
    for (; acceptTypes && *acceptTypes; ++acceptTypes) r->accept.emplace_back(*acceptTypes);
    r->flags = flags;
    if (flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) r->securityFlags |= SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
    if (flags & INTERNET_FLAG_IGNORE_CERT_DATE_INVALID) r->securityFlags |= SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
    r->context = context;
    return registerHandle(r);
}

BOOL HttpAddRequestHeadersA(HINTERNET request, LPCSTR headers, DWORD headersLength, DWORD modifiers) {
    auto r = lookup<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (!headers) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string text = headersLength == static_cast<DWORD>(-1) ? std::string(headers) : std::string(headers, headersLength);
    std::vector<std::string> lines;
    bool wellFormed = splitHeaderLines(text, lines);
    for (const auto& line : lines) wellFormed = wellFormed && line.find(':') != std::string::npos;
    if (!wellFormed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (const auto& line : lines) {
        if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
            std::string name = headerName(line) + ":";
            std::erase_if(r->headers, [&](const std::string& h) { return startsWithNoCase(h, name.c_str()); });
        }
        r->headers.push_back(line);
    }
    return TRUE;
}

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength) {
    auto r = lookup<Request>(request, Kind::Request);
    if (!r) return FALSE;
    std::string extra;
    if (headers) extra = headersLength == static_cast<DWORD>(-1) ? std::string(headers) : std::string(headers, headersLength);
    return send(r.get(), extra, static_cast<const char*>(optional), optional ? optionalLength : 0) ? TRUE : FALSE;
}

HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context) {
    auto s = lookup<Session>(session, Kind::Session);
    if (!s) return nullptr;
    CURLU* u = curl_url();
    char *scheme = nullptr, *host = nullptr, *port = nullptr, *path = nullptr, *query = nullptr, *user = nullptr,
         *password = nullptr;
    bool ok = url && curl_url_set(u, CURLUPART_URL, url, CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
              curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
              curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK;
    DWORD error = ERROR_INTERNET_INVALID_URL;
    std::string schemeText = scheme ? scheme : "";
    if (ok && schemeText != "http" && schemeText != "https") {
        ok = false;
        error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    }
    HINTERNET result = nullptr;
    if (ok) {
        curl_url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT);
        curl_url_get(u, CURLUPART_PATH, &path, 0);
        curl_url_get(u, CURLUPART_QUERY, &query, 0);
        curl_url_get(u, CURLUPART_USER, &user, CURLU_URLDECODE);
        curl_url_get(u, CURLUPART_PASSWORD, &password, CURLU_URLDECODE);
        std::string hostText = host;
        if (hostText.size() > 2 && hostText.front() == '[') hostText = hostText.substr(1, hostText.size() - 2);
        auto* c = static_cast<Connection*>(InternetConnectA(s.get(), hostText.c_str(),
                                                            static_cast<INTERNET_PORT>(port ? std::atoi(port) : 0),
                                                            user, password, INTERNET_SERVICE_HTTP, 0, context));
        if (c) c->hidden = true;
        std::string object = std::string(path ? path : "/") + (query ? std::string("?") + query : "");
        DWORD requestFlags = flags | (schemeText == "https" ? INTERNET_FLAG_SECURE : 0);
        HINTERNET r = c ? HttpOpenRequestA(c, "GET", object.c_str(), nullptr, nullptr, nullptr, requestFlags, context)
                        : nullptr;
        if (c && !r) {
            error = GetLastError();
            InternetCloseHandle(c);
        } else if (!c) {
            error = GetLastError();
        } else if (HttpSendRequestA(r, headers, headers ? headersLength : 0, nullptr, 0)) {
            result = r;
        } else {
            error = GetLastError();
            InternetCloseHandle(r);
        }
    }
    for (char* p : {scheme, host, port, path, query, user, password}) curl_free(p);
    curl_url_cleanup(u);
    if (!result) SetLastError(error);
    return result;
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD) {
    auto r = lookup<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (!r->sent && !r->announcingRedirect) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    bool number = (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
    DWORD level = infoLevel & 0xFFFF;
    std::string text;
    switch (level) {
        case HTTP_QUERY_RAW_HEADERS:
        case HTTP_QUERY_RAW_HEADERS_CRLF: {
            for (const auto& line : r->responseLines) {
                text += line;
                if (level == HTTP_QUERY_RAW_HEADERS)
                    text.push_back('\0');
                else
                    text += "\r\n";
            }
            if (level == HTTP_QUERY_RAW_HEADERS)
                text.push_back('\0');
            else
                text += "\r\n";
            break;
        }
        case HTTP_QUERY_STATUS_CODE: text = std::to_string(r->status); break;
        case HTTP_QUERY_STATUS_TEXT: {
            const std::string& line = r->responseLines.empty() ? std::string() : r->responseLines.front();
            std::size_t a = line.find(' ');
            std::size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
            text = b == std::string::npos ? "" : line.substr(b + 1);
            break;
        }
        case HTTP_QUERY_CONTENT_TYPE:
        case HTTP_QUERY_CONTENT_LENGTH: {
            const char* name = level == HTTP_QUERY_CONTENT_TYPE ? "Content-Type:" : "Content-Length:";
            auto it = std::find_if(r->responseLines.begin() + (r->responseLines.empty() ? 0 : 1), r->responseLines.end(),
                                   [&](const std::string& l) { return startsWithNoCase(l, name); });
            if (it == r->responseLines.end()) {
                SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
                return FALSE;
            }
            text = it->substr(std::strlen(name));
            text.erase(0, text.find_first_not_of(" \t"));
            break;
        }
        default: SetLastError(ERROR_HTTP_HEADER_NOT_FOUND); return FALSE;
    }
    if (number) {
        if (!bufferLength || !buffer || *bufferLength < sizeof(DWORD)) {
            if (bufferLength) *bufferLength = sizeof(DWORD);
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        DWORD v = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
        std::memcpy(buffer, &v, sizeof v);
        *bufferLength = sizeof v;
        return TRUE;
    }
    return copyOut(text, buffer, bufferLength, level == HTTP_QUERY_RAW_HEADERS) ? TRUE : FALSE;
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read) {
    auto r = lookup<Request>(file, Kind::Request);
    if (!r) return FALSE;
    if (!read || (!buffer && toRead)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (r->transfer && toRead) {
        drive(r.get(), [&r] { return r->body.size() > r->readPos; });
        topUp(r.get(), toRead);
    }
    std::size_t n = std::min<std::size_t>(toRead, r->body.size() - r->readPos);
    if (n) std::memcpy(buffer, r->body.data() + r->readPos, n);
    r->readPos += n;
    *read = static_cast<DWORD>(n);
    if (n == 0 && r->transfer && r->transfer->result != CURLE_OK) {
        SetLastError(mapCurlError(r->transfer->result, *r.get()));
        return FALSE;
    }
    return TRUE;
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) {
    auto h = lookupAny(handle);
    if (!h) return FALSE;
    auto dword = [&]() -> std::optional<DWORD> {
        if (!buffer || bufferLength < sizeof(DWORD)) return std::nullopt;
        DWORD v;
        std::memcpy(&v, buffer, sizeof v);
        return v;
    };
    auto text = [&]() { return buffer ? std::string(static_cast<const char*>(buffer), strnlen(static_cast<const char*>(buffer), bufferLength)) : std::string(); };
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT: h->connectTimeout = dword(); return h->connectTimeout ? TRUE : FALSE;
        case INTERNET_OPTION_RECEIVE_TIMEOUT: h->receiveTimeout = dword(); return h->receiveTimeout ? TRUE : FALSE;
        case INTERNET_OPTION_SEND_TIMEOUT: h->sendTimeout = dword(); return h->sendTimeout ? TRUE : FALSE;
        case INTERNET_OPTION_PROXY_USERNAME: h->proxyUser = text(); return TRUE;
        case INTERNET_OPTION_PROXY_PASSWORD: h->proxyPassword = text(); return TRUE;
        case INTERNET_OPTION_SECURITY_FLAGS: {
            auto v = dword();
            if (h->kind != Kind::Request || !v) break;
            static_cast<Request*>(h.get())->securityFlags = *v;
            return TRUE;
        }
        case INTERNET_OPTION_SECURITY_SELECT_CLIENT_CERT:
            // The client certificate is chosen by the TLS layer itself; selecting one is accepted.
            return TRUE;
        default: break;
    }
    SetLastError(ERROR_INTERNET_INVALID_OPTION);
    return FALSE;
}

BOOL InternetQueryOptionA(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD bufferLength) {
    auto h = lookupAny(handle);
    if (!h) return FALSE;
    DWORD value;
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT: value = inherited(h.get(), &Handle::connectTimeout, 60000); break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT: value = inherited(h.get(), &Handle::receiveTimeout, 30000); break;
        case INTERNET_OPTION_SEND_TIMEOUT: value = inherited(h.get(), &Handle::sendTimeout, 30000); break;
        case INTERNET_OPTION_SECURITY_FLAGS:
            if (h->kind != Kind::Request) {
                SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
                return FALSE;
            }
            value = static_cast<Request*>(h.get())->securityFlags;
            break;
        default: SetLastError(ERROR_INTERNET_INVALID_OPTION); return FALSE;
    }
    if (!bufferLength || !buffer || *bufferLength < sizeof value) {
        if (bufferLength) *bufferLength = sizeof value;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, &value, sizeof value);
    *bufferLength = sizeof value;
    return TRUE;
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) {
    auto h = lookupAny(handle);
    if (!h) return INTERNET_INVALID_STATUS_CALLBACK;
    INTERNET_STATUS_CALLBACK previous = h->callback;
    h->callback = callback;
    return previous;
}

BOOL InternetCloseHandle(HINTERNET handle) {
    return closeHandle(handle) ? TRUE : FALSE;
}
}
