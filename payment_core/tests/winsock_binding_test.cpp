#include <string>
#include <thread>
#include <vector>

#include "payment_core/tests/net_test.h"
#include "win32/module.h"

using namespace payment_core;
using net_test::config;

namespace {

// The path is process-wide; every test leaves the default behind.
struct WinsockPathFor {
    explicit WinsockPathFor(const char* path) { setWinsockPath(path); }
    ~WinsockPathFor() { setWinsockPath(""); }
};

template <class Fn>
Fn moduleFunction(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

CORE_TEST(WinsockBinding, CallsBeforeAnyLoadFailWithNotInitialised) {
    ASSERT_EQ(winsockUsers(), 0);
    WinsockTable& ws = winsockTable();
    EXPECT_EQ(ws.socket(AF_INET_WS, SOCK_STREAM_WS, 0), INVALID_SOCKET);
    EXPECT_EQ(ws.WSAGetLastError(), 10093);
    EXPECT_EQ(ws.connect(0, nullptr, 0), -1);
    EXPECT_EQ(ws.inet_addr("127.0.0.1"), INADDR_NONE);
    EXPECT_EQ(ws.htons(80), 0);
    EXPECT_EQ(ws.gethostbyname("localhost"), nullptr);
    EXPECT_EQ(ws.WSAAsyncGetHostByName(nullptr, 0, "x", nullptr, 0), nullptr);
    WSADATA data{};
    EXPECT_EQ(ws.WSAStartup(0x0101, &data), 10091);
    ws.WSASetLastError(5);
    EXPECT_EQ(ws.WSAGetLastError(), 10093);
}

CORE_TEST(WinsockBinding, TwoComponentsBindTheTableOnceAndHoldItUntilBothLetGo) {
    WinsockPathFor path(FAKE_WINSOCK_11);
    HMODULE fake = LoadLibraryA(FAKE_WINSOCK_11);
    ASSERT_NE(fake, nullptr);
    auto lookups = moduleFunction<int (*)()>(fake, "FakeWinsockLookups");
    auto openStartups = moduleFunction<int (*)()>(fake, "FakeWinsockOpenStartups");
    auto ordinals = moduleFunction<FARPROC (*)(WORD)>(fake, "PlatformProcByOrdinal");
    ASSERT_TRUE(lookups && openStartups && ordinals);
    const int before = lookups();
    {
        auto first = std::make_unique<net_test::TestTransport>();
        {
            net_test::TestTransport second;
            EXPECT_EQ(config(*first, "WinsockLoaded"), "True");
            EXPECT_EQ(config(second, "WinsockLoaded"), "True");
            EXPECT_EQ(lookups() - before, 47);
            EXPECT_EQ(winsockUsers(), 2);
            EXPECT_EQ(openStartups(), 2);
            EXPECT_EQ(config(second, "WinsockInfo"), "Fake provider");
            EXPECT_EQ(config(second, "WinsockMaxSockets"), "7");
            EXPECT_EQ(config(second, "WinsockMaxDatagramSize"), "512");
        }
        EXPECT_EQ(winsockUsers(), 1);
        EXPECT_EQ(reinterpret_cast<FARPROC>(winsockTable().WSAStartup.get()), ordinals(115));
        // Slots the provider lacks keep their fallbacks.
        EXPECT_EQ(winsockTable().socket(AF_INET_WS, SOCK_STREAM_WS, 0), INVALID_SOCKET);
        first.reset();
    }
    EXPECT_EQ(winsockUsers(), 0);
    EXPECT_EQ(openStartups(), 0);
    InlineString99 status;
    winsockStatus(status);
    EXPECT_STREQ(status.data(), "Down");
    EXPECT_EQ(lookups() - before, 47 + 1) << "only the test's own look-up came after the bind";
    EXPECT_NE(reinterpret_cast<FARPROC>(winsockTable().WSAStartup.get()), ordinals(115));
    EXPECT_EQ(winsockTable().WSAGetLastError(), 10093);
    FreeLibrary(fake);
}

CORE_TEST(WinsockBinding, ComponentsOnSeveralThreadsShareOneLoad) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([] {
            for (int round = 0; round < 25; ++round) {
                net_test::TestTransport client;
                EXPECT_TRUE(client.isWinsockLoaded());
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(winsockUsers(), 0);
    EXPECT_EQ(winsockTable().WSAGetLastError(), 10093);
}

CORE_TEST(WinsockBinding, MissingLibraryIsReportedInTheStatus) {
    WinsockPathFor path("/nonexistent/libnothing.so");
    net_test::TestTransport client;
    EXPECT_EQ(config(client, "WinsockLoaded"), "False");
    EXPECT_EQ(config(client, "WinsockStatus"), "Could not load Winsock DLL.");
    EXPECT_EQ(config(client, "WinsockPath"), "/nonexistent/libnothing.so");
    EXPECT_EQ(winsockUsers(), 0);
}

CORE_TEST(WinsockBinding, ProviderNegotiatingAnotherVersionIsRefusedAndReleased) {
    {
        WinsockPathFor path(FAKE_WINSOCK_22);
        net_test::TestTransport client;
        EXPECT_EQ(config(client, "WinsockLoaded"), "False");
        EXPECT_EQ(config(client, "WinsockStatus"), "Incompatible Winsock version.");
        EXPECT_EQ(winsockUsers(), 0);
        EXPECT_EQ(winsockTable().WSAGetLastError(), 10093);
    }
    // The refused load was given back: the module is no longer loaded.
    EXPECT_EQ(GetModuleHandleA(FAKE_WINSOCK_22), nullptr);
}

CORE_TEST(WinsockBinding, QueriesOfTheLoadedStandIn) {
    net_test::TestTransport client;
    EXPECT_EQ(config(client, "winsockloaded"), "True");
    EXPECT_EQ(config(client, "WinsockStatus"), "Running");
    EXPECT_FALSE(config(client, "WinsockInfo").empty());
    EXPECT_NE(config(client, "WinsockMaxSockets"), "0");
    const std::string path = config(client, "WinsockPath");
    EXPECT_EQ(path.substr(path.size() - 14), "/libwsock32.so") << path;
    int result = 0;
    EXPECT_EQ(config(client, "WinsockInfo=abc", &result), "");
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(client.lastError.data(), "Unknown config setting.");
    config(client, "WinsockLoaded=false", &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(config(client, "WinsockLoaded"), "True");
}

}  // namespace
