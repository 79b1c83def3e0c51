#pragma once
// A peer written by others: the openssl command's test server, with a certificate chain made
// for the test by the same command (a root, an intermediate it issued, and a "localhost" leaf
// issued by the intermediate).

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "crypt32/crypt32.h"

extern char** environ;

namespace openssl_peer {

namespace fs = std::filesystem;

inline bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The PEM files of one chain, in a folder removed with it.
class Chain {
public:
    Chain() {
        std::string tmpl = (fs::temp_directory_path() / "openssl-chain-XXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
        const std::string d = dir_.string();
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        std::ofstream(dir_ / "ca.ext") << "basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n";
        std::ofstream(dir_ / "leaf.ext") << "basicConstraints=CA:FALSE\nsubjectAltName=DNS:localhost\n"
                                            "extendedKeyUsage=serverAuth\n";
        ok_ = run("cd " + d + " && openssl req -x509" + ec + " -keyout root.key -out root.pem -days 2" +
                  " -subj '/CN=Chain Test Root' -addext basicConstraints=critical,CA:TRUE" +
                  " -addext keyUsage=critical,keyCertSign,cRLSign") &&
              run("cd " + d + " && openssl req" + ec + " -keyout inter.key -out inter.csr -subj '/CN=Chain Test Intermediate'") &&
              run("cd " + d + " && openssl x509 -req -in inter.csr -CA root.pem -CAkey root.key -CAcreateserial" +
                  " -days 2 -extfile ca.ext -out inter.pem") &&
              run("cd " + d + " && openssl req" + ec + " -keyout leaf.key -out leaf.csr -subj '/CN=localhost'") &&
              run("cd " + d + " && openssl x509 -req -in leaf.csr -CA inter.pem -CAkey inter.key -CAcreateserial" +
                  " -days 2 -extfile leaf.ext -out leaf.pem");
        std::ofstream(dir_ / "inter-and-root.pem") << std::ifstream(dir_ / "inter.pem").rdbuf()
                                                   << std::ifstream(dir_ / "root.pem").rdbuf();
    }
    ~Chain() {
        std::error_code e;
        fs::remove_all(dir_, e);
    }
    Chain(const Chain&) = delete;
    Chain& operator=(const Chain&) = delete;

    // A second root, "Chain Test Other Root", and the intermediate's twin issued by it (one
    // subject, one key): other-root.pem and inter-by-other.pem.
    bool addCrossSigned() const {
        const std::string d = dir_.string();
        return run("cd " + d + " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes" +
                   " -keyout other-root.key -out other-root.pem -days 2 -subj '/CN=Chain Test Other Root'" +
                   " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign") &&
               run("cd " + d + " && openssl x509 -req -in inter.csr -CA other-root.pem -CAkey other-root.key" +
                   " -CAcreateserial -days 2 -extfile ca.ext -out inter-by-other.pem");
    }
    // Another leaf for leaf.key from the intermediate, with the given subjectAltName value (e.g.
    // "DNS:*.wild.test"): NAME.pem.
    bool issueLeaf(const std::string& name, const std::string& subjectAltName) const {
        const std::string d = dir_.string();
        std::ofstream(dir_ / (name + ".ext")) << "basicConstraints=CA:FALSE\nsubjectAltName=" << subjectAltName
                                              << "\nextendedKeyUsage=serverAuth\n";
        return run("cd " + d + " && openssl x509 -req -in leaf.csr -CA inter.pem -CAkey inter.key -CAcreateserial" +
                   " -days 2 -extfile '" + name + ".ext' -out '" + name + ".pem'");
    }
    // Files joined into a new one, for a chain sent in a chosen order.
    fs::path joined(const std::string& name, const std::vector<const char*>& parts) const {
        std::ofstream out(dir_ / name);
        for (const char* part : parts) out << std::ifstream(dir_ / part).rdbuf();
        return dir_ / name;
    }

    bool ok() const { return ok_; }
    fs::path file(const char* name) const { return dir_ / name; }
    const fs::path& dir() const { return dir_; }

private:
    fs::path dir_;
    bool ok_ = false;
};

// The certificate of a PEM file as a context of our own; null when it cannot be read.
inline PCCERT_CONTEXT contextOfPem(const fs::path& pem) {
    FILE* f = std::fopen(pem.c_str(), "r");
    if (!f) return nullptr;
    X509* x = PEM_read_X509(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    unsigned char* der = nullptr;
    const int n = x ? i2d_X509(x, &der) : 0;
    PCCERT_CONTEXT c = n > 0 ? CertCreateCertificateContext(X509_ASN_ENCODING, der, static_cast<DWORD>(n)) : nullptr;
    OPENSSL_free(der);
    X509_free(x);
    return c;
}

inline void addToUserStore(const char* storeName, const fs::path& pem) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, storeName);
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT cert = contextOfPem(pem);
    ASSERT_NE(cert, nullptr) << pem;
    EXPECT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
}

// "openssl s_server" on 127.0.0.1 and a port of its choosing, stopped with the object.
class Server {
public:
    // arguments: everything after "s_server -accept 127.0.0.1:0"; it runs in folder (for -WWW).
    Server(const std::vector<std::string>& arguments, const fs::path& folder) {
        log_ = folder / ("s_server-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".log");
        std::vector<std::string> words{"openssl", "s_server", "-accept", "127.0.0.1:0"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        // The server serves -WWW files from its working folder.
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        if (posix_spawnp(&pid_, "openssl", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        int status = 0;
        while (pid_ > 0 && port_ == 0 && std::chrono::steady_clock::now() < end) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;  // it gave up; the log says why
                break;
            }
            std::ifstream in(log_);
            std::string line;
            while (std::getline(in, line)) {
                const std::size_t colon = line.rfind(':');
                if (line.rfind("ACCEPT ", 0) == 0 && colon != std::string::npos) port_ = std::atoi(line.c_str() + colon + 1);
            }
            if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Server() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int port() const { return port_; }
    std::string log() const {
        std::ifstream in(log_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    fs::path log_;
};

}  // namespace openssl_peer
