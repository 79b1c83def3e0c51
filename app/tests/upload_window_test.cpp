#include "service_window.h"

#include <gtest/gtest.h>

#include "testing/raw_peer.h"
#include "testing/service/service_standin.h"
#include "upload_request.h"
#include "window_fixture.h"

namespace {

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

class Upload : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_UploadPath = "/_php/upload.php";
        write("tone.mp3", allBytes());
    }
    void TearDown() override {
        WindowTest::TearDown();
    }
};

TEST_F(Upload, TheServiceGetsTheExactBytes) {
    fixtures::ServiceStandin service;
    g_UploadHost = service.host();
    auto& window = DefaultServiceWindow();
    ASSERT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Sent);
    ASSERT_TRUE(service.server().waitForRequests(1));
    std::string bytes = service.server().request(0).bytes;

    const std::string marker = "Content-Type: multipart/form-data, boundary=";
    auto at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    std::string boundary = bytes.substr(at + marker.size(), 32);
    std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"uploadedfile\"; filename=\"" +
                       path("tone.mp3") + "\"\r\nContent-Type: audio\r\n\r\n" + allBytes() + "\r\n--" + boundary + "--";
    EXPECT_EQ(bytes, "POST /_php/upload.php? HTTP/1.0\r\nHost: " + service.host() + "\r\n" + marker + boundary +
                         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_FALSE(exists("tone.mp3"));
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(service.uploads().size(), 1u);
    EXPECT_EQ(service.uploads()[0].data, allBytes());

    // The service closed the connection: the next upload goes out.
    ASSERT_TRUE(forms::drive::waitUntil([&] { return !window.connected(); }));
    write("tone.mp3", "second");
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Sent);
    ASSERT_TRUE(service.server().waitForRequests(2));
    EXPECT_EQ(service.uploads().at(1).data, "second");
}

TEST_F(Upload, WhileTheFirstConnectionStaysOpenASecondSendsNothing) {
    fixtures::RawPeer peer;
    peer.addConnection(fixtures::PeerScript().expectUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\nok").hold());
    g_UploadHost = peer.hostPort();
    auto& window = DefaultServiceWindow();
    ASSERT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Sent);
    EXPECT_TRUE(window.connected());
    ASSERT_TRUE(peer.waitForConnections(1));
    write("tone.mp3", "again");
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::NotStarted);
    EXPECT_TRUE(exists("tone.mp3"));
    EXPECT_FALSE(peer.waitForConnections(2, std::chrono::milliseconds(300)));
}

TEST_F(Upload, ARefusedConnectionIsOneMessageAndKeepsTheFile) {
    g_UploadHost = "127.0.0.1:1";
    auto& window = DefaultServiceWindow();
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Failed);
    EXPECT_EQ(boxes, (std::vector<ShownMessage>{{"Connection is forcefully rejected", "ERROR"}}));
    EXPECT_EQ(boxButtons, (std::vector<int>{forms::vbExclamation}));
    EXPECT_TRUE(exists("tone.mp3"));
    EXPECT_FALSE(window.connected());
}

TEST_F(Upload, NothingIsPostedWithoutTheFile) {
    fixtures::ServiceStandin service;
    g_UploadHost = service.host();
    auto& window = DefaultServiceWindow();
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "other.mp3"), UploadResult::NotStarted);
    EXPECT_EQ(window.Upload_RingtoneFile("absent.mp3", "absent.mp3"), UploadResult::Failed);
    EXPECT_EQ(boxes, (std::vector<ShownMessage>{{"File not found", "ERROR"}}));
    EXPECT_EQ(boxButtons, (std::vector<int>{forms::vbCritical}));
    EXPECT_EQ(service.server().connectionCount(), 0u);
    EXPECT_TRUE(exists("tone.mp3"));
}

}  // namespace
