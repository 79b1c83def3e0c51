// HTTP answers as the socket level hands them on: the answer's bytes go into the receive
// queue in pieces and are cut into lines and blocks there, exactly as after each read from a
// socket. An answer made from given parts (status, headers, a body framed by Content-Length,
// by chunks or by the close) must give back exactly those parts and that body; any other bytes
// must leave consistent fields.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "payment_core/http_client.h"
#include "payment_core/text_utils.h"

using namespace payment_core;

namespace {

class Client : public HttpClient {
public:
    Client() {
        setMaxLineSize(256);
        MaxTransferredData = 0;
        // The answer's end must not close a socket that was never opened.
        KeepAlive = 1;
        requestMethod.assignCString("GET");
        currentAction = 1;
        setSslMode(false);
        setLineMode(false);
    }

    void onStatus(const char* protocol, int code, const char* text) override {
        statuses.push_back(std::string(protocol) + " " + std::to_string(code) + " " + text);
    }
    void onHeader(const char* name, const char* value) override { headers.emplace_back(name, value); }
    void onTransfer(int direction, int bytesSoFar, const char*, int length) override {
        FUZZ_CHECK(direction == 1);
        FUZZ_CHECK(length >= 0);
        FUZZ_CHECK(bytesSoFar >= lastTotal);
        lastTotal = bytesSoFar;
    }
    void onEndTransfer(int direction) override {
        FUZZ_CHECK(direction == 1);
        ++ends;
    }

    // What a read notification does with the bytes the socket had: queue them and deliver
    // every complete line; a queue filled by one line hands that much on as it is.
    void receive(const char* bytes, int length) {
        // A client that stopped taking data reads no more of the socket.
        while (length > 0 && AcceptData) {
            const int taken = receiveQueue.put(bytes, length);
            bytes += taken;
            length -= taken;
            readAvailable(4);
            if (receiveQueue.freeBytes() == 0) deliverRest();
        }
    }
    // The close: what is left unterminated, then the disconnect.
    void closedByPeer() {
        deliverRest();
        onDisconnected(0, "");
    }

    std::vector<std::string> statuses;
    std::vector<std::pair<std::string, std::string>> headers;
    int lastTotal = 0;
    int ends = 0;

private:
    // A socket that is not connected yet hands over everything queued, complete or not.
    void deliverRest() {
        socket = 1;
        readAvailable(3);
        socket = INVALID_SOCKET;
    }
};

std::string keepOnly(const std::string& text, bool (*allowed)(char)) {
    std::string out;
    for (char c : text)
        if (allowed(c)) out.push_back(c);
    return out;
}

bool nameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }
bool lineChar(char c) { return c != '\r' && c != '\n' && c != '\0'; }

bool framingName(const std::string& name) {
    for (const char* known : {"Content-Length", "Transfer-Encoding", "Location", "WWW-Authenticate", "Set-Cookie"})
        if (equalsNoCase(name.c_str(), known)) return true;
    return false;
}

void deliverInPieces(Client& client, const std::string& answer, FuzzedDataProvider& cut) {
    std::size_t at = 0;
    while (at < answer.size()) {
        const std::size_t n = std::min(answer.size() - at, cut.ConsumeIntegralInRange<std::size_t>(1, 300));
        client.receive(answer.data() + at, static_cast<int>(n));
        at += n;
    }
}

void madeAnswer(FuzzedDataProvider& in) {
    const int framing = in.ConsumeIntegralInRange(0, 2);
    const bool crlf = in.ConsumeBool();
    const std::string eol = crlf ? "\r\n" : "\n";
    const bool interim = in.ConsumeBool();
    int code = in.ConsumeIntegralInRange(200, 599);
    // 204 and 304 answers end with their head.
    if (code == 204 || code == 304) code = 200;
    std::string reason = keepOnly(in.ConsumeRandomLengthString(24), lineChar);
    if (!reason.empty() && reason.back() == ' ') reason.pop_back();
    std::vector<std::pair<std::string, std::string>> headers;
    const int headerCount = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < headerCount; ++i) {
        std::string name = keepOnly(in.ConsumeRandomLengthString(16), nameChar);
        if (name.empty() || framingName(name)) name = "X-" + name + "h";
        std::string value = keepOnly(in.ConsumeRandomLengthString(40), lineChar);
        headers.emplace_back(name, value);
    }
    const std::string body = in.ConsumeRandomLengthString(6000);

    std::string answer;
    if (interim) answer += "HTTP/1.1 100 Continue" + eol + eol;
    answer += "HTTP/1.1 " + std::to_string(code) + " " + reason + eol;
    for (const auto& [name, value] : headers) answer += name + ": " + value + eol;
    if (framing == 0) answer += "Content-Length: " + std::to_string(body.size()) + eol;
    if (framing == 1) answer += "Transfer-Encoding: chunked" + eol;
    answer += eol;
    if (framing == 1) {
        std::size_t at = 0;
        while (at < body.size()) {
            const std::size_t n = std::min(body.size() - at, in.ConsumeIntegralInRange<std::size_t>(1, 2000));
            char size[16];
            std::snprintf(size, sizeof size, in.ConsumeBool() ? "%zx" : "%zX", n);
            answer += size + std::string(in.ConsumeBool() ? ";ext=1" : "") + "\r\n" + body.substr(at, n) + "\r\n";
            at += n;
        }
        answer += "0\r\n\r\n";
    } else {
        answer += body;
    }

    Client client;
    deliverInPieces(client, answer, in);
    if (framing == 2) client.closedByPeer();
    FUZZ_CHECK(client.ends == 1);
    FUZZ_CHECK(client.StatusCode == code);
    FUZZ_CHECK(reason == client.StatusText.data());
    FUZZ_CHECK(client.statuses.size() == 1);
    std::vector<std::pair<std::string, std::string>> seen;
    for (const auto& header : client.headers)
        if (!framingName(header.first)) seen.push_back(header);
    FUZZ_CHECK(seen == headers);
    FUZZ_CHECK(std::string(client.TransferredData.data(), static_cast<std::size_t>(client.TransferredData.length())) ==
               body);
    FUZZ_CHECK(client.bytesReceived == static_cast<int>(body.size()));
    FUZZ_CHECK(client.lastTotal == static_cast<int>(body.size()));
}

void anyBytes(FuzzedDataProvider& in) {
    Client client;
    if (in.ConsumeBool()) client.MaxTransferredData = in.ConsumeIntegralInRange(1, 100);
    const std::string answer = in.ConsumeRandomLengthString(8000);
    deliverInPieces(client, answer, in);
    client.closedByPeer();
    FUZZ_CHECK(client.ends == 1);
    FUZZ_CHECK(client.statuses.size() <= 1);
    FUZZ_CHECK(client.TransferredData.length() <= client.bytesReceived);
    if (client.MaxTransferredData) FUZZ_CHECK(client.TransferredData.length() <= client.MaxTransferredData);
    const std::string headers(client.ResponseHeaders.data(), static_cast<std::size_t>(client.ResponseHeaders.length()));
    FUZZ_CHECK(headers.empty() || headers.size() >= 2 && headers.compare(headers.size() - 2, 2, "\r\n") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        madeAnswer(in);
    } else {
        anyBytes(in);
    }
    return 0;
}
