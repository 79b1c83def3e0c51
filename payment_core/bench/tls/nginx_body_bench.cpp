// One 200 MiB body from nginx, over HTTP and over HTTPS, through the core's own connection and
// through the Internet library path (UseWinInet), each in bounded memory (the default
// MaxTransferredData keeps only the start of the body).

#include "crypt32/crypt32.h"
#include "payment_core/tests/daemon_peer.h"
#include "payment_core/wininet_http_client.h"
#include "testing/certificates.h"
#include "testing/trusted_ca.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using payment_core::kActionGet;
using payment_core::WinInetHttpClient;
using fixtures::CertKind;
using fixtures::TestCertificates;

constexpr long long kBodySize = 200LL << 20;

class Client : public WinInetHttpClient {
public:
    explicit Client(bool winInet) {
        initHttpsDefaults();
        setTimeoutMs(120000);
        UseWinInet = winInet;
    }
    void onTransfer(int direction, int bytesSoFar, const char*, int) override {
        if (direction == 1) received = bytesSoFar;
    }
    // Seconds for the whole body, or a negative value when it did not arrive whole.
    double get(const std::string& url) {
        received = 0;
        setUrl(url.c_str(), false);
        const auto start = std::chrono::steady_clock::now();
        const int result = performActionWinInet(kActionGet);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result || received != kBodySize) {
            std::fprintf(stderr, "%s over %s gave %d after %lld bytes: %s\n", url.c_str(),
                         UseWinInet ? "the Internet library" : "the own connection", result, received,
                         lastError.data());
            return -1;
        }
        return seconds;
    }
    long long received = 0;
};

}  // namespace

// Prints the best of REPEATS rounds (default 3) for each scheme and path, and the Internet
// library path's throughput as a share of the own connection's.
int main() {
    namespace fs = std::filesystem;
    const std::string nginx = daemon_peer::findProgram("nginx");
    if (nginx.empty()) {
        std::printf("nginx is not installed: nothing measured\n");
        return 0;
    }
    const int rounds = std::max(1, std::getenv("REPEATS") ? std::atoi(std::getenv("REPEATS")) : 3);
    std::string stateTemplate = (fs::temp_directory_path() / "nginx-bench-XXXXXX").string();
    const char* state = mkdtemp(stateTemplate.data());
    if (!state) return 2;
    setenv("PLATFORM_STATE_DIR", state, 1);

    const TestCertificates& certs = TestCertificates::instance();
    const fixtures::CertificateFiles& server = certs.files(CertKind::Server);
    fixtures::trustInUserRoots(certs.der(CertKind::Ca));

    int code = 0;
    {
        daemon_peer::Daemon daemon;
        const std::string root = daemon.folder();
        fs::create_directories(root + "/htdocs");
        {
            std::ofstream body(root + "/htdocs/body", std::ios::binary);
            const std::string block(1 << 20, 'b');
            for (long long written = 0; written < kBodySize; written += static_cast<long long>(block.size()))
                body.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        daemon_peer::WebSite plain, secure;
        secure.certFile = server.certPem.string();
        secure.keyFile = server.keyPem.string();
        // Again on new ports when one was taken before nginx bound it.
        bool started = false;
        for (int attempt = 0; attempt < 4 && !started; ++attempt) {
            const std::vector<int> ports = daemon_peer::freePorts(2);
            plain.port = ports[0];
            secure.port = ports[1];
            daemon.writeFile("nginx.conf", daemon_peer::nginxConfig(root, {plain, secure}));
            started = daemon.start({nginx, "-p", root, "-c", root + "/nginx.conf"}, secure.port);
        }
        if (!started) {
            std::fprintf(stderr, "nginx did not start\n");
            code = 2;
        }
        const std::string urls[2] = {"http://localhost:" + std::to_string(plain.port) + "/body",
                                     "https://localhost:" + std::to_string(secure.port) + "/body"};
        double best[2][2] = {{1e9, 1e9}, {1e9, 1e9}};
        for (int round = 0; !code && round < rounds; ++round) {
            for (int scheme = 0; scheme < 2 && !code; ++scheme) {
                for (int path = 0; path < 2 && !code; ++path) {
                    Client client(path == 1);
                    const double seconds = client.get(urls[scheme]);
                    if (seconds < 0) code = 1;
                    best[scheme][path] = std::min(best[scheme][path], seconds);
                }
            }
        }
        if (!code) {
            const double mib = static_cast<double>(kBodySize) / (1 << 20);
            std::printf("%-34s %12s %12s %8s %s\n", "200 MiB from nginx (best)", "own conn.", "WinInet", "ratio",
                        "goal");
            for (int scheme = 0; scheme < 2; ++scheme) {
                std::printf("%-34s %8.0fMiB/s %8.0fMiB/s %8.2f %s\n", scheme ? "  over HTTPS" : "  over HTTP",
                            mib / best[scheme][0], mib / best[scheme][1], best[scheme][0] / best[scheme][1],
                            ">= 0.5 (throughput)");
            }
        }
    }
    std::error_code ec;
    fs::remove_all(state, ec);
    return code;
}
