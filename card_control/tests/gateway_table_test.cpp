#include "card_control/gateway_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace card_control;

namespace {

bool sameText(const char* a, const char* b) { return a == b || (a && b && std::strcmp(a, b) == 0); }

// Every column but id and endpoint.
void expectSameContent(const GatewayRow& a, const GatewayRow& b) {
    for (int i = 0; i < RequestSlotCount; ++i) EXPECT_TRUE(sameText(a.requestNames[i], b.requestNames[i])) << i;
    for (int i = 0; i < ResponseSlotCount; ++i) EXPECT_TRUE(sameText(a.answerKeys[i], b.answerKeys[i])) << i;
    EXPECT_EQ(a.pairCount, b.pairCount);
    for (int i = 0; i < FixedPairCapacity; ++i) {
        EXPECT_TRUE(sameText(a.fixedPairs[i].name, b.fixedPairs[i].name)) << i;
        EXPECT_TRUE(sameText(a.fixedPairs[i].value, b.fixedPairs[i].value)) << i;
    }
    for (int i = 0; i < TransactionCodeCount; ++i)
        EXPECT_TRUE(sameText(a.transactionCodes[i], b.transactionCodes[i])) << i;
    for (int i = 0; i < CardCodeCount; ++i) EXPECT_TRUE(sameText(a.cardCodes[i], b.cardCodes[i])) << i;
    for (int i = 0; i < ApprovalPrefixCapacity; ++i)
        EXPECT_TRUE(sameText(a.approvalPrefixes[i], b.approvalPrefixes[i])) << i;
    for (int i = 0; i < ApprovalCodeCapacity; ++i) EXPECT_TRUE(sameText(a.approvalCodes[i], b.approvalCodes[i])) << i;
}

std::string_view hostOf(std::string_view url) {
    url.remove_prefix(url.find("://") + 3);
    return url.substr(0, url.find_first_of(":/"));
}

bool isDecimal(const char* text) {
    char* end = nullptr;
    std::strtol(text, &end, 10);
    return *text && *end == 0;
}

}  // namespace

TEST(CardGatewayTable, EveryRowCarriesItsOwnIdAndRowZeroIsEmpty) {
    GatewayTable::initialise();
    for (int g = 0; g < GatewayCount; ++g) EXPECT_EQ(GatewayTable::row(g).id, g);
    const GatewayRow& none = GatewayTable::row(gwNoGateway);
    EXPECT_EQ(none.endpoint, nullptr);
    EXPECT_EQ(none.pairCount, 0);
    for (const char* name : none.requestNames) EXPECT_EQ(name, nullptr);
    for (const char* prefix : none.approvalPrefixes) EXPECT_EQ(prefix, nullptr);
    for (const char* code : none.approvalCodes) EXPECT_EQ(code, nullptr);
    EXPECT_FALSE(GatewayTable::isGateway(0));
    EXPECT_TRUE(GatewayTable::isGateway(45));
    EXPECT_FALSE(GatewayTable::isGateway(46));
}

TEST(CardGatewayTable, RowsAreCompleteWhereTheyMustBe) {
    for (int g = 1; g < GatewayCount; ++g) {
        SCOPED_TRACE(g);
        const GatewayRow& row = GatewayTable::row(g);
        ASSERT_NE(row.endpoint, nullptr);
        for (const char* name : row.requestNames) EXPECT_NE(name, nullptr);
        for (const char* key : row.answerKeys) EXPECT_NE(key, nullptr);
        for (const char* code : row.transactionCodes) EXPECT_NE(code, nullptr);
        ASSERT_GE(row.pairCount, 0);
        ASSERT_LE(row.pairCount, FixedPairCapacity);
        for (int i = 0; i < FixedPairCapacity; ++i) {
            EXPECT_EQ(row.fixedPairs[i].name != nullptr, i < row.pairCount) << i;
            EXPECT_EQ(row.fixedPairs[i].value != nullptr, i < row.pairCount) << i;
        }
        // Card codes are all there or all absent: a row either sends a card type or never does.
        int cardCodes = 0;
        for (const char* code : row.cardCodes) cardCodes += code != nullptr;
        EXPECT_TRUE(cardCodes == 0 || cardCodes == CardCodeCount);
        EXPECT_EQ(cardCodes != 0, std::strcmp(row.requestName(RequestSlot::CardType), "NULL") != 0);
        // Something approves, and the texts of each list are packed at its front.
        EXPECT_TRUE(row.approvalPrefixes[0] || row.approvalCodes[0]);
        for (int i = 1; i < ApprovalPrefixCapacity; ++i)
            if (!row.approvalPrefixes[i - 1]) {
                EXPECT_EQ(row.approvalPrefixes[i], nullptr);
            }
        for (int i = 1; i < ApprovalCodeCapacity; ++i)
            if (!row.approvalCodes[i - 1]) {
                EXPECT_EQ(row.approvalCodes[i], nullptr);
            }
    }
}

TEST(CardGatewayTable, EndpointsTakeTheFormTheirTransportNeeds) {
    for (int g = 1; g < GatewayCount; ++g) {
        SCOPED_TRACE(g);
        std::string_view endpoint = GatewayTable::row(g).endpoint;
        if (g == gwPayFlowPro) {
            EXPECT_EQ(endpoint.find_first_of(":/"), std::string_view::npos);
        } else if (g == gwLinkPoint || g == gwFirstData || g == gwYourPay) {
            EXPECT_EQ(endpoint.find("://"), std::string_view::npos);
            EXPECT_TRUE(endpoint.ends_with(":1129"));
        } else {
            EXPECT_TRUE(endpoint.starts_with("https://"));
        }
    }
}

TEST(CardGatewayTable, XmlAndPositionalRowsAreConsistentWithTheirFamilies) {
    for (int g : {gwPayFuse, gwOrbital, gwLinkPoint, gwFirstData, gwYourPay})
        for (const char* name : GatewayTable::row(g).requestNames) EXPECT_STREQ(name, "NULL") << g;
    for (int g : {1, 2, 3, 5, 11, 15, 16, 17, 18, 26})
        for (const char* key : GatewayTable::row(g).answerKeys) {
            EXPECT_TRUE(isDecimal(key)) << g << " " << key;
            EXPECT_GE(std::atoi(key), -1) << g;
        }
    for (const char* key : GatewayTable::row(gwEprocessing).answerKeys) EXPECT_STREQ(key, "-1");
    for (const char* key : GatewayTable::row(gwPayFuse).answerKeys)
        EXPECT_TRUE(std::strcmp(key, "NULL") == 0 || std::string_view(key).starts_with("/EngineDocList/")) << key;
    for (const char* key : GatewayTable::row(gwOrbital).answerKeys) EXPECT_EQ(key[0], '/') << key;
}

TEST(CardGatewayTable, ClonedRowsEqualTheirSourceButForWhatChanges) {
    GatewayTable::initialise();
    const GatewayRow& authorizeNet = GatewayTable::row(gwAuthorizeNet);
    for (int g : {gwPlanetPayment, gwMPCS, gwRTWare, gwECX}) {
        SCOPED_TRACE(g);
        const GatewayRow& row = GatewayTable::row(g);
        expectSameContent(row, authorizeNet);
        std::string_view endpoint = row.endpoint;
        EXPECT_TRUE(endpoint.starts_with("https://"));
        EXPECT_TRUE(endpoint.ends_with("/gateway/transact.dll"));
        EXPECT_NE(hostOf(endpoint), hostOf(authorizeNet.endpoint));
        for (int other : {gwPlanetPayment, gwMPCS, gwRTWare, gwECX})
            if (other != g) {
                EXPECT_NE(hostOf(endpoint), hostOf(GatewayTable::row(other).endpoint));
            }
    }
    for (auto [clone, source] : {std::pair{gwCyberCash, gwPayFlowLink}, std::pair{gwFirstData, gwLinkPoint},
                                 std::pair{gwYourPay, gwLinkPoint}, std::pair{gwPaymentsGateway, gwACHPAyments}}) {
        SCOPED_TRACE(clone);
        expectSameContent(GatewayTable::row(clone), GatewayTable::row(source));
        EXPECT_STREQ(GatewayTable::row(clone).endpoint, GatewayTable::row(source).endpoint);
    }
}

TEST(CardGatewayTable, ASecondInitialisationChangesNothing) {
    GatewayTable::initialise();
    std::vector<unsigned char> before(sizeof(GatewayRow) * GatewayCount);
    for (int g = 0; g < GatewayCount; ++g)
        std::memcpy(before.data() + g * sizeof(GatewayRow), &GatewayTable::row(g), sizeof(GatewayRow));
    std::vector<std::thread> engines;
    for (int i = 0; i < 4; ++i) engines.emplace_back([] { GatewayTable::initialise(); });
    for (std::thread& t : engines) t.join();
    GatewayTable::initialise();
    for (int g = 0; g < GatewayCount; ++g)
        EXPECT_EQ(std::memcmp(before.data() + g * sizeof(GatewayRow), &GatewayTable::row(g), sizeof(GatewayRow)), 0)
            << g;
}

TEST(CardGatewayTable, AuthorizeNetRowsCarryTheEightPairsAndTheSharedVersion) {
    const char* names[] = {
        "x_Version",        "x_ADC_Delim_Data", "x_ADC_Delim_Character", "x_ADC_Relay_Response", "x_ADC_URL",
        "x_Email_Customer", "x_Method",         "x_Encap_Char"};
    for (int g : {gwAuthorizeNet, gwPlanetPayment, gwMPCS, gwRTWare, gwECX}) {
        ASSERT_EQ(GatewayTable::row(g).pairCount, 8);
        for (int i = 0; i < 8; ++i) EXPECT_STREQ(GatewayTable::fixedPair(g, i).name, names[i]);
        EXPECT_STREQ(GatewayTable::fixedPair(g, 0).value, "3.1");
        EXPECT_STREQ(GatewayTable::fixedPair(g, 7).value, "\"");
    }
    EXPECT_EQ(GatewayTable::authorizeNetProtocol(), AuthorizeNetProtocol::AIM);
    std::thread other([] { GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::WebLink); });
    other.join();
    for (int g : {gwAuthorizeNet, gwPlanetPayment, gwMPCS, gwRTWare, gwECX})
        EXPECT_STREQ(GatewayTable::fixedPair(g, 0).value, "3.0");
    EXPECT_STREQ(GatewayTable::authorizeNetVersion(), "3.0");
    EXPECT_STREQ(GatewayTable::row(gwAuthorizeNet).fixedPairs[0].value, "3.1");
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::AIM);
    EXPECT_STREQ(GatewayTable::fixedPair(gwECX, 0).value, "3.1");
}

TEST(CardGatewayTable, FixedPairsOfOtherRowsAreTheirOwn) {
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::WebLink);
    for (int g = 2; g < GatewayCount; ++g) {
        if (GatewayTable::isAuthorizeNetRow(g)) continue;
        for (int i = 0; i < GatewayTable::row(g).pairCount; ++i) {
            FixedPair pair = GatewayTable::fixedPair(g, i);
            EXPECT_EQ(pair.name, GatewayTable::row(g).fixedPairs[i].name);
            EXPECT_EQ(pair.value, GatewayTable::row(g).fixedPairs[i].value);
        }
    }
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::AIM);
}
