#include "winsock/winsock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <glib.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

thread_local int lastWsaError = 0;

int wsaFromErrno(int e) {
    switch (e) {
        case 0: return 0;
        case EINTR: return WSAEINTR;
        case EBADF: return WSAENOTSOCK;
        case EACCES:
        case EPERM: return WSAEACCES;
        case EFAULT: return WSAEFAULT;
        case EINVAL: return WSAEINVAL;
        case EMFILE:
        case ENFILE: return WSAEMFILE;
        case EAGAIN: return WSAEWOULDBLOCK;
        case EINPROGRESS: return WSAEWOULDBLOCK;
        case EALREADY: return WSAEALREADY;
        case ENOTSOCK: return WSAENOTSOCK;
        case EDESTADDRREQ: return WSAEDESTADDRREQ;
        case EMSGSIZE: return WSAEMSGSIZE;
        case EPROTOTYPE: return WSAEPROTOTYPE;
        case ENOPROTOOPT: return WSAENOPROTOOPT;
        case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
        case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
        case EOPNOTSUPP: return WSAEOPNOTSUPP;
        case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
        case EADDRINUSE: return WSAEADDRINUSE;
        case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
        case ENETDOWN: return WSAENETDOWN;
        case ENETUNREACH: return WSAENETUNREACH;
        case ENETRESET: return WSAENETRESET;
        case ECONNABORTED: return WSAECONNABORTED;
        case EPIPE:
        case ECONNRESET: return WSAECONNRESET;
        case ENOBUFS:
        case ENOMEM: return WSAENOBUFS;
        case EISCONN: return WSAEISCONN;
        case ENOTCONN: return WSAENOTCONN;
        case ESHUTDOWN: return WSAESHUTDOWN;
        case ETIMEDOUT: return WSAETIMEDOUT;
        case ECONNREFUSED: return WSAECONNREFUSED;
        case EHOSTDOWN: return WSAEHOSTDOWN;
        case EHOSTUNREACH: return WSAEHOSTUNREACH;
        default: return WSAEINVAL;
    }
}

int fail(int wsa) {
    lastWsaError = wsa;
    return SOCKET_ERROR;
}
int failErrno() { return fail(wsaFromErrno(errno)); }

std::atomic<int> startups{0};

bool started() {
    if (startups.load() > 0) return true;
    lastWsaError = WSANOTINITIALISED;
    return false;
}

int fdOf(SOCKET s) { return s > 0x7FFFFFFF ? -1 : static_cast<int>(s); }

// Notifications of WSAAsyncSelect come from the loop of the thread that owns the window: each
// such loop has one epoll set, watched by a source of its own, so an event is found and posted
// on the thread that handles it. Sockets are registered one-shot: a report disarms the socket
// until what it reported is armed again, each event once per arming as version 1.1 promises.
struct LoopSource;

struct Watch {
    HWND hwnd = nullptr;
    UINT msg = 0;
    long mask = 0;
    bool connecting = false;
    bool readArmed = true;
    bool writeArmed = false;
    bool acceptArmed = true;
    bool closePosted = false;
    bool listening = false;
    // Neither connected nor connecting: an unconnected socket polls as hung up, which is no close.
    bool idle = false;
    std::uint32_t serial = 0;
    LoopSource* loop = nullptr;  // none once the window's thread has ended
    bool registered = false;     // in the loop's epoll set
    std::uint32_t armed = 0;     // what the registration waits for now
};

struct LoopSource {
    GSource base;
    int epoll;
};

class Watcher {
public:
    static Watcher& instance() {
        static Watcher* w = new Watcher;  // lives for the process: loops may outlast statics
        return *w;
    }

    void set(int fd, HWND hwnd, UINT msg, long mask) {
        if (mask == 0 || !hwnd) {
            remove(fd);
            return;
        }
        GMainContext* context = windows::windowContext(hwnd);
        {
            std::lock_guard lock(mutex_);
            LoopSource* loop = context ? loopOf(context) : nullptr;
            Watch& w = watches_[fd];
            bool fresh = w.hwnd == nullptr;
            w.hwnd = hwnd;
            w.msg = msg;
            w.mask = mask;
            int type = 0;
            socklen_t len = sizeof type;
            w.listening = getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &type, &len) == 0 && type;
            if (fresh) {
                // A connected socket can be written at once; a connect in progress says so later.
                sockaddr_storage peer{};
                socklen_t plen = sizeof peer;
                w.writeArmed = !w.listening && getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &plen) == 0;
                w.idle = !w.listening && !w.writeArmed;
                w.serial = ++serials_;
            }
            if (w.loop != loop) {
                unregister(fd, w);
                w.loop = loop;
            }
            arm(fd, w);
        }
        // Outside the lock: when the window's thread has ended meanwhile, this ends its loop.
        if (context) g_main_context_unref(context);
    }
    void remove(int fd) {
        std::lock_guard lock(mutex_);
        auto it = watches_.find(fd);
        if (it == watches_.end()) return;
        unregister(fd, it->second);
        watches_.erase(it);
    }
    void connecting(int fd) {
        update(fd, [](Watch& w) {
            w.connecting = true;
            w.idle = false;
        });
    }
    void rearmRead(int fd) { update(fd, [](Watch& w) { w.readArmed = true; }); }
    void rearmWrite(int fd) { update(fd, [](Watch& w) { w.writeArmed = true; }); }
    void rearmAccept(int fd) { update(fd, [](Watch& w) { w.acceptArmed = true; }); }

private:
    template <class F>
    void update(int fd, F f) {
        std::lock_guard lock(mutex_);
        auto it = watches_.find(fd);
        if (it == watches_.end()) return;
        f(it->second);
        arm(fd, it->second);
    }

    static std::uint32_t interest(const Watch& w) {
        std::uint32_t ev = 0;
        if (w.idle) return ev;
        if (w.connecting) return EPOLLOUT;
        if (w.listening) {
            if (w.acceptArmed && (w.mask & FD_ACCEPT)) ev |= EPOLLIN;
            return ev;
        }
        if (w.readArmed && !w.closePosted && (w.mask & (FD_READ | FD_CLOSE))) ev |= EPOLLIN | EPOLLRDHUP;
        if (w.writeArmed && (w.mask & FD_WRITE)) ev |= EPOLLOUT;
        return ev;
    }

    // Brings the registration in line with what the socket waits for. Hang-ups are reported
    // even when nothing is asked for, so a socket that waits for nothing leaves the set.
    void arm(int fd, Watch& w) {
        std::uint32_t ev = interest(w);
        if (!w.loop || ev == w.armed) return;
        if (ev == 0) {
            unregister(fd, w);
            return;
        }
        epoll_event e{};
        e.events = ev | EPOLLONESHOT;
        e.data.u64 = static_cast<std::uint64_t>(w.serial) << 32 | static_cast<std::uint32_t>(fd);
        if (epoll_ctl(w.loop->epoll, w.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) == 0) {
            w.registered = true;
            w.armed = ev;
        }
    }
    void unregister(int fd, Watch& w) {
        if (w.registered) epoll_ctl(w.loop->epoll, EPOLL_CTL_DEL, fd, nullptr);
        w.registered = false;
        w.armed = 0;
    }

    // The one source of a loop, made when a socket first reports to one of its windows; it ends
    // with the loop.
    LoopSource* loopOf(GMainContext* context) {
        auto it = loops_.find(context);
        if (it != loops_.end()) return it->second;
        int epoll = epoll_create1(EPOLL_CLOEXEC);
        if (epoll < 0) return nullptr;
        GSource* source = g_source_new(&loopFuncs, sizeof(LoopSource));
        auto* loop = reinterpret_cast<LoopSource*>(source);
        loop->epoll = epoll;
        g_source_add_unix_fd(source, epoll, G_IO_IN);
        g_source_set_name(source, "socket notifications");
        // Its dispatch only posts, so it need not be blocked meanwhile, which would take its fd
        // out of the loop and put it back, waking the loop each time.
        g_source_set_can_recurse(source, TRUE);
        loops_[context] = loop;
        g_source_attach(source, context);
        g_source_unref(source);
        return loop;
    }

    static gboolean dispatchLoop(GSource* source, GSourceFunc, gpointer) {
        instance().serve(reinterpret_cast<LoopSource*>(source));
        return G_SOURCE_CONTINUE;
    }
    static void finalizeLoop(GSource* source) { instance().forget(reinterpret_cast<LoopSource*>(source)); }
    static inline GSourceFuncs loopFuncs = {nullptr, nullptr, dispatchLoop, finalizeLoop, nullptr, nullptr};

    void forget(LoopSource* loop) {
        std::lock_guard lock(mutex_);
        std::erase_if(loops_, [loop](const auto& entry) { return entry.second == loop; });
        for (auto& [fd, w] : watches_) {
            if (w.loop != loop) continue;
            w.loop = nullptr;
            w.registered = false;
            w.armed = 0;
        }
        ::close(loop->epoll);
    }

    struct Post {
        HWND hwnd;
        UINT msg;
        SOCKET s;
        LPARAM lp;
    };

    void serve(LoopSource* loop) {
        epoll_event events[32];
        int n = epoll_wait(loop->epoll, events, 32, 0);
        std::vector<Post> posts;
        {
            std::lock_guard lock(mutex_);
            for (int i = 0; i < n; ++i) {
                int fd = static_cast<int>(events[i].data.u64 & 0xFFFFFFFFu);
                // A closed socket's number may already name a new one, whose events these are not.
                auto it = watches_.find(fd);
                if (it == watches_.end()) continue;
                Watch& w = it->second;
                if (w.serial != events[i].data.u64 >> 32 || w.loop != loop) continue;
                w.armed = 0;
                examine(fd, w, events[i].events, posts);
                arm(fd, w);
            }
        }
        for (const Post& p : posts) PostMessageA(p.hwnd, p.msg, p.s, p.lp);
    }

    void examine(int fd, Watch& w, std::uint32_t revents, std::vector<Post>& posts) {
        auto post = [&](long event, int error) {
            posts.push_back({w.hwnd, w.msg, static_cast<SOCKET>(fd), WSAMAKESELECTREPLY(event, error)});
        };
        if (w.connecting) {
            w.connecting = false;
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
            if (w.mask & FD_CONNECT) post(FD_CONNECT, wsaFromErrno(err));
            if (err != 0) {
                w.closePosted = true;  // a failed connect reports no close
            } else if (w.mask & FD_WRITE) {
                post(FD_WRITE, 0);  // a fresh connection has room to send
            } else {
                w.writeArmed = true;
            }
            return;
        }
        if (w.listening) {
            if (revents & EPOLLIN) {
                w.acceptArmed = false;
                post(FD_ACCEPT, 0);
            }
            return;
        }
        // Hang-ups are reported whatever was asked for: only an armed read looks at them, so a
        // pending FD_READ is never posted twice.
        if (w.readArmed && !w.closePosted && (revents & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))) {
            // Readable without an end in sight is data; otherwise a peek tells data from the end.
            ssize_t n = 1;
            if (revents & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
                char c;
                n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
            }
            if (n > 0) {
                w.readArmed = false;
                if (w.mask & FD_READ) post(FD_READ, 0);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                int error = n == 0 ? 0 : wsaFromErrno(errno);
                w.closePosted = true;
                w.writeArmed = false;
                if (w.mask & FD_CLOSE) post(FD_CLOSE, error);
                return;
            }
        }
        if ((revents & EPOLLOUT) && w.writeArmed) {
            w.writeArmed = false;
            post(FD_WRITE, 0);
        }
    }

    std::mutex mutex_;
    std::map<int, Watch> watches_;
    std::map<GMainContext*, LoopSource*> loops_;
    std::uint32_t serials_ = 0;
};

sockaddr_in toPosix(const sockaddr_ws* a) {
    sockaddr_in out{};
    const auto* in = reinterpret_cast<const sockaddr_in_ws*>(a);
    out.sin_family = AF_INET;
    out.sin_port = in->sin_port;
    out.sin_addr.s_addr = in->sin_addr.s_addr;
    return out;
}

int fromPosix(const sockaddr_storage& ss, sockaddr_ws* out, int* len) {
    if (!out || !len || *len < static_cast<int>(sizeof(sockaddr_in_ws))) return fail(WSAEFAULT);
    sockaddr_in_ws ws{};
    if (ss.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(ss);
        ws.sin_family = AF_INET_WS;
        ws.sin_port = in.sin_port;
        ws.sin_addr.s_addr = in.sin_addr.s_addr;
    }
    std::memcpy(out, &ws, sizeof ws);
    *len = sizeof ws;
    return 0;
}

bool mapOption(int level, int optname, int& plevel, int& popt) {
    if (level == SOL_SOCKET_WS) {
        plevel = SOL_SOCKET;
        switch (optname) {
            case SO_DEBUG_WS: popt = SO_DEBUG; return true;
            case SO_REUSEADDR_WS: popt = SO_REUSEADDR; return true;
            case SO_KEEPALIVE_WS: popt = SO_KEEPALIVE; return true;
            case SO_BROADCAST_WS: popt = SO_BROADCAST; return true;
            case SO_LINGER_WS: popt = SO_LINGER; return true;
            case SO_OOBINLINE_WS: popt = SO_OOBINLINE; return true;
            case SO_SNDBUF_WS: popt = SO_SNDBUF; return true;
            case SO_RCVBUF_WS: popt = SO_RCVBUF; return true;
            case SO_SNDTIMEO_WS: popt = SO_SNDTIMEO; return true;
            case SO_RCVTIMEO_WS: popt = SO_RCVTIMEO; return true;
            case SO_ERROR_WS: popt = SO_ERROR; return true;
            case SO_TYPE_WS: popt = SO_TYPE; return true;
            default: return false;
        }
    }
    if (level == IPPROTO_TCP_WS && optname == TCP_NODELAY_WS) {
        plevel = IPPROTO_TCP;
        popt = TCP_NODELAY;
        return true;
    }
    return false;
}

// Look-up results live per thread, as the interface's static results do per thread.
struct HostBuffer {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<in_addr_ws> addrs;
    std::vector<char*> aliasPtrs;
    std::vector<char*> addrPtrs;
    hostent_ws entry{};
};
thread_local HostBuffer hostBuffer;

int resolverError(int gai) {
    switch (gai) {
        case EAI_NONAME: return WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
        case EAI_NODATA: return WSANO_DATA;
#endif
        case EAI_AGAIN: return WSATRY_AGAIN;
        case EAI_FAIL: return WSANO_RECOVERY;
        case EAI_MEMORY: return WSAENOBUFS;
        default: return WSANO_RECOVERY;
    }
}

hostent_ws* fillHost(HostBuffer& b, const std::string& name, const std::vector<in_addr_ws>& addrs) {
    b.name = name;
    b.addrs = addrs;
    b.aliasPtrs = {nullptr};
    b.addrPtrs.clear();
    for (auto& a : b.addrs) b.addrPtrs.push_back(reinterpret_cast<char*>(&a));
    b.addrPtrs.push_back(nullptr);
    b.entry.h_name = b.name.data();
    b.entry.h_aliases = b.aliasPtrs.data();
    b.entry.h_addrtype = AF_INET_WS;
    b.entry.h_length = 4;
    b.entry.h_addr_list = b.addrPtrs.data();
    return &b.entry;
}

int resolve(const char* name, std::string& canonical, std::vector<in_addr_ws>& addrs) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* res = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &res);
    if (rc != 0) return resolverError(rc);
    canonical = res->ai_canonname ? res->ai_canonname : name;
    for (addrinfo* p = res; p; p = p->ai_next) {
        in_addr_ws a{reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr};
        bool dup = false;
        for (auto& x : addrs) dup |= x.s_addr == a.s_addr;
        if (!dup) addrs.push_back(a);
    }
    freeaddrinfo(res);
    return addrs.empty() ? WSANO_DATA : 0;
}

// --- entry points ---

SOCKET ws_accept(SOCKET s, sockaddr_ws* addr, int* addrlen) {
    if (!started()) return INVALID_SOCKET;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    int fd = ::accept4(fdOf(s), reinterpret_cast<sockaddr*>(&ss), &len, SOCK_CLOEXEC);
    Watcher::instance().rearmAccept(fdOf(s));
    if (fd < 0) {
        failErrno();
        return INVALID_SOCKET;
    }
    if (addr && fromPosix(ss, addr, addrlen) != 0) {
        ::close(fd);
        return INVALID_SOCKET;
    }
    return static_cast<SOCKET>(fd);
}

int ws_bind(SOCKET s, const sockaddr_ws* addr, int namelen) {
    if (!started()) return SOCKET_ERROR;
    if (!addr || namelen < static_cast<int>(sizeof(sockaddr_in_ws))) return fail(WSAEFAULT);
    sockaddr_in in = toPosix(addr);
    return ::bind(fdOf(s), reinterpret_cast<sockaddr*>(&in), sizeof in) == 0 ? 0 : failErrno();
}

int ws_closesocket(SOCKET s) {
    if (!started()) return SOCKET_ERROR;
    int fd = fdOf(s);
    Watcher::instance().remove(fd);
    return ::close(fd) == 0 ? 0 : failErrno();
}

bool nonBlocking(int fd) {
    int fl = fcntl(fd, F_GETFL);
    return fl >= 0 && (fl & O_NONBLOCK);
}

int ws_connect(SOCKET s, const sockaddr_ws* name, int namelen) {
    if (!started()) return SOCKET_ERROR;
    if (!name || namelen < static_cast<int>(sizeof(sockaddr_in_ws))) return fail(WSAEFAULT);
    sockaddr_in in = toPosix(name);
    int fd = fdOf(s);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&in), sizeof in) == 0) {
        // A connect that completes at once still reports FD_CONNECT, then FD_WRITE.
        if (nonBlocking(fd))
            Watcher::instance().connecting(fd);
        else
            Watcher::instance().rearmWrite(fd);
        return 0;
    }
    if (errno == EINPROGRESS && nonBlocking(fd)) Watcher::instance().connecting(fd);
    return failErrno();
}

int ws_getpeername(SOCKET s, sockaddr_ws* name, int* namelen) {
    if (!started()) return SOCKET_ERROR;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getpeername(fdOf(s), reinterpret_cast<sockaddr*>(&ss), &len) != 0) return failErrno();
    return fromPosix(ss, name, namelen);
}

int ws_getsockname(SOCKET s, sockaddr_ws* name, int* namelen) {
    if (!started()) return SOCKET_ERROR;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getsockname(fdOf(s), reinterpret_cast<sockaddr*>(&ss), &len) != 0) return failErrno();
    return fromPosix(ss, name, namelen);
}

int ws_getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
    if (!started()) return SOCKET_ERROR;
    int plevel, popt;
    if (!mapOption(level, optname, plevel, popt)) return fail(WSAENOPROTOOPT);
    if (!optval || !optlen) return fail(WSAEFAULT);
    if (popt == SO_LINGER && plevel == SOL_SOCKET) {
        if (*optlen < static_cast<int>(sizeof(linger_ws))) return fail(WSAEFAULT);
        ::linger l{};
        socklen_t len = sizeof l;
        if (::getsockopt(fdOf(s), plevel, popt, &l, &len) != 0) return failErrno();
        linger_ws w{static_cast<USHORT>(l.l_onoff ? 1 : 0), static_cast<USHORT>(l.l_linger)};
        std::memcpy(optval, &w, sizeof w);
        *optlen = sizeof w;
        return 0;
    }
    if (*optlen < static_cast<int>(sizeof(int))) return fail(WSAEFAULT);
    int v = 0;
    socklen_t len = sizeof v;
    if (::getsockopt(fdOf(s), plevel, popt, &v, &len) != 0) return failErrno();
    if (popt == SO_ERROR) v = wsaFromErrno(v);
    if (popt == SO_TYPE) v = v == SOCK_STREAM ? SOCK_STREAM_WS : v == SOCK_DGRAM ? SOCK_DGRAM_WS : v;
    std::memcpy(optval, &v, sizeof v);
    *optlen = sizeof v;
    return 0;
}

ULONG ws_htonl(ULONG v) { return ::htonl(v); }
USHORT ws_htons(USHORT v) { return ::htons(v); }
ULONG ws_ntohl(ULONG v) { return ::ntohl(v); }
USHORT ws_ntohs(USHORT v) { return ::ntohs(v); }

ULONG ws_inet_addr(const char* cp) {
    if (!cp) return INADDR_NONE;
    in_addr a{};
    // The classic parser takes the shorter and octal/hex forms too.
    if (::inet_aton(cp, &a) == 0) return INADDR_NONE;
    return a.s_addr;
}

char* ws_inet_ntoa(in_addr_ws in) {
    thread_local char buf[16];
    const auto* b = reinterpret_cast<const unsigned char*>(&in.s_addr);
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return buf;
}

int ws_ioctlsocket(SOCKET s, long cmd, ULONG* argp) {
    if (!started()) return SOCKET_ERROR;
    if (!argp) return fail(WSAEFAULT);
    int fd = fdOf(s);
    if (cmd == FIONBIO_WS) {
        int fl = fcntl(fd, F_GETFL);
        if (fl < 0) return failErrno();
        fl = *argp ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK);
        return fcntl(fd, F_SETFL, fl) == 0 ? 0 : failErrno();
    }
    if (cmd == FIONREAD_WS) {
        int n = 0;
        if (::ioctl(fd, FIONREAD, &n) != 0) return failErrno();
        *argp = static_cast<ULONG>(n);
        return 0;
    }
    return fail(WSAEINVAL);
}

int ws_listen(SOCKET s, int backlog) {
    if (!started()) return SOCKET_ERROR;
    return ::listen(fdOf(s), backlog) == 0 ? 0 : failErrno();
}

int ws_recv(SOCKET s, char* buf, int len, int flags) {
    if (!started()) return SOCKET_ERROR;
    int fd = fdOf(s);
    int pflags = (flags & MSG_PEEK_WS ? MSG_PEEK : 0) | (flags & MSG_OOB_WS ? MSG_OOB : 0);
    ssize_t n = ::recv(fd, buf, static_cast<std::size_t>(len < 0 ? 0 : len), pflags);
    if (!(flags & MSG_PEEK_WS)) Watcher::instance().rearmRead(fd);
    if (n < 0) return failErrno();
    return static_cast<int>(n);
}

int ws_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr_ws* from, int* fromlen) {
    if (!started()) return SOCKET_ERROR;
    sockaddr_storage ss{};
    socklen_t slen = sizeof ss;
    int pflags = (flags & MSG_PEEK_WS ? MSG_PEEK : 0) | (flags & MSG_OOB_WS ? MSG_OOB : 0);
    ssize_t n = ::recvfrom(fdOf(s), buf, static_cast<std::size_t>(len < 0 ? 0 : len), pflags,
                           reinterpret_cast<sockaddr*>(&ss), &slen);
    Watcher::instance().rearmRead(fdOf(s));
    if (n < 0) return failErrno();
    if (from && fromPosix(ss, from, fromlen) != 0) return SOCKET_ERROR;
    return static_cast<int>(n);
}

int ws_select(int, fd_set_ws* readfds, fd_set_ws* writefds, fd_set_ws* exceptfds, const timeval_ws* timeout) {
    if (!started()) return SOCKET_ERROR;
    std::vector<pollfd> fds;
    auto add = [&](fd_set_ws* set, short ev) {
        if (!set) return;
        for (UINT i = 0; i < set->fd_count && i < FD_SETSIZE_WS; ++i) fds.push_back({fdOf(set->fd_array[i]), ev, 0});
    };
    add(readfds, POLLIN);
    add(writefds, POLLOUT);
    add(exceptfds, POLLPRI);
    int ms = timeout ? static_cast<int>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000) : -1;
    int rc = ::poll(fds.data(), fds.size(), ms);
    if (rc < 0) return failErrno();
    std::size_t k = 0;
    int total = 0;
    auto collect = [&](fd_set_ws* set, short ev) {
        if (!set) return;
        UINT kept = 0;
        UINT count = set->fd_count < FD_SETSIZE_WS ? set->fd_count : FD_SETSIZE_WS;
        for (UINT i = 0; i < count; ++i, ++k) {
            if (fds[k].revents & (ev | POLLHUP | POLLERR)) set->fd_array[kept++] = set->fd_array[i];
        }
        set->fd_count = kept;
        total += static_cast<int>(kept);
    };
    collect(readfds, POLLIN);
    collect(writefds, POLLOUT);
    collect(exceptfds, POLLPRI);
    return total;
}

int ws_send(SOCKET s, const char* buf, int len, int flags) {
    if (!started()) return SOCKET_ERROR;
    int fd = fdOf(s);
    ssize_t n = ::send(fd, buf, static_cast<std::size_t>(len < 0 ? 0 : len),
                       MSG_NOSIGNAL | (flags & MSG_OOB_WS ? MSG_OOB : 0));
    if (n < 0) {
        if (errno == EAGAIN) Watcher::instance().rearmWrite(fd);
        // POSIX says "broken pipe" both for a socket that never connected and for one whose
        // sending side was shut down; the interface tells the two apart.
        if (errno == EPIPE) {
            sockaddr_storage peer{};
            socklen_t len = sizeof peer;
            return fail(::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 ? WSAESHUTDOWN : WSAENOTCONN);
        }
        return failErrno();
    }
    return static_cast<int>(n);
}

int ws_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr_ws* to, int tolen) {
    if (!started()) return SOCKET_ERROR;
    if (!to) return ws_send(s, buf, len, flags);
    if (tolen < static_cast<int>(sizeof(sockaddr_in_ws))) return fail(WSAEFAULT);
    sockaddr_in in = toPosix(to);
    ssize_t n = ::sendto(fdOf(s), buf, static_cast<std::size_t>(len < 0 ? 0 : len), MSG_NOSIGNAL,
                         reinterpret_cast<sockaddr*>(&in), sizeof in);
    if (n < 0) return failErrno();
    return static_cast<int>(n);
}

int ws_setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    if (!started()) return SOCKET_ERROR;
    int plevel, popt;
    if (!mapOption(level, optname, plevel, popt)) return fail(WSAENOPROTOOPT);
    if (!optval) return fail(WSAEFAULT);
    if (popt == SO_LINGER && plevel == SOL_SOCKET) {
        if (optlen < static_cast<int>(sizeof(linger_ws))) return fail(WSAEFAULT);
        linger_ws w;
        std::memcpy(&w, optval, sizeof w);
        ::linger l{w.l_onoff ? 1 : 0, w.l_linger};
        return ::setsockopt(fdOf(s), plevel, popt, &l, sizeof l) == 0 ? 0 : failErrno();
    }
    int v = 0;
    if (optlen >= static_cast<int>(sizeof(int)))
        std::memcpy(&v, optval, sizeof v);
    else if (optlen >= 1)
        v = static_cast<unsigned char>(optval[0]);
    else
        return fail(WSAEFAULT);
    if (popt == SO_SNDTIMEO || popt == SO_RCVTIMEO) {
        timeval tv{v / 1000, (v % 1000) * 1000};
        return ::setsockopt(fdOf(s), plevel, popt, &tv, sizeof tv) == 0 ? 0 : failErrno();
    }
    return ::setsockopt(fdOf(s), plevel, popt, &v, sizeof v) == 0 ? 0 : failErrno();
}

int ws_shutdown(SOCKET s, int how) {
    if (!started()) return SOCKET_ERROR;
    int phow = how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fdOf(s), phow) == 0 ? 0 : failErrno();
}

SOCKET ws_socket(int af, int type, int protocol) {
    if (!started()) return INVALID_SOCKET;
    if (af != AF_INET_WS) {
        fail(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    int ptype = type == SOCK_STREAM_WS ? SOCK_STREAM : type == SOCK_DGRAM_WS ? SOCK_DGRAM : -1;
    if (ptype < 0) {
        fail(WSAESOCKTNOSUPPORT);
        return INVALID_SOCKET;
    }
    int fd = ::socket(AF_INET, ptype | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        failErrno();
        return INVALID_SOCKET;
    }
    return static_cast<SOCKET>(fd);
}

hostent_ws* ws_gethostbyaddr(const char* addr, int len, int type) {
    if (!started()) return nullptr;
    if (!addr || len != 4 || type != AF_INET_WS) {
        fail(WSAEFAULT);
        return nullptr;
    }
    sockaddr_in in{};
    in.sin_family = AF_INET;
    std::memcpy(&in.sin_addr, addr, 4);
    char host[NI_MAXHOST];
    int rc = getnameinfo(reinterpret_cast<sockaddr*>(&in), sizeof in, host, sizeof host, nullptr, 0, NI_NAMEREQD);
    if (rc != 0) {
        fail(resolverError(rc));
        return nullptr;
    }
    in_addr_ws a;
    std::memcpy(&a.s_addr, addr, 4);
    return fillHost(hostBuffer, host, {a});
}

hostent_ws* ws_gethostbyname(const char* name) {
    if (!started()) return nullptr;
    if (!name) {
        fail(WSAEFAULT);
        return nullptr;
    }
    std::string canonical;
    std::vector<in_addr_ws> addrs;
    int rc = resolve(name, canonical, addrs);
    if (rc != 0) {
        fail(rc);
        return nullptr;
    }
    return fillHost(hostBuffer, canonical, addrs);
}

protoent_ws* ws_getprotobyname(const char* name) {
    if (!started()) return nullptr;
    thread_local protoent_ws entry;
    thread_local std::string pname;
    thread_local char* none[] = {nullptr};
    if (!name) return nullptr;
    int number = std::strcmp(name, "tcp") == 0 ? 6 : std::strcmp(name, "udp") == 0 ? 17 : std::strcmp(name, "ip") == 0 ? 0 : -1;
    if (number < 0) {
        fail(WSANO_DATA);
        return nullptr;
    }
    pname = name;
    entry = {pname.data(), none, static_cast<short>(number)};
    return &entry;
}

protoent_ws* ws_getprotobynumber(int number) {
    const char* name = number == 6 ? "tcp" : number == 17 ? "udp" : number == 0 ? "ip" : nullptr;
    if (!name) {
        fail(WSANO_DATA);
        return nullptr;
    }
    return ws_getprotobyname(name);
}

servent_ws* servent(const ::servent* s) {
    thread_local servent_ws entry;
    thread_local std::string name, proto;
    thread_local char* none[] = {nullptr};
    if (!s) {
        fail(WSANO_DATA);
        return nullptr;
    }
    name = s->s_name;
    proto = s->s_proto;
    entry = {name.data(), none, static_cast<short>(s->s_port), proto.data()};
    return &entry;
}

servent_ws* ws_getservbyname(const char* name, const char* proto) {
    if (!started() || !name) return nullptr;
    ::servent result{};
    ::servent* found = nullptr;
    char buf[1024];
    getservbyname_r(name, proto, &result, buf, sizeof buf, &found);
    return servent(found);
}

servent_ws* ws_getservbyport(int port, const char* proto) {
    if (!started()) return nullptr;
    ::servent result{};
    ::servent* found = nullptr;
    char buf[1024];
    getservbyport_r(port, proto, &result, buf, sizeof buf, &found);
    return servent(found);
}

int ws_gethostname(char* name, int namelen) {
    if (!started()) return SOCKET_ERROR;
    if (!name || namelen <= 0) return fail(WSAEFAULT);
    char host[256];
    if (::gethostname(host, sizeof host) != 0) return failErrno();
    host[sizeof host - 1] = 0;
    if (static_cast<int>(std::strlen(host)) >= namelen) return fail(WSAEFAULT);
    std::strcpy(name, host);
    return 0;
}

int ws_WSAAsyncSelect(SOCKET s, HWND hwnd, UINT msg, long event) {
    if (!started()) return SOCKET_ERROR;
    int fd = fdOf(s);
    int fl = fd < 0 ? -1 : fcntl(fd, F_GETFL);
    if (fl < 0) return fail(WSAENOTSOCK);
    if (event != 0) {
        if (!(fl & O_NONBLOCK)) fcntl(fd, F_SETFL, fl | O_NONBLOCK);
        if (!hwnd) return fail(WSAEINVAL);
    }
    Watcher::instance().set(fd, hwnd, msg, event);
    return 0;
}

// Asynchronous look-ups: answered by a thread of their own, posted to the window with the
// request handle in wParam and the buffer length and error in lParam.
std::atomic<std::uintptr_t> nextAsyncHandle{1};
std::mutex asyncLock;
std::map<std::uintptr_t, bool> asyncCancelled;

HANDLE ws_WSAAsyncGetHostByName(HWND hwnd, UINT msg, const char* name, char* buf, int buflen) {
    if (!started()) return nullptr;
    if (!name || !buf) {
        fail(WSAEFAULT);
        return nullptr;
    }
    std::uintptr_t id = nextAsyncHandle.fetch_add(1);
    {
        std::lock_guard lock(asyncLock);
        asyncCancelled[id] = false;
    }
    std::thread([=, host = std::string(name)] {
        std::string canonical;
        std::vector<in_addr_ws> addrs;
        int error = resolve(host.c_str(), canonical, addrs);
        // The answer is a hostent followed by what it points to, all inside the caller's buffer.
        std::size_t need = sizeof(hostent_ws) + 2 * sizeof(char*) + (addrs.size() + 1) * sizeof(char*) +
                           addrs.size() * 4 + canonical.size() + 1;
        int written = 0;
        {
            std::lock_guard lock(asyncLock);
            if (asyncCancelled[id]) {
                asyncCancelled.erase(id);
                return;
            }
            asyncCancelled.erase(id);
            if (!error && need > static_cast<std::size_t>(buflen)) error = WSAENOBUFS;
            if (!error) {
                auto* he = reinterpret_cast<hostent_ws*>(buf);
                char* p = buf + sizeof(hostent_ws);
                auto** aliases = reinterpret_cast<char**>(p);
                aliases[0] = nullptr;
                p += 2 * sizeof(char*);
                auto** list = reinterpret_cast<char**>(p);
                p += (addrs.size() + 1) * sizeof(char*);
                for (std::size_t i = 0; i < addrs.size(); ++i) {
                    std::memcpy(p, &addrs[i].s_addr, 4);
                    list[i] = p;
                    p += 4;
                }
                list[addrs.size()] = nullptr;
                std::memcpy(p, canonical.c_str(), canonical.size() + 1);
                he->h_name = p;
                he->h_aliases = aliases;
                he->h_addrtype = AF_INET_WS;
                he->h_length = 4;
                he->h_addr_list = list;
            }
            written = static_cast<int>(need);
        }
        PostMessageA(hwnd, msg, static_cast<WPARAM>(id),
                     static_cast<LPARAM>(MAKELONG(static_cast<WORD>(error == WSAENOBUFS ? need : written),
                                                  static_cast<WORD>(error))));
    }).detach();
    return reinterpret_cast<HANDLE>(id);
}

HANDLE ws_WSAAsyncGetHostByAddr(HWND, UINT, const char*, int, int, char*, int) {
    fail(WSAEOPNOTSUPP);
    return nullptr;
}
HANDLE ws_WSAAsyncGetProtoByNumber(HWND, UINT, int, char*, int) {
    fail(WSAEOPNOTSUPP);
    return nullptr;
}
HANDLE ws_WSAAsyncGetProtoByName(HWND, UINT, const char*, char*, int) {
    fail(WSAEOPNOTSUPP);
    return nullptr;
}
HANDLE ws_WSAAsyncGetServByPort(HWND, UINT, int, const char*, char*, int) {
    fail(WSAEOPNOTSUPP);
    return nullptr;
}
HANDLE ws_WSAAsyncGetServByName(HWND, UINT, const char*, const char*, char*, int) {
    fail(WSAEOPNOTSUPP);
    return nullptr;
}

int ws_WSACancelAsyncRequest(HANDLE request) {
    std::lock_guard lock(asyncLock);
    auto it = asyncCancelled.find(reinterpret_cast<std::uintptr_t>(request));
    if (it == asyncCancelled.end()) return fail(WSAEALREADY);
    it->second = true;
    return 0;
}

// Calls never block the way the blocking hooks assume, so the hooks are accepted and unused.
FARPROC ws_WSASetBlockingHook(FARPROC hook) { return hook; }
int ws_WSAUnhookBlockingHook() { return 0; }
int ws_WSAGetLastError() { return lastWsaError; }
void ws_WSASetLastError(int error) { lastWsaError = error; }
int ws_WSACancelBlockingCall() { return 0; }
BOOL ws_WSAIsBlocking() { return FALSE; }

int ws_WSAStartup(WORD version, LPWSADATA data) {
    if (!data) return WSAEFAULT;
    BYTE major = LOBYTE(version), minor = HIBYTE(version);
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    std::memset(data, 0, sizeof *data);
    data->wVersion = MAKEWORD(1, 1);
    data->wHighVersion = MAKEWORD(1, 1);
    std::snprintf(data->szDescription, sizeof data->szDescription, "Sockets 1.1 over POSIX");
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
    startups.fetch_add(1);
    return 0;
}

int ws_WSACleanup() {
    int n = startups.load();
    while (n > 0 && !startups.compare_exchange_weak(n, n - 1)) {
    }
    if (n <= 0) return fail(WSANOTINITIALISED);
    return 0;
}

int ws___WSAFDIsSet(SOCKET s, fd_set_ws* set) {
    if (!set) return 0;
    for (UINT i = 0; i < set->fd_count && i < FD_SETSIZE_WS; ++i)
        if (set->fd_array[i] == s) return 1;
    return 0;
}

}  // namespace

// The module's one export: its entry points by ordinal.
extern "C" __attribute__((visibility("default"))) FARPROC PlatformProcByOrdinal(WORD ordinal) {
    switch (ordinal) {
#define WINSOCK_CASE(ord, name, ret, args) \
    case ord: return reinterpret_cast<FARPROC>(static_cast<winsock::name##_fn>(ws_##name));
        WINSOCK_ENTRY_POINTS(WINSOCK_CASE)
#undef WINSOCK_CASE
        default: return nullptr;
    }
}
