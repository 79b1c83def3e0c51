#include "service_requests.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "main_window_values.h"
#include "testing/service/service_standin.h"

namespace {

class Requests : public AppTest {
protected:
    fixtures::ServiceStandin service;
    void SetUp() override {
        AppTest::SetUp();
        setenv("TAVIMO_SERVICE_HOST", service.host().c_str(), 1);
        g_PartnerID = "tvm";
        g_ModID = "42";
        g_CountryCode = 44;
        g_PartnerPostUrl = "http://" + service.host() + "/_php/partner_post.php?";
        MainWindowProperties() = {"5551234", "Vodafone"};
    }
    void TearDown() override {
        unsetenv("TAVIMO_SERVICE_HOST");
        AppTest::TearDown();
    }
};

TEST_F(Requests, AddressesAsTheServiceExpectsThem) {
    std::string base = "http://" + service.host();
    EXPECT_EQ(BackendFileAddress(), base + "/_ini/backend/42/BackEnd.txt");
    EXPECT_EQ(TrackingAddress(310, "5551234"),
              base + "/_php/mod_tracking.php?&step=310&modID=42&partnerID=tvm&phone=5551234");
    EXPECT_EQ(PartnerPostAddress("5551234", "Vodafone", "tone5551234121020261230.mp3"),
              base + "/_php/partner_post.php?mobile=5551234&network=Vodafone&country=44"
                     "&filename=tone5551234121020261230.mp3&partnerid=tvm");
    EXPECT_EQ(PostToHomeAddress("tone.mp3", "5551234", "Vodafone"),
              base + "/_php/mod_tracking.php?filename=tone.mp3&modID=42&partnerID=tvm&phone=5551234&carrier=Vodafone");
    g_ModID.clear();
    EXPECT_EQ(TrackingAddress(100, ""), base + "/_php/mod_tracking.php?&step=100&modID=&partnerID=tvm&phone=");
    EXPECT_EQ(BackendFileAddress(), base + "/_ini/backend//BackEnd.txt");
}

TEST_F(Requests, InsertedValuesArePercentEncoded) {
    EXPECT_EQ(PercentEncode("Az09-._~"), "Az09-._~");
    EXPECT_EQ(PercentEncode("AT&T Wireless"), "AT%26T%20Wireless");
    EXPECT_EQ(PercentEncode("a=b?c/d#e+f%\"\r\n"), "a%3Db%3Fc%2Fd%23e%2Bf%25%22%0D%0A");
    EXPECT_EQ(PercentEncode("\xE9\x80"), "%E9%80");
    g_ModID = "4 2";
    g_CountryCode = -1;
    EXPECT_EQ(PartnerPostAddress("555 1234", "AT&T", "a b.mp3"),
              g_PartnerPostUrl + "mobile=555%201234&network=AT%26T&country=-1&filename=a%20b.mp3&partnerid=tvm");
    EXPECT_EQ(TrackingAddress(100, "555&x=1"),
              "http://" + service.host() + "/_php/mod_tracking.php?&step=100&modID=4%202&partnerID=tvm&phone=555%26x%3D1");
}

TEST_F(Requests, RequestsGoOutInTheOrderTheyAreMade) {
    g_TrackingStep = 410;
    PostTracking();
    PostToPartner("tone.mp3", "tone.mp3");
    PostToPartner("tone.mp3", "other.mp3");
    PostToHome("ignored", "tone.mp3");
    EXPECT_EQ(service.requestLines(),
              (std::vector<std::string>{
                  "GET /_php/mod_tracking.php?&step=410&modID=42&partnerID=tvm&phone=5551234",
                  "GET /_php/partner_post.php?mobile=5551234&network=Vodafone&country=44&filename=tone.mp3&partnerid=tvm",
                  "GET /_php/mod_tracking.php?filename=tone.mp3&modID=42&partnerID=tvm&phone=5551234&carrier=Vodafone",
              }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(g_ServiceWindow, nullptr);
}

TEST_F(Requests, FailuresAreReportedAndTheFlowGoesOn) {
    SetServiceTimeouts({1, 1});
    service.setAnswer("/_php/mod_tracking.php", fixtures::Answer::silence());
    g_TrackingStep = 100;
    EXPECT_TRUE(PostTracking());
    g_PartnerPostUrl = "http://127.0.0.1:1/partner?";
    EXPECT_TRUE(PostToPartner("a", "a"));
    setenv("TAVIMO_SERVICE_HOST", "127.0.0.1:1", 1);
    EXPECT_TRUE(PostToHome("a", "a"));
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"Error 35761Request timed out", "POST Tracking"},
                            {"Error 35754Unable to connect to remote host", "Partner POST"},
                            {"Error 35754Unable to connect to remote host", "Post To Home"},
                        }));
    EXPECT_EQ(g_ServiceWindow, nullptr);
}

TEST_F(Requests, TheConnectivityCheckOpensTheConfiguredPage) {
    setenv("TAVIMO_CONNECTIVITY_URL", service.server().url("/").c_str(), 1);
    EXPECT_TRUE(IsInternetConnected());
    EXPECT_EQ(service.server().request(0).header("User-Agent"), "Tavimo");
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    EXPECT_FALSE(IsInternetConnected());
    unsetenv("TAVIMO_CONNECTIVITY_URL");
}

}  // namespace
