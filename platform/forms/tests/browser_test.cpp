#include "fixture.h"

#include "testing/http_server.h"

using namespace forms;
using formstest::FormsTest;
using formstest::pixel;

namespace {
class frm_billing_stub : public Form {
public:
    frm_billing_stub() : Form("frm_billing_stub"), WebBrowser1(*this, "WebBrowser1") {
        Caption("Tavimo Billing Option");
        Move(0, 0, 4500, 3000);
        WebBrowser1.Move(0, 0, 4500, 3000);
    }
    WebBrowser WebBrowser1;
};
}  // namespace

TEST(WebAddressTest, OnlyHttpAndHttps) {
    EXPECT_TRUE(isWebAddress("http://127.0.0.1/x"));
    EXPECT_TRUE(isWebAddress("HTTPS://example.test/"));
    EXPECT_FALSE(isWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(isWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(isWebAddress("Explorer.exe http://x"));
    EXPECT_FALSE(isWebAddress(""));
}

TEST_F(FormsTest, WebBrowserRendersALoopbackPageInAModalForm) {
    fixtures::HttpServer server;
    server.setHandler([](const fixtures::HttpRequest&) {
        return fixtures::Answer::ok("<html><body style='margin:0;background:#00ff00'>billing</body></html>",
                                    "text/html");
    });
    frm_billing_stub form;
    std::string url = server.url("/billing.php?mobile=555&network=A B&filename=T.mp3");
    form.WebBrowser1.Navigate("file:///etc/passwd");
    EXPECT_FALSE(form.WebBrowser1.Busy());
    form.WebBrowser1.Navigate(url);
    EXPECT_TRUE(form.WebBrowser1.Busy());
    std::uint32_t seen = 0;
    std::string loaded;
    form.WebBrowser1.DocumentComplete = [&](const std::string& u) { loaded = u; };
    drive::later([&] {
        EXPECT_TRUE(form.Modal());
        ASSERT_TRUE(drive::waitUntil([&] { return !form.WebBrowser1.Busy(); }, std::chrono::milliseconds(30000)));
        // The page's colour reaches the window once WebKit has painted it.
        drive::waitUntil([&] {
            cairo_surface_t* shot = drive::capture(form);
            seen = pixel(shot, 150, 100);
            cairo_surface_destroy(shot);
            return seen == 0x00FF00u;
        }, std::chrono::milliseconds(10000));
        form.Unload();
    });
    form.Show(1);
    EXPECT_EQ(seen, 0x00FF00u);
    EXPECT_FALSE(loaded.empty());
    ASSERT_GE(server.requestCount(), 1u);
    EXPECT_EQ(server.request(0).target.rfind("/billing.php?mobile=555", 0), 0u);
}
