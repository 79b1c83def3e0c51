#include "payment_core/tests/daemon_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace daemon_peer {

namespace {

// The inodes of the sockets listening on 127.0.0.1:port.
std::vector<std::string> listeners(int port) {
    char local[16];
    std::snprintf(local, sizeof local, "0100007F:%04X", static_cast<unsigned>(port));
    std::vector<std::string> inodes;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (address == local && state == "0A") inodes.push_back(inode);
    }
    return inodes;
}

// Whether a process of the group holds one of the sockets listening on the port, rather than
// some other program that took the port first.
bool groupListens(int group, int port) {
    const std::vector<std::string> inodes = listeners(port);
    if (inodes.empty()) return false;
    std::error_code ec;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos || ::getpgid(std::stoi(name)) != group)
            continue;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", ec)) {
            const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
            for (const std::string& inode : inodes)
                if (target == "socket:[" + inode + "]") return true;
        }
    }
    return false;
}

}  // namespace

std::vector<int> freePorts(int count) {
    // Every probe stays bound until all are chosen, so none is chosen twice.
    std::vector<int> probes;
    std::vector<int> ports;
    for (int i = 0; i < count; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        probes.push_back(s);
        ports.push_back(ntohs(address.sin_port));
    }
    for (const int s : probes) ::close(s);
    return ports;
}

int freePort() { return freePorts(1).front(); }

int startOnFreePort(const std::function<bool(int port)>& launch) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int port = freePort();
        if (launch(port)) return port;
    }
    return 0;
}

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const std::string path = dir + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

void Daemon::stop() {
    if (pid_ > 0) {
        ::kill(-pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        // Workers that outlive their parent go with the group too.
        ::kill(-pid_, SIGKILL);
    }
    pid_ = -1;
}

Daemon::~Daemon() {
    stop();
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

const std::string& Daemon::folder() {
    if (folder_.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "daemon-peer-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            ::chmod(pattern.c_str(), 0755);
            folder_ = pattern;
        }
    }
    return folder_;
}

void Daemon::writeFile(const std::string& name, const std::string& text) {
    const std::string path = folder() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), 0644);
}

bool Daemon::start(const std::vector<std::string>& argv, int port) {
    stop();
    const std::string log = folder() + "/daemon.log";
    // Only async-signal-safe calls between the fork and the exec: everything is made before.
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    // Closed by a successful exec: until then the child still holds copies of this process's
    // descriptors, a listener of the test's own among them.
    int execed[2];
    if (::pipe2(execed, O_CLOEXEC) != 0) {
        if (out >= 0) ::close(out);
        return false;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execv(args[0], args.data());
        const char failed = 1;
        [[maybe_unused]] const ssize_t told = ::write(execed[1], &failed, 1);
        ::_exit(127);
    }
    if (out >= 0) ::close(out);
    ::close(execed[1]);
    if (pid_ < 0) {
        ::close(execed[0]);
        return false;
    }
    ::setpgid(pid_, pid_);
    char failed = 0;
    ssize_t n;
    while ((n = ::read(execed[0], &failed, 1)) < 0 && errno == EINTR) {
    }
    ::close(execed[0]);
    if (n != 0) {
        stop();
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        if (groupListens(pid_, port)) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            // Helpers it left behind go too.
            ::kill(-pid_, SIGKILL);
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop();
    return false;
}

namespace {
const char* const kNginxEcho = "/usr/lib/nginx/modules/ngx_http_echo_module.so";
}  // namespace

bool nginxHasEcho() { return ::access(kNginxEcho, R_OK) == 0; }

bool startNginx(Daemon& daemon, int port, const std::string& serverLines, const std::string& certPem,
                const std::string& keyPem) {
    const std::string nginx = findProgram("nginx");
    if (nginx.empty()) return false;
    const std::string root = daemon.folder();
    WebSite site;
    site.port = port;
    site.certFile = certPem;
    site.keyFile = keyPem;
    site.extra = serverLines + "\n";
    daemon.writeFile("nginx.conf", nginxConfig(root, {site}));
    std::filesystem::create_directories(root + "/htdocs");
    return daemon.start({nginx, "-p", root, "-c", root + "/nginx.conf", "-e", root + "/error.log"}, port);
}

std::string apacheConfig(const std::string& root, const WebSite& site, const std::vector<std::string>& modules) {
    const std::string dir = "/usr/lib/apache2/modules/";
    const bool tls = !site.certFile.empty();
    std::string conf = "ServerRoot " + root + "\nListen 127.0.0.1:" + std::to_string(site.port) + "\n";
    std::vector<std::string> all = {"mpm_event", "authz_core"};
    all.insert(all.end(), modules.begin(), modules.end());
    if (tls) all.insert(all.end(), {"socache_shmcb", "ssl"});
    for (const std::string& module : all) conf += "LoadModule " + module + "_module " + dir + "mod_" + module + ".so\n";
    conf += "User nobody\nGroup nogroup\nServerName localhost\nPidFile " + root + "/httpd.pid\nErrorLog " + root +
            "/error.log\nDocumentRoot " + root + "/htdocs\n<Directory " + root +
            "/htdocs>\n  Require all granted\n</Directory>\n";
    if (tls) {
        conf += "SSLSessionCache shmcb:" + root + "/ssl_cache(512000)\nSSLEngine on\nSSLCertificateFile " +
                site.certFile + "\nSSLCertificateKeyFile " + site.keyFile + "\n";
    }
    return conf + site.extra;
}

std::string nginxConfig(const std::string& root, const std::vector<WebSite>& sites) {
    std::string conf = "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + root + "/nginx.pid;\nerror_log " +
                       root + "/error.log info;\n";
    if (nginxHasEcho()) conf += std::string("load_module ") + kNginxEcho + ";\n";
    conf += "events { worker_connections 64; }\nhttp {\n  access_log off;\n  default_type text/plain;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf += std::string("  ") + temp + "_temp_path " + root + "/" + temp + ";\n";
    for (const WebSite& site : sites) {
        conf += "  server {\n    listen 127.0.0.1:" + std::to_string(site.port) +
                (site.certFile.empty() ? "" : " ssl") + ";\n    root " + root + "/htdocs;\n";
        if (!site.certFile.empty())
            conf += "    ssl_certificate " + site.certFile + ";\n    ssl_certificate_key " + site.keyFile + ";\n";
        conf += site.extra + "  }\n";
    }
    return conf + "}\n";
}

}  // namespace daemon_peer
