#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "posix_peer.h"
#include "testing/loopback.h"
#include "win32/module.h"
#include "winsock/winsock.h"

namespace {

constexpr UINT kNotify = WM_USER + 25;

struct Api {
#define WINSOCK_TEST_SLOT(ord, name, ret, args) winsock::name##_fn name = nullptr;
    WINSOCK_ENTRY_POINTS(WINSOCK_TEST_SLOT)
#undef WINSOCK_TEST_SLOT
};

struct Event {
    int event;
    int error;
};
std::vector<Event> g_events;

LRESULT recordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kNotify) {
        g_events.push_back({WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int countOf(int event) {
    int n = 0;
    for (const Event& e : g_events) n += e.event == event;
    return n;
}

void pumpFor(std::chrono::milliseconds span, const std::function<bool()>& done = [] { return false; }) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        if (done()) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool pumpUntil(const std::function<bool()>& done) {
    pumpFor(std::chrono::milliseconds(5000), done);
    return done();
}

// A window on a thread of its own, which waits in GetMessageA: only a notification wakes it.
class RemoteWindow {
public:
    RemoteWindow() {
        thread_ = std::thread([this] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &RemoteWindow::proc;
            wc.lpszClassName = "winsock_test_remote";
            RegisterClassA(&wc);
            HWND hwnd = CreateWindowExA(0, "winsock_test_remote", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
            hwnd_ = hwnd;
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
            DestroyWindow(hwnd);
        });
        while (!hwnd_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RemoteWindow() { end(); }

    HWND hwnd() const { return hwnd_; }
    void end() {
        if (!thread_.joinable()) return;
        PostMessageA(hwnd_, kQuit, 0, 0);
        thread_.join();
    }
    std::vector<Event> events() {
        std::lock_guard lock(lock_);
        return events_;
    }
    int countOf(int event) {
        int n = 0;
        for (const Event& e : events()) n += e.event == event;
        return n;
    }
    bool waitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    }

private:
    static constexpr UINT kQuit = WM_USER + 26;
    static LRESULT proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RemoteWindow*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
        if (msg == kQuit) {
            PostQuitMessage(0);
            return 0;
        }
        if (msg == kNotify && self) {
            std::lock_guard lock(self->lock_);
            self->events_.push_back({WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    std::atomic<HWND> hwnd_{nullptr};
    std::mutex lock_;
    std::vector<Event> events_;
    std::thread thread_;
};

// The server side is plain POSIX, so the test controls exactly when bytes are read and written.
class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA("WSOCK32.DLL");
        ASSERT_NE(module_, nullptr);
#define WINSOCK_TEST_BIND(ord, name, ret, args) \
    api.name = reinterpret_cast<winsock::name##_fn>(GetProcAddress(module_, MAKEINTRESOURCEA(ord)));
        WINSOCK_ENTRY_POINTS(WINSOCK_TEST_BIND)
#undef WINSOCK_TEST_BIND
        ASSERT_NE(api.WSAStartup, nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "winsock_test_window";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "winsock_test_window", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        g_events.clear();
        listener_ = posix_peer::listenLoopback(port_);
        ASSERT_GE(listener_, 0);
    }
    void TearDown() override {
        posix_peer::closeFd(server_);
        posix_peer::closeFd(listener_);
        if (started_) api.WSACleanup();
        DestroyWindow(window_);
        FreeLibrary(module_);
    }

    void start() {
        WSADATA data{};
        ASSERT_EQ(api.WSAStartup(MAKEWORD(1, 1), &data), 0);
        started_ = true;
    }

    sockaddr_in_ws target(int port) {
        sockaddr_in_ws t{};
        t.sin_family = AF_INET_WS;
        t.sin_port = api.htons(static_cast<USHORT>(port));
        t.sin_addr.s_addr = api.inet_addr("127.0.0.1");
        return t;
    }

    // An asynchronous socket connecting to the listener; the server side is accepted.
    SOCKET connectAsync(long events = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) {
        SOCKET s = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
        EXPECT_NE(s, INVALID_SOCKET);
        EXPECT_EQ(api.WSAAsyncSelect(s, window_, kNotify, events), 0);
        sockaddr_in_ws t = target(port_);
        const int rc = api.connect(s, reinterpret_cast<sockaddr_ws*>(&t), sizeof t);
        if (rc != 0) {
            EXPECT_EQ(api.WSAGetLastError(), WSAEWOULDBLOCK);
        }
        server_ = posix_peer::acceptOne(listener_);
        EXPECT_GE(server_, 0);
        EXPECT_TRUE(pumpUntil([] { return countOf(FD_CONNECT) > 0; }));
        return s;
    }

    Api api;
    HMODULE module_ = nullptr;
    HWND window_ = nullptr;
    int listener_ = -1;
    int server_ = -1;
    int port_ = 0;
    bool started_ = false;
};

TEST_F(WinsockTest, StartupNegotiatesVersionOneOne) {
    WSADATA data{};
    EXPECT_EQ(api.WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
    ASSERT_EQ(api.WSAStartup(MAKEWORD(2, 2), &data), 0);
    started_ = true;
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_GT(data.iMaxSockets, 0);
    EXPECT_NE(data.szDescription[0], 0);
    // Blocking hooks are taken and change nothing.
    FARPROC hook = reinterpret_cast<FARPROC>(&recordingProc);
    EXPECT_EQ(api.WSASetBlockingHook(hook), hook);
    EXPECT_EQ(api.WSAUnhookBlockingHook(), 0);
}

TEST_F(WinsockTest, CallsBeforeStartupFailWithNotInitialised) {
    EXPECT_EQ(api.socket(AF_INET_WS, SOCK_STREAM_WS, 0), INVALID_SOCKET);
    EXPECT_EQ(api.WSAGetLastError(), WSANOTINITIALISED);
}

TEST_F(WinsockTest, ConnectWriteReadAndCloseAreEachPostedAsPromised) {
    start();
    SOCKET s = connectAsync();
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_WRITE) > 0; }));
    ASSERT_EQ(g_events.front().event, FD_CONNECT);
    EXPECT_EQ(g_events.front().error, 0);

    ASSERT_TRUE(posix_peer::writeBytes(server_, "hello", 5));
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_READ) == 1; }));
    // Without a recv the notification is not posted again.
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(countOf(FD_READ), 1);

    char buf[8];
    ASSERT_EQ(api.recv(s, buf, 2, 0), 2);
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_READ) == 2; })) << "data remains, so recv re-arms";
    ASSERT_EQ(api.recv(s, buf, sizeof buf, 0), 3);
    EXPECT_EQ(std::string(buf, 3), "llo");

    posix_peer::closeFd(server_);
    server_ = -1;
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_CLOSE) == 1; }));
    EXPECT_EQ(g_events.back().error, 0);
    EXPECT_EQ(api.recv(s, buf, sizeof buf, 0), 0);
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(countOf(FD_CLOSE), 1);
    EXPECT_EQ(countOf(FD_CONNECT), 1);
    EXPECT_EQ(countOf(FD_WRITE), 1);
    EXPECT_EQ(api.closesocket(s), 0);
}

TEST_F(WinsockTest, RefusedConnectReportsOnceWithItsErrorAndNoClose) {
    start();
    SOCKET s = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    ASSERT_EQ(api.WSAAsyncSelect(s, window_, kNotify, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    sockaddr_in_ws t = target(fixtures::refusingPort());
    if (api.connect(s, reinterpret_cast<sockaddr_ws*>(&t), sizeof t) != 0) {
        const int error = api.WSAGetLastError();
        ASSERT_TRUE(error == WSAEWOULDBLOCK || error == WSAECONNREFUSED) << error;
        if (error == WSAECONNREFUSED) GTEST_SKIP() << "refused at once";
    }
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_CONNECT) == 1; }));
    EXPECT_EQ(g_events.front().error, WSAECONNREFUSED);
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(g_events.size(), 1u);
    api.closesocket(s);
}

TEST_F(WinsockTest, SocketThatIsNotConnectingReportsNothing) {
    start();
    SOCKET s = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    ASSERT_EQ(api.WSAAsyncSelect(s, window_, kNotify, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_TRUE(g_events.empty()) << g_events.front().event;
    api.closesocket(s);
}

TEST_F(WinsockTest, WriteIsPostedAgainAfterASendThatWouldBlock) {
    start();
    SOCKET s = connectAsync();
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_WRITE) == 1; }));
    const std::string chunk(65536, 'x');
    int rc = 0;
    for (int i = 0; i < 4096 && rc != SOCKET_ERROR; ++i) rc = api.send(s, chunk.data(), static_cast<int>(chunk.size()), 0);
    ASSERT_EQ(rc, SOCKET_ERROR);
    ASSERT_EQ(api.WSAGetLastError(), WSAEWOULDBLOCK);
    pumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(countOf(FD_WRITE), 1);
    ASSERT_TRUE(pumpUntil([&] {
        posix_peer::drain(server_);
        return countOf(FD_WRITE) == 2;
    }));
    api.closesocket(s);
}

TEST_F(WinsockTest, ErrorsMapToSocketCodes) {
    start();
    SOCKET s = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    char byte = 0;
    EXPECT_EQ(api.send(s, &byte, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), WSAENOTCONN);
    EXPECT_EQ(api.closesocket(s), 0);
    EXPECT_EQ(api.recv(s, &byte, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(api.socket(99, SOCK_STREAM_WS, 0), INVALID_SOCKET);
    EXPECT_EQ(api.WSAGetLastError(), WSAEAFNOSUPPORT);
    int value = 0, length = sizeof value;
    SOCKET t = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    EXPECT_EQ(api.getsockopt(t, SOL_SOCKET_WS, 0x7777, reinterpret_cast<char*>(&value), &length), SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), WSAENOPROTOOPT);
    // Our own listener's port is taken.
    sockaddr_in_ws taken = target(port_);
    EXPECT_EQ(api.bind(t, reinterpret_cast<sockaddr_ws*>(&taken), sizeof taken), SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), WSAEADDRINUSE);
    api.closesocket(t);
    EXPECT_EQ(api.gethostbyname("no-such-host.invalid"), nullptr);
    const int lookup = api.WSAGetLastError();
    EXPECT_TRUE(lookup >= WSAHOST_NOT_FOUND && lookup <= WSANO_DATA) << lookup;
    hostent_ws* local = api.gethostbyname("127.0.0.1");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(*reinterpret_cast<ULONG*>(local->h_addr_list[0]), api.inet_addr("127.0.0.1"));
    EXPECT_EQ(api.inet_addr("not an address"), INADDR_NONE);
}

TEST_F(WinsockTest, ResetByPeerClosesWithItsError) {
    start();
    SOCKET s = connectAsync();
    posix_peer::abortiveClose(server_);
    server_ = -1;
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_CLOSE) == 1; }));
    EXPECT_EQ(g_events.back().error, WSAECONNRESET);
    api.closesocket(s);
}

TEST_F(WinsockTest, DataBeforeAnOrderlyCloseIsReportedBeforeTheClose) {
    start();
    SOCKET s = connectAsync();
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_WRITE) == 1; }));
    ASSERT_TRUE(posix_peer::writeBytes(server_, "bye", 3));
    posix_peer::closeFd(server_);
    server_ = -1;
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_READ) == 1; }));
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(countOf(FD_CLOSE), 0) << "the close waits until the data is taken";
    char buf[8];
    ASSERT_EQ(api.recv(s, buf, sizeof buf, 0), 3);
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_CLOSE) == 1; }));
    EXPECT_EQ(g_events.back().error, 0);
    EXPECT_EQ(countOf(FD_READ), 1);
    api.closesocket(s);
}

TEST_F(WinsockTest, AcceptIsPostedOncePerAcceptedConnection) {
    start();
    SOCKET l = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    sockaddr_in_ws any = target(0);
    ASSERT_EQ(api.bind(l, reinterpret_cast<sockaddr_ws*>(&any), sizeof any), 0);
    ASSERT_EQ(api.listen(l, 4), 0);
    sockaddr_in_ws bound{};
    int length = sizeof bound;
    ASSERT_EQ(api.getsockname(l, reinterpret_cast<sockaddr_ws*>(&bound), &length), 0);
    ASSERT_EQ(api.WSAAsyncSelect(l, window_, kNotify, FD_ACCEPT), 0);
    const int port = api.ntohs(bound.sin_port);
    const int first = posix_peer::connectLoopback(port);
    const int second = posix_peer::connectLoopback(port);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_ACCEPT) == 1; }));
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(countOf(FD_ACCEPT), 1) << "not again before an accept";
    SOCKET a = api.accept(l, nullptr, nullptr);
    ASSERT_NE(a, INVALID_SOCKET);
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_ACCEPT) == 2; })) << "another connection waits";
    SOCKET b = api.accept(l, nullptr, nullptr);
    ASSERT_NE(b, INVALID_SOCKET);
    pumpFor(std::chrono::milliseconds(150));
    EXPECT_EQ(countOf(FD_ACCEPT), 2);
    api.closesocket(a);
    api.closesocket(b);
    api.closesocket(l);
    posix_peer::closeFd(first);
    posix_peer::closeFd(second);
}

TEST_F(WinsockTest, EventsOfAClosedSocketNeverReachTheOneThatTakesItsNumber) {
    start();
    SOCKET old = connectAsync();
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_WRITE) == 1; }));
    // The old connection outlives its number, and stays readable after the number is reused.
    const int held = posix_peer::duplicate(static_cast<int>(old));
    ASSERT_GE(held, 0);
    ASSERT_EQ(api.closesocket(old), 0);
    const int oldPeer = server_;
    SOCKET reused = connectAsync();
    if (reused != old) {
        posix_peer::closeFd(held);
        posix_peer::closeFd(oldPeer);
        api.closesocket(reused);
        GTEST_SKIP() << "the number was not reused";
    }
    ASSERT_TRUE(pumpUntil([] { return countOf(FD_WRITE) == 2; }));
    ASSERT_TRUE(posix_peer::writeBytes(oldPeer, "stale", 5));
    posix_peer::closeFd(oldPeer);
    pumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(countOf(FD_READ), 0);
    EXPECT_EQ(countOf(FD_CLOSE), 0);
    ASSERT_TRUE(posix_peer::writeBytes(server_, "fresh", 5));
    EXPECT_TRUE(pumpUntil([] { return countOf(FD_READ) == 1; }));
    posix_peer::closeFd(held);
    api.closesocket(reused);
}

TEST_F(WinsockTest, NotificationsReachAWindowOfAnotherThread) {
    start();
    RemoteWindow remote;
    SOCKET s = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    ASSERT_EQ(api.WSAAsyncSelect(s, remote.hwnd(), kNotify, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    sockaddr_in_ws t = target(port_);
    if (api.connect(s, reinterpret_cast<sockaddr_ws*>(&t), sizeof t) != 0) {
        ASSERT_EQ(api.WSAGetLastError(), WSAEWOULDBLOCK);
    }
    server_ = posix_peer::acceptOne(listener_);
    ASSERT_TRUE(remote.waitFor([&] { return remote.countOf(FD_WRITE) == 1; }));
    EXPECT_EQ(remote.events().front().event, FD_CONNECT);

    ASSERT_TRUE(posix_peer::writeBytes(server_, "hello", 5));
    ASSERT_TRUE(remote.waitFor([&] { return remote.countOf(FD_READ) == 1; }));
    // A recv on this thread re-arms the read for the window's thread, which only waits.
    char buf[8];
    ASSERT_EQ(api.recv(s, buf, 2, 0), 2);
    ASSERT_TRUE(remote.waitFor([&] { return remote.countOf(FD_READ) == 2; }));
    ASSERT_EQ(api.recv(s, buf, sizeof buf, 0), 3);
    posix_peer::closeFd(server_);
    server_ = -1;
    ASSERT_TRUE(remote.waitFor([&] { return remote.countOf(FD_CLOSE) == 1; }));
    EXPECT_EQ(api.closesocket(s), 0);
    EXPECT_TRUE(g_events.empty()) << "nothing goes to this thread's window";

    // A socket left selected for a window whose thread has ended reports nothing and closes.
    SOCKET left = api.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    ASSERT_EQ(api.WSAAsyncSelect(left, remote.hwnd(), kNotify, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    if (api.connect(left, reinterpret_cast<sockaddr_ws*>(&t), sizeof t) != 0) {
        ASSERT_EQ(api.WSAGetLastError(), WSAEWOULDBLOCK);
    }
    server_ = posix_peer::acceptOne(listener_);
    ASSERT_TRUE(remote.waitFor([&] { return remote.countOf(FD_WRITE) == 2; }));
    remote.end();
    ASSERT_TRUE(posix_peer::writeBytes(server_, "late", 4));
    pumpFor(std::chrono::milliseconds(100));
    ASSERT_EQ(api.recv(left, buf, sizeof buf, 0), 4);
    EXPECT_EQ(api.closesocket(left), 0);
}

}  // namespace
