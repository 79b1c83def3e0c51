#include "fixture.h"

#include "testing/raw_peer.h"

using namespace forms;
using formstest::FormsTest;

namespace {

class frm_Invisible : public Form {
public:
    frm_Invisible() : Form("frm_Invisible"), Winsock1(*this, "Winsock1") {
        Winsock1.OnConnect = [this] { events.push_back("connect"); };
        Winsock1.OnDataArrival = [this](long total) {
            events.push_back("data " + std::to_string(total));
            received += Winsock1.GetData();
        };
        Winsock1.OnSendComplete = [this] { events.push_back("sent"); };
        Winsock1.OnClose = [this] {
            events.push_back("close");
            Winsock1.Close();
        };
        Winsock1.OnError = [this](long number, const std::string& description, bool&) {
            events.push_back("error " + std::to_string(number) + " " + description);
            Winsock1.Close();
        };
    }
    Winsock Winsock1;
    std::vector<std::string> events;
    std::string received;
};

}  // namespace

TEST_F(FormsTest, WinsockConnectsSendsReceivesAndCloses) {
    fixtures::RawPeer peer;
    std::string request = "POST /upload.php? HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    peer.addConnection(fixtures::PeerScript().expectBytes(request).send("HTTP/1.0 200 OK\r\n\r\nthanks").close());
    frm_Invisible form;
    form.Load();
    auto& sock = form.Winsock1;
    sock.LocalPort(0);
    sock.RemoteHost("127.0.0.1");
    sock.RemotePort(peer.port());
    sock.Connect();
    EXPECT_NE(sock.State(), sckConnected);  // never blocks
    ASSERT_TRUE(drive::waitUntil([&] { return sock.State() == sckConnected; }));
    EXPECT_EQ(form.events, std::vector<std::string>{"connect"});
    sock.SendData(request);
    ASSERT_TRUE(drive::waitUntil([&] { return sock.State() == sckClosed; }));
    EXPECT_EQ(form.received, "HTTP/1.0 200 OK\r\n\r\nthanks");
    ASSERT_GE(form.events.size(), 4u);
    EXPECT_EQ(form.events[1], "sent");
    EXPECT_EQ(form.events.back(), "close");
    EXPECT_TRUE(peer.waitFinished());
    EXPECT_TRUE(peer.errors().empty()) << peer.errors().front();
    EXPECT_EQ(peer.connection(0).received, request);

    // Closed again, the control connects anew.
    peer.addConnection(fixtures::PeerScript().expectBytes("again").close());
    form.events.clear();
    sock.Connect("127.0.0.1", peer.port());
    ASSERT_TRUE(drive::waitUntil([&] { return sock.State() == sckConnected; }));
    sock.SendData("again");
    ASSERT_TRUE(drive::waitUntil([&] { return sock.State() == sckClosed; }));
    EXPECT_TRUE(peer.waitFinished());
}

TEST_F(FormsTest, WinsockRefusedConnectionRaisesTheErrorEvent) {
    frm_Invisible form;
    form.Load();
    auto& sock = form.Winsock1;
    sock.Connect("127.0.0.1", fixtures::refusingPort());
    ASSERT_TRUE(drive::waitUntil([&] { return !form.events.empty(); }));
    EXPECT_EQ(form.events, std::vector<std::string>{"error 10061 Connection is forcefully rejected"});
    EXPECT_EQ(sock.State(), sckClosed);

    form.events.clear();
    sock.Connect("no-such-host.invalid", 80);
    ASSERT_TRUE(drive::waitUntil([&] { return !form.events.empty(); }, std::chrono::milliseconds(15000)));
    EXPECT_EQ(form.events[0].rfind("error 11001", 0), 0u);
}

TEST_F(FormsTest, WinsockRefusesCallsInTheWrongState) {
    fixtures::RawPeer peer;
    peer.addConnection(fixtures::PeerScript().hold());
    frm_Invisible form;
    form.Load();
    auto& sock = form.Winsock1;
    try {
        sock.SendData("x");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), sckBadState);
    }
    sock.Connect("127.0.0.1", peer.port());
    EXPECT_THROW(sock.Connect(), Error);
    ASSERT_TRUE(drive::waitUntil([&] { return sock.State() == sckConnected; }));
    // Unloading the form closes the socket.
    form.Unload();
    EXPECT_EQ(sock.State(), sckClosed);
    EXPECT_TRUE(peer.waitFinished());
    EXPECT_TRUE(peer.connection(0).clientClosed);
}
