#include "pfpro/pfpro.h"

#include "crypt32/crypt32.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/loopback.h"
#include "testing/trusted_ca.h"

#include <gtest/gtest.h>

#include <string>

using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpsServer;

namespace {

int openContext(std::uint16_t port, int timeout = 0) {
    int context = 0;
    char host[] = "localhost";
    char empty[] = "";
    EXPECT_EQ(pfproCreateContext(&context, host, port, timeout, empty, 0, empty, empty), pfpro::kOk);
    return context;
}

TEST(PfPro, PostsTheParametersAndHandsBackTheAnswer) {
    fixtures::trustTestCa();
    HttpsServer server;
    server.enqueue(Answer::ok("RESULT=0&PNREF=V19A&RESPMSG=Approved"));
    ASSERT_EQ(pfproInit(), pfpro::kOk);
    int context = openContext(server.port());
    std::string parameters = "TRXTYPE=S&TENDER=C&ACCT=4111111111111111&AMT=1.00&";
    char* answer = nullptr;
    ASSERT_EQ(pfproSubmitTransaction(context, parameters.data(), static_cast<long>(parameters.size()), &answer),
              pfpro::kOk);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "RESULT=0&PNREF=V19A&RESPMSG=Approved");
    pfproCompleteTransaction(answer);
    EXPECT_EQ(pfproDestroyContext(context), pfpro::kOk);
    EXPECT_EQ(pfproDestroyContext(context), pfpro::kBadContext);
    pfproCleanup();

    auto request = server.request(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, pfpro::kTransactionPath);
    EXPECT_EQ(request.body, parameters);
}

TEST(PfPro, FailuresComeBackAsCodes) {
    int context = 0;
    char host[] = "localhost";
    EXPECT_EQ(pfproCreateContext(&context, host, 443, 30, nullptr, 0, nullptr, nullptr), pfpro::kNotInitialised);
    ASSERT_EQ(pfproInit(), pfpro::kOk);
    char* answer = nullptr;
    char parameters[] = "A=1&";
    context = openContext(fixtures::refusingPort());
    EXPECT_EQ(pfproSubmitTransaction(context, parameters, 4, &answer), pfpro::kCannotConnect);
    EXPECT_EQ(answer, nullptr);

    fixtures::TlsOptions selfSigned;
    selfSigned.certificate = CertKind::SelfSigned;
    HttpsServer untrusted(selfSigned);
    context = openContext(untrusted.port());
    EXPECT_EQ(pfproSubmitTransaction(context, parameters, 4, &answer), pfpro::kCertificate);
    pfproCleanup();
}

}  // namespace
