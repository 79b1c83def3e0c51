// The core's HTTPS client against libcurl's easy interface, side by side against one loopback
// server in a process of its own: 100 GETs with a full handshake each (fresh connections, no
// session reuse), 100 GETs on one kept connection, 100 MiB over one connection, and POSTs of
// 4 MiB and 64 MiB bodies.

#include "crypt32/crypt32.h"
#include "payment_core/http_client.h"
#include "testing/certificates.h"
#include "testing/trusted_ca.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

// After the core's headers: the socket stand-in has names that the system's macros would take.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>


namespace {

using payment_core::HttpClient;
using payment_core::kActionGet;
using payment_core::kActionPost;
using fixtures::CertKind;
using fixtures::TestCertificates;

constexpr int kRequests = 100;
constexpr std::size_t kSmallSize = 13;
constexpr std::size_t kBulkSize = std::size_t{100} << 20;
constexpr std::size_t kUploadSizes[] = {std::size_t{4} << 20, std::size_t{64} << 20};

// --- the server ---

bool writeAll(SSL* ssl, const char* data, std::size_t length) {
    while (length) {
        const int n = SSL_write(ssl, data, static_cast<int>(std::min<std::size_t>(length, 16384)));
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool hasConnectionClose(std::string head) {
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    return head.find("\r\nconnection: close") != std::string::npos;
}

// A POST's body is read whole and dropped; false when the connection ends first.
bool readBody(SSL* ssl, const std::string& head, std::string& in) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t at = lower.find("\r\ncontent-length:");
    std::size_t left = at == std::string::npos ? 0 : std::strtoull(lower.c_str() + at + 17, nullptr, 10);
    const std::size_t buffered = std::min(left, in.size());
    in.erase(0, buffered);
    left -= buffered;
    char buffer[65536];
    while (left) {
        const int n = SSL_read(ssl, buffer, static_cast<int>(std::min(left, sizeof buffer)));
        if (n <= 0) return false;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void serveConnection(int fd, SSL_CTX* ctx) {
    static const std::string block(16384, 'b');
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) == 1) {
        std::string in;
        char buffer[16384];
        for (bool open = true; open;) {
            std::size_t end;
            while ((end = in.find("\r\n\r\n")) == std::string::npos) {
                const int n = SSL_read(ssl, buffer, sizeof buffer);
                if (n <= 0) {
                    open = false;
                    break;
                }
                in.append(buffer, static_cast<std::size_t>(n));
            }
            if (!open) break;
            const std::string head = in.substr(0, end);
            in.erase(0, end + 4);
            const bool close = hasConnectionClose(head);
            if (!readBody(ssl, head, in)) break;
            const bool bulk = head.rfind("GET /bulk ", 0) == 0;
            const std::size_t size = bulk ? kBulkSize : kSmallSize;
            std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                 std::to_string(size) + "\r\n" + (close ? "Connection: close\r\n" : "") + "\r\n";
            if (!bulk) answer += std::string(kSmallSize - 1, 's') + "\n";
            if (!writeAll(ssl, answer.data(), answer.size())) break;
            for (std::size_t sent = 0; bulk && sent < size; sent += block.size())
                if (!writeAll(ssl, block.data(), std::min(block.size(), size - sent))) open = false;
            if (close) open = false;
        }
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    ::close(fd);
}

[[noreturn]] void runServer(int listener, const std::string& certPem, const std::string& keyPem) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // a client that gives up takes the server with it
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    BIO* cert = BIO_new_mem_buf(certPem.data(), static_cast<int>(certPem.size()));
    BIO* key = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
    SSL_CTX_use_certificate(ctx, PEM_read_bio_X509(cert, nullptr, nullptr, nullptr));
    SSL_CTX_use_PrivateKey(ctx, PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr));
    BIO_free(cert);
    BIO_free(key);
    // Every handshake is a full one, for both clients.
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(ctx, SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(ctx, 0);
    for (;;) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        std::thread(serveConnection, fd, ctx).detach();
    }
}

// --- the clients ---

class CoreClient : public HttpClient {
public:
    CoreClient() {
        initHttpsDefaults();
        setTimeoutMs(120000);
    }
    // The whole body, whether kept or not.
    bool get(const std::string& url, std::size_t size) {
        setUrl(url.c_str(), false);
        const int result = performAction(kActionGet);
        if (result || StatusCode != 200 || static_cast<std::size_t>(bytesReceived) != size) {
            std::fprintf(stderr, "core client: %s gave %d, status %d, %d bytes: %s\n", url.c_str(), result, StatusCode,
                         bytesReceived, lastError.data());
            return false;
        }
        return true;
    }
};

class CoreUploader : public CoreClient {
public:
    explicit CoreUploader(std::size_t size) {
        PostData.assign(size, nullptr);
        std::memset(PostData.data(), 'u', size);
    }
    bool post(const std::string& url) {
        setUrl(url.c_str(), false);
        const int result = performAction(kActionPost);
        if (result || StatusCode != 200) {
            std::fprintf(stderr, "core client: POST %s gave %d, status %d: %s\n", url.c_str(), result, StatusCode,
                         lastError.data());
            return false;
        }
        return true;
    }
};

std::size_t countBytes(char*, std::size_t size, std::size_t count, void* total) {
    *static_cast<std::size_t*>(total) += size * count;
    return size * count;
}

class CurlClient {
public:
    CurlClient(const std::string& caFile, bool fresh) : curl_(curl_easy_init()) {
        curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, countBytes);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &received_);
        if (fresh) {
            curl_easy_setopt(curl_, CURLOPT_FRESH_CONNECT, 1L);
            curl_easy_setopt(curl_, CURLOPT_FORBID_REUSE, 1L);
            curl_easy_setopt(curl_, CURLOPT_SSL_SESSIONID_CACHE, 0L);
        }
    }
    ~CurlClient() { curl_easy_cleanup(curl_); }
    bool get(const std::string& url, std::size_t size) {
        received_ = 0;
        curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
        const CURLcode rc = curl_easy_perform(curl_);
        long status = 0;
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
        if (rc != CURLE_OK || status != 200 || received_ != size) {
            std::fprintf(stderr, "libcurl: %s gave %s, status %ld, %zu bytes\n", url.c_str(), curl_easy_strerror(rc),
                         status, received_);
            return false;
        }
        return true;
    }

    // The body goes at once: no interim answer is awaited.
    bool post(const std::string& url, const std::string& body) {
        curl_slist* headers = curl_slist_append(nullptr, "Expect:");
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        const bool ok = get(url, kSmallSize);
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        return ok;
    }

private:
    CURL* curl_;
    std::size_t received_ = 0;
};

double seconds(const std::function<bool()>& run) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) std::exit(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool repeat(int times, const std::function<bool()>& step) {
    for (int i = 0; i < times; ++i)
        if (!step()) return false;
    return true;
}

// The "upload" step: one POST of each size per round, ours and libcurl's, each on a fresh
// connection; keeps the best time of each.
struct Uploads {
    double best[std::size(kUploadSizes)][2] = {{1e9, 1e9}, {1e9, 1e9}};

    void round(const std::string& url, const std::string& caFile, bool core, bool curl) {
        for (std::size_t i = 0; i < std::size(kUploadSizes); ++i) {
            if (core) {
                CoreUploader ours(kUploadSizes[i]);
                best[i][0] = std::min(best[i][0], seconds([&] { return ours.post(url); }));
            }
            if (curl) {
                const std::string body(kUploadSizes[i], 'u');
                CurlClient theirs(caFile, true);
                best[i][1] = std::min(best[i][1], seconds([&] { return theirs.post(url, body); }));
            }
        }
    }
    void print() const {
        for (std::size_t i = 0; i < std::size(kUploadSizes); ++i) {
            const std::string step = "POST of " + std::to_string(kUploadSizes[i] >> 20) + " MiB";
            std::printf("%-34s %9.3fs %9.3fs %8.2f %s\n", step.c_str(), best[i][0], best[i][1], best[i][0] / best[i][1],
                        "<= 1.5 (time)");
        }
    }
};

}  // namespace

// Prints each step's time for both clients and the ratio; the best of REPEATS rounds (default 5).
// "tls_bench STEP CLIENT" (handshakes, kept, bulk or upload; core or curl) runs one side of one step, for
// a profiler.
int main(int argc, char** argv) {
    const std::string onlyStep = argc > 1 ? argv[1] : "", onlyClient = argc > 2 ? argv[2] : "";
    auto wanted = [&](const char* step, const char* client) {
        return (onlyStep.empty() || onlyStep == step) && (onlyClient.empty() || onlyClient == client);
    };
    namespace fs = std::filesystem;
    const int rounds = std::max(1, std::getenv("REPEATS") ? std::atoi(std::getenv("REPEATS")) : 5);
    std::string stateTemplate = (fs::temp_directory_path() / "tls-bench-XXXXXX").string();
    const char* state = mkdtemp(stateTemplate.data());
    if (!state) return 2;
    setenv("PLATFORM_STATE_DIR", state, 1);

    const TestCertificates& certs = TestCertificates::instance();
    const std::string caFile = certs.files(CertKind::Ca).certPem.string();
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 128) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 2;
    const pid_t server = fork();
    if (server == 0) runServer(listener, certs.pem(CertKind::Server), certs.keyPem(CertKind::Server));
    ::close(listener);

    fixtures::trustInUserRoots(certs.der(CertKind::Ca));
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::string base = "https://localhost:" + std::to_string(ntohs(address.sin_port));
    const std::string small = base + "/small", bulk = base + "/bulk", upload = base + "/upload";
    Uploads uploads;

    double best[3][2] = {{1e9, 1e9}, {1e9, 1e9}, {1e9, 1e9}};
    auto time = [](double& best, const std::function<bool()>& run) { best = std::min(best, seconds(run)); };
    for (int round = 0; round < rounds; ++round) {
        if (wanted("handshakes", "core")) {
            CoreClient ours;
            time(best[0][0], [&] { return repeat(kRequests, [&] { return ours.get(small, kSmallSize); }); });
        }
        if (wanted("handshakes", "curl")) {
            CurlClient curl(caFile, true);
            time(best[0][1], [&] { return repeat(kRequests, [&] { return curl.get(small, kSmallSize); }); });
        }
        if (wanted("kept", "core")) {
            CoreClient ours;
            ours.KeepAlive = true;
            time(best[1][0], [&] { return repeat(kRequests, [&] { return ours.get(small, kSmallSize); }); });
        }
        if (wanted("kept", "curl")) {
            CurlClient curl(caFile, false);
            time(best[1][1], [&] { return repeat(kRequests, [&] { return curl.get(small, kSmallSize); }); });
        }
        if (wanted("bulk", "core")) {
            CoreClient ours;
            time(best[2][0], [&] { return ours.get(bulk, kBulkSize); });
        }
        if (wanted("bulk", "curl")) {
            CurlClient curl(caFile, true);
            time(best[2][1], [&] { return curl.get(bulk, kBulkSize); });
        }
        uploads.round(upload, caFile, wanted("upload", "core"), wanted("upload", "curl"));
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    curl_global_cleanup();
    std::error_code ec;
    fs::remove_all(state, ec);

    const double mib = static_cast<double>(kBulkSize) / (1 << 20);
    std::printf("%-34s %10s %10s %8s %s\n", "step (best of rounds)", "core", "libcurl", "ratio", "goal");
    std::printf("%-34s %9.3fs %9.3fs %8.2f %s\n", "100 GETs, a handshake each", best[0][0], best[0][1],
                best[0][0] / best[0][1], "<= 1.1 (time)");
    std::printf("%-34s %9.3fs %9.3fs %8.2f %s\n", "100 GETs on one kept connection", best[1][0], best[1][1],
                best[1][0] / best[1][1], "<= 1.2 (time)");
    std::printf("%-34s %7.0fMiB/s %6.0fMiB/s %8.2f %s\n", "100 MiB over one connection", mib / best[2][0],
                mib / best[2][1], best[2][1] / best[2][0], ">= 0.5 (throughput)");
    uploads.print();
    return 0;
}
