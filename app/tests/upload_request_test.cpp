#include "upload_request.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "app_fixture.h"
#include "run_error.h"
#include "service_window.h"
#include "testing/service/service_standin.h"

namespace {

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

TEST(UploadRequest, ExactBytes) {
    UploadRequestRecord record = UploadRecordFor("upload.example", "/_php/upload.php");
    std::string request = BuildUploadRequest(allBytes(), record, "uploadedfile", "/opt/tavimo/tone.mp3", "audio");

    const std::string marker = "Content-Type: multipart/form-data, boundary=";
    auto at = request.find(marker);
    ASSERT_NE(at, std::string::npos);
    std::string boundary = request.substr(at + marker.size(), 32);
    std::string body = "--" + boundary + "\r\n" +
                       "Content-Disposition: form-data; name=\"uploadedfile\"; filename=\"/opt/tavimo/tone.mp3\"\r\n" +
                       "Content-Type: audio\r\n" + "\r\n" + allBytes() + "\r\n" + "--" + boundary + "--";
    std::string expected = "POST /_php/upload.php? HTTP/1.0\r\n"
                           "Host: upload.example\r\n"
                           "Content-Type: multipart/form-data, boundary=" +
                           boundary + "\r\n" + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(request, expected);
}

TEST(UploadRequest, BoundaryIsThirtyTwoLettersAndDigits) {
    std::string first = MakeBoundary(32);
    for (int i = 0; i < 50; ++i) {
        std::string boundary = MakeBoundary(32);
        ASSERT_EQ(boundary.size(), 32u);
        EXPECT_EQ(boundary.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
                  std::string::npos);
    }
    EXPECT_NE(first, MakeBoundary(32));
}

TEST(UploadRequest, FileNameCannotBreakTheHeader) {
    std::string request = BuildUploadRequestWithBoundary("x", {"h", 0, "/p", ""}, "uploadedfile",
                                                         "/dir/a\"b\r\nX: y.mp3", "audio", "B");
    EXPECT_NE(request.find("filename=\"/dir/a%22b%0D%0AX: y.mp3\"\r\n"), std::string::npos);
}

TEST(UploadRequest, HostWithPortConnectsThere) {
    auto plain = UploadRecordFor("upload.example", "/p");
    EXPECT_EQ(plain.port, 0);
    auto local = UploadRecordFor("127.0.0.1:8123", "/p");
    EXPECT_EQ(local.host, "127.0.0.1:8123");
    EXPECT_EQ(local.port, 8123);
}

TEST(UploadRequest, FileData) {
    auto file = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "data.bin";
    std::ofstream(file, std::ios::binary) << allBytes();
    EXPECT_EQ(ReadFileData(file.string()), allBytes());
    EXPECT_THROW(ReadFileData((file.parent_path() / "absent").string()), RunError);
}

// A socket whose events are delivered by the message loop, as the scripted peer decides.
class ScriptedSocket : public UploadSocket {
public:
    struct Script {
        bool refuse = false;
        bool answerConnect = true;
        bool closeBeforeSent = false;
        std::vector<std::string> sent;
        std::deque<std::function<void()>> events;
        std::string host;
        long port = -1;
        int closes = 0;
    };
    explicit ScriptedSocket(Script& script) : script_(script) {}
    void SetLocalPort(long) override {}
    void SetRemoteHost(const std::string& host) override { script_.host = host; }
    void SetRemotePort(long port) override { script_.port = port; }
    void Connect() override {
        if (script_.refuse)
            post([this] { onError(10061, "Connection is forcefully rejected"); });
        else if (script_.answerConnect)
            post([this] { onConnect(); });
    }
    void SendData(const std::string& bytes) override {
        if (script_.closeBeforeSent) {
            post([this] { onClose(); });
            return;
        }
        script_.sent.push_back(bytes);
        post([this] { onSendComplete(); });
    }
    std::string GetData(long) override { return {}; }
    void Close() override { ++script_.closes; }
    void peerCloses() {
        post([this] { onClose(); });
    }

private:
    void post(std::function<void()> event) { script_.events.push_back(std::move(event)); }
    Script& script_;
};

class Upload : public AppTest {
protected:
    ScriptedSocket::Script script;
    ScriptedSocket* socket = nullptr;
    void SetUp() override {
        AppTest::SetUp();
        SetUploadSocketFactory([this] {
            auto made = std::make_unique<ScriptedSocket>(script);
            socket = made.get();
            return made;
        });
        SetDoEvents([this] {
            if (script.events.empty()) return;
            auto event = std::move(script.events.front());
            script.events.pop_front();
            event();
        });
        SetUploadTimeoutMs(300);
        g_UploadHost = "upload.example";
        g_UploadPath = "/_php/upload.php";
        write("tone.mp3", allBytes());
    }
    void TearDown() override {
        frm_Invisible::UnloadDefault();
        SetUploadSocketFactory(nullptr);
        SetDoEvents(nullptr);
        AppTest::TearDown();
    }
};

TEST_F(Upload, SendsTheRequestAndDeletesTheFile) {
    auto& window = frm_Invisible::Default();
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Sent);
    ASSERT_EQ(script.sent.size(), 1u);
    EXPECT_EQ(script.host, "upload.example");
    EXPECT_EQ(script.port, 80);
    const std::string& sent = script.sent[0];
    auto type = sent.find("multipart/form-data");
    auto parts = fixtures::parseMultipart(sent.substr(type, sent.find("\r\n", type) - type), sent);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].fileName, path("tone.mp3"));
    EXPECT_EQ(parts[0].data, allBytes());
    EXPECT_FALSE(exists("tone.mp3"));
    EXPECT_TRUE(boxes.empty());

    // The server has not closed the first connection: a second upload sends nothing.
    write("tone.mp3", "again");
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::NotStarted);
    EXPECT_EQ(script.sent.size(), 1u);
    EXPECT_TRUE(exists("tone.mp3"));
    socket->peerCloses();
    DoEvents();
    EXPECT_FALSE(window.connected());
    EXPECT_EQ(window.Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Sent);
    EXPECT_EQ(script.sent.size(), 2u);
}

TEST_F(Upload, DifferentNamesSendNothing) {
    EXPECT_EQ(frm_Invisible::Default().Upload_RingtoneFile("tone.mp3", "other.mp3"), UploadResult::NotStarted);
    EXPECT_TRUE(script.sent.empty());
    EXPECT_EQ(script.port, -1);
    EXPECT_TRUE(exists("tone.mp3"));
}

TEST_F(Upload, FailuresAreOneMessageAndKeepTheFile) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        ShownMessage shown;
        MessageIcon icon;
    } cases[] = {
        {"refused", [&] { script.refuse = true; }, {"Connection is forcefully rejected", "ERROR"},
         MessageIcon::Exclamation},
        {"no answer", [&] { script.answerConnect = false; },
         {"Connection to the upload server timed out", "ERROR"}, MessageIcon::Exclamation},
        {"closed early", [&] { script.closeBeforeSent = true; },
         {"The connection closed before the ringtone was sent", "ERROR"}, MessageIcon::Exclamation},
        {"missing file", [&] { std::filesystem::remove(path("tone.mp3")); }, {"File not found", "ERROR"},
         MessageIcon::Critical},
    };
    for (const auto& c : cases) {
        script = {};
        boxes.clear();
        boxIcons.clear();
        write("tone.mp3", allBytes());
        frm_Invisible::UnloadDefault();
        c.arrange();
        EXPECT_EQ(frm_Invisible::Default().Upload_RingtoneFile("tone.mp3", "tone.mp3"), UploadResult::Failed) << c.name;
        EXPECT_EQ(boxes, (std::vector<ShownMessage>{c.shown})) << c.name;
        EXPECT_EQ(boxIcons, (std::vector<MessageIcon>{c.icon})) << c.name;
        EXPECT_TRUE(script.sent.empty()) << c.name;
        EXPECT_FALSE(frm_Invisible::Default().connected()) << c.name;
        if (std::string(c.name) != "missing file") {
            EXPECT_TRUE(exists("tone.mp3")) << c.name;
        }
    }
}

}  // namespace
