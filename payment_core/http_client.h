#pragma once
// The HTTP/1.0 and 1.1 client: one action entry, the request text, the response parser,
// authorisation, cookies and redirects, over the connection level below.

#include "payment_core/http_request_state.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kHttpBusy = 143;
constexpr int kHttpStatusFailure = 151;
constexpr int kHttpNoServer = 152;
constexpr int kHttpBadScheme = 153;
constexpr int kHttpLineBreakInField = 154;
constexpr int kHttpBadResponse = 155;
constexpr int kHttpResponseTooLarge = 156;
// What of an answer's head is kept before the exchange is given up.
constexpr int kHttpMaxHeaderLine = 65536;
constexpr int kHttpMaxHeaderSection = 1048576;
constexpr int kHttpFileError = 302;
constexpr int kHttpLocalFileWrite = 7;
constexpr int kHttpMaxRedirects = 20;

enum HttpAction : int { kActionReset = 0, kActionGet = 1, kActionPost = 2, kActionHead = 3, kActionClear = 4, kActionPut = 5 };

class HttpClient : public HttpRequestState {
public:
    HttpClient();
    ~HttpClient() override;

    int config(ConfigRequest& request, const char** answer) override;

    void initHttpDefaults();
    virtual void initHttpsDefaults();
    void resetToHttps();

    virtual int performAction(int action);
    int setUrl(const char* url, bool isRedirect);
    void resetRequest();
    virtual void clearRequestState();
    int setHTTPVersion(const char* text);
    int setProxyUser(const char* text);
    int setProxyPassword(const char* text);
    int buildAuthorization();
    int buildProxyAuthorization();

    void onConnected(int code, const char* text) override;
    void onDataIn(const char* bytes, int length, int eolFound) override;
    void onDisconnected(int code, const char* text) override;
    void onError(int code, const char* text) override;

    void onConnectionStatus(const char* text, int code, const char* description) override;
    virtual void onRequestSent(int bytes);
    virtual void onEndTransfer(int direction);
    virtual void onHeader(const char* name, const char* value);
    virtual void onSetCookie(const char* name, const char* value, const char* expires, const char* domain,
                             const char* path, bool secure);
    virtual void onStartTransfer(int direction);
    virtual void onTransfer(int direction, int bytesSoFar, const char* bytes, int length);
    virtual void onRedirect(const char* location, bool& accept);
    virtual void onStatus(const char* protocol, int statusCode, const char* statusText);

protected:
    int completeRequest(int action, int result);
    // 154 with its text for a field that would break the request's head; both paths check
    // before anything is sent.
    int checkRequestFields(bool viaProxy);

private:
    enum ChunkStep : unsigned char { kChunkSize, kChunkData, kChunkDataEnd, kChunkTrailer };

    int runRequest(const char* method, bool withBody);
    int beginRequest(const char* method);
    int sendRequest(bool withBody);
    int buildRequestHead(InlineString99& head, bool withBody, int contentLength);
    int sendAttachedFile(HANDLE file, unsigned expected, unsigned& sent);
    int waitForReply();
    void finishTransfer();
    void failTransfer(int code, const char* text);
    // The stored failure, its text back in lastError.
    int takeTransferError();
    bool finalAnswerStarted() const;
    // HEAD, 204 and 304 answers end at their head.
    bool answerHasNoBody() const;
    void takeLinePiece(const char* bytes, int length, bool endOfLine);
    void parseLine(const char* bytes, int length, bool endOfLine);
    void parseStatusLine(const char* bytes, int length);
    void parseHeaderLine(const char* bytes, int length);
    void endOfHeaders();
    void parseChunked(const char* bytes, int length);
    void takeBody(const char* bytes, int length);
    void closeLocalFile();

    bool transferEnded_ = false;
    int transferError_ = 0;
    InlineString99 transferErrorText_;
    bool localFileFailed_ = false;
    // The answer's Connection header.
    bool answerCloses_ = false;
    bool answerKeepsAlive_ = false;
    bool rerun_ = false;
    bool pendingBody_ = false;
    int redirects_ = 0;
    ChunkStep chunkStep_ = kChunkSize;
    InlineString99 chunkLine_;
    // A head line that arrives in several pieces, and the head's bytes so far.
    InlineString99 headLine_;
    int headBytes_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
