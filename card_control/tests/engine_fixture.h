#pragma once
// An engine pointed at loopback peers: the test CA is trusted as an installed root would be, and
// the chosen gateway's endpoint is replaced by the peer's address.

#include "card_control/gateway_engine.h"
#include "crypt32/crypt32.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/trusted_ca.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace card_control::testing_support {

template <int N>
std::string str(const payment_core::InlineString<N>& s) {
    return {s.data(), static_cast<std::size_t>(s.length())};
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline Pairs formPairs(const GatewayEngine& engine) {
    Pairs pairs;
    for (int i = 0; i < engine.formNames.count(); ++i)
        pairs.emplace_back(std::string(engine.formNames.get(i), static_cast<std::size_t>(engine.formNames.itemLength(i))),
                           std::string(engine.formValues.get(i), static_cast<std::size_t>(engine.formValues.itemLength(i))));
    return pairs;
}

inline std::string formValue(const GatewayEngine& engine, const std::string& name) {
    for (const auto& [n, v] : formPairs(engine))
        if (n == name) return v;
    return "<absent>";
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixtures::trustTestCa());
        engine.setTimeout(10);
    }

    // Chooses the gateway and sends its requests to the loopback server under path.
    void point(int gateway, const std::string& path = "/gw") {
        ASSERT_EQ(engine.setGateway(gateway), 0);
        engine.GatewayURL.assignCString(server.url(path, "localhost").c_str());
    }

    void setCard(const char* number = "4111111111111111", const char* month = "7", const char* year = "2008") {
        ASSERT_EQ(engine.setCardNumber(number), 0);
        ASSERT_EQ(engine.setCardExpMonth(month), 0);
        ASSERT_EQ(engine.setCardExpYear(year), 0);
    }

    void set(RequestSlot s, const char* text) { engine.slot(s).assignCString(text); }
    std::string response(ResponseSlot s) const { return engine.responseField(s); }

    fixtures::HttpsServer server;
    GatewayEngine engine;
};

}  // namespace card_control::testing_support
