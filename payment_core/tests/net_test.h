#pragma once
// Helpers of the network levels' tests: a message pump with a bound, and recording subclasses
// of the socket client and the transport.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "payment_core/message_transport.h"
#include "payment_core/tcp_client.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/winsock_binding.h"

namespace net_test {

// Dispatches the thread's messages until done() or five seconds have passed.
inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

struct Item {
    std::string bytes;
    int eolFound;
    bool operator==(const Item&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Item& item) {
    return os << "{\"" << item.bytes << "\", " << item.eolFound << "}";
}

class RecordingClient : public payment_core::TcpClient {
public:
    void onTcpConnected(int code) override { connects.push_back(code); }
    void onTcpDisconnected(int code) override { disconnects.push_back(code); }
    void onTcpDataIn(const char* bytes, int length, int eolFound) override {
        items.push_back({std::string(bytes, static_cast<std::size_t>(length)), eolFound});
        if (afterItem) afterItem();
    }
    void onTcpError(int code, const char* text) override { errors.push_back(std::to_string(code) + " " + text); }

    std::vector<int> connects;
    std::vector<int> disconnects;
    std::vector<Item> items;
    std::vector<std::string> errors;
    std::function<void()> afterItem;
};

class TestTransport : public payment_core::MessageTransport {
public:
    TestTransport() { setSslMode(false); }
    void fireConnected(int code, const char* text) override { connected.push_back(std::to_string(code) + " " + text); }
    void fireDisconnected(int code, const char* text) override {
        disconnected.push_back(std::to_string(code) + " " + text);
    }
    void fireError(int code, const char* text) override { errors.push_back(std::to_string(code) + " " + text); }
    void fireStatus(const char* text, int code, const char*) override {
        statuses.push_back(std::string(text) + " " + std::to_string(code));
    }

    std::string received() const { return std::string(message.data(), static_cast<std::size_t>(message.length())); }
    bool socketOpen() const { return socket != INVALID_SOCKET; }

    std::vector<std::string> connected;
    std::vector<std::string> disconnected;
    std::vector<std::string> errors;
    std::vector<std::string> statuses;
};

inline std::string config(payment_core::CoreComponent& component, const char* text, int* result = nullptr) {
    const char* answer = nullptr;
    const int r = payment_core::dispatchConfig(component, text, &answer);
    if (result) *result = r;
    return answer ? answer : "";
}

inline std::string portBytes(int port) {
    return std::string{static_cast<char>((port >> 8) & 0xFF), static_cast<char>(port & 0xFF)};
}

}  // namespace net_test

// The build's name, for parameterised tests, whose suite names cannot carry it.
#define NET_TEST_STRING2(x) #x
#define NET_TEST_STRING(x) NET_TEST_STRING2(x)
#define CORE_BUILD_NAME NET_TEST_STRING(CORE_TEST_PREFIX)
