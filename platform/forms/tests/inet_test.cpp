#include "fixture.h"

#include "testing/http_server.h"

using namespace forms;
using formstest::FormsTest;

namespace {

class frm_Invisible : public Form {
public:
    frm_Invisible() : Form("frm_Invisible"), Inet1(*this, "Inet1") {}
    Inet Inet1;
};

long errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST_F(FormsTest, OpenUrlGivesTextAndBytes) {
    fixtures::HttpServer server;
    std::string binary("A\0B\xE9\r\n", 6);
    server.enqueue(fixtures::Answer::ok("caf\xE9 ok"));
    server.enqueue(fixtures::Answer::ok(binary, "application/octet-stream"));
    frm_Invisible form;
    form.Load();
    EXPECT_FALSE(form.Inet1.StillExecuting());
    EXPECT_EQ(form.Inet1.OpenURL(server.url("/_php/mod_tracking.php?&step=310&modID=")), "caf\xC3\xA9 ok");
    EXPECT_EQ(form.Inet1.OpenURL(server.url("/_ini/backend/BackEnd.txt"), icByteArray), binary);
    EXPECT_FALSE(form.Inet1.StillExecuting());
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.request(0).method, "GET");
    EXPECT_EQ(server.request(0).target, "/_php/mod_tracking.php?&step=310&modID=");
    EXPECT_EQ(form.Inet1.ResponseCode(), 200);
}

TEST_F(FormsTest, OpenUrlFailuresRaise) {
    fixtures::HttpServer server;
    server.enqueue(fixtures::Answer::status(404, "Not Found", "missing"));
    server.enqueue(fixtures::Answer::silence());
    frm_Invisible form;
    form.Load();
    auto& inet = form.Inet1;
    EXPECT_EQ(errorOf([&] { inet.OpenURL(server.url("/carriers.ini"), icByteArray); }), icErrorHttpStatus);
    EXPECT_EQ(inet.ResponseCode(), 404);

    // A silent server: the total time-out ends the request.
    inet.RequestTimeout(1);
    EXPECT_EQ(errorOf([&] { inet.OpenURL(server.url("/silent")); }), icErrorTimeout);

    EXPECT_EQ(errorOf([&] { inet.OpenURL("http://127.0.0.1:" + std::to_string(fixtures::refusingPort()) + "/"); }),
              icErrorConnect);
    EXPECT_EQ(errorOf([&] { inet.OpenURL("file:///etc/passwd"); }), icErrorMalformedUrl);
    EXPECT_EQ(errorOf([&] { inet.OpenURL(server.url("/"), 7); }), errInvalidProcedureCall);
}
