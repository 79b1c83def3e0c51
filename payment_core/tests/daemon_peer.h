#pragma once
// A server written by others (a proxy, a SOCKS server, a web server), started by a test on a
// loopback port of its own and stopped with its process group when the test ends. Kept apart
// from the core's headers, whose socket names are the stand-in's.

#include <functional>
#include <string>
#include <vector>

namespace daemon_peer {

// A loopback port that was free a moment ago.
int freePort();
// As many loopback ports, all different, that were free a moment ago.
std::vector<int> freePorts(int count);
// "" when none of the usual places holds the program.
std::string findProgram(const std::string& name);
// In a test: the program's path as var, or the test skipped when it is not installed.
#define REQUIRE_PROGRAM(var, name)                          \
    const std::string var = daemon_peer::findProgram(name); \
    if (var.empty()) GTEST_SKIP() << name << " is not installed"

class Daemon {
public:
    Daemon() = default;
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Runs the program in a process group of its own and waits until one of its processes
    // listens on 127.0.0.1:port. False when it exits first (another listener may have taken the
    // port meanwhile) or does not come up; its processes are gone then.
    bool start(const std::vector<std::string>& argv, int port);
    // A folder the daemon may read even when it drops its privileges; removed at the end.
    const std::string& folder();
    void writeFile(const std::string& name, const std::string& text);

private:
    void stop();

    int pid_ = -1;
    std::string folder_;
};

// Starts a daemon on a free port, and again on a new one when that port was taken before the
// daemon bound it: `launch` writes the configuration for the port and calls Daemon::start. The
// port it runs on, or 0.
int startOnFreePort(const std::function<bool(int port)>& launch);

// nginx on 127.0.0.1:port, serving daemon.folder()/htdocs, with serverLines inside its server
// block; over TLS when a certificate and key (PEM files) are given. The echo module is loaded
// when installed. False when the program is missing or does not come up.
bool startNginx(Daemon& daemon, int port, const std::string& serverLines, const std::string& certPem = "",
                const std::string& keyPem = "");
// Whether nginx's echo module is installed (for locations that read the whole body first).
bool nginxHasEcho();

// Configuration texts for two web servers written by others, serving `root`/htdocs on
// 127.0.0.1. With certificate and key files given, the server speaks TLS on that port.
struct WebSite {
    int port = 0;
    std::string certFile;
    std::string keyFile;
    std::string extra;  // further directives, inside the server (nginx) or after the base (apache)
};

// An apache configuration with the listed modules loaded (mod_ssl added for a TLS site).
std::string apacheConfig(const std::string& root, const WebSite& site, const std::vector<std::string>& modules);
// An nginx configuration with one server per site; run it with "-p root -c root/nginx.conf".
std::string nginxConfig(const std::string& root, const std::vector<WebSite>& sites);

}  // namespace daemon_peer
