#pragma once
// The request and response fields of the HTTP client; the behaviour is HttpClient's.

#include "payment_core/http_auth.h"
#include "payment_core/http_transport.h"
#include "payment_core/string_list.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

enum TProxySSL : unsigned char { psAutomatic = 0, psAlways = 1, psNever = 2, psTunnel = 3 };

class HttpRequestState : public HttpTransport {
public:
    InlineString99 URL;
    InlineString20 URLScheme;
    InlineString20 URLServer;
    int URLPort = 80;
    InlineString99 URLPath;
    InlineString20 DefaultScheme;
    int DefaultPort = 80;
    InlineString20 User;
    InlineString20 Password;
    unsigned char AuthScheme = kAuthBasic;
    InlineString20 Authorization;
    InlineString20 ProxyServer;
    int ProxyPort = 80;
    InlineString20 ProxyUser;
    InlineString20 ProxyPassword;
    InlineString20 ProxyAuthorization;
    unsigned char ProxySSL = psAutomatic;
    unsigned char FollowRedirects = 0;
    InlineString20 Accept;
    InlineString20 From;
    InlineString20 UserAgent;
    InlineString20 IfModifiedSince;
    InlineString20 Referer;
    InlineString20 Pragma;
    InlineString20 Range;
    InlineString20 HTTPVersion;
    InlineString20 HTTPMethod;
    StringList Cookies;
    InlineString99 OtherHeaders;
    InlineString99 PostData;
    InlineString50 AttachedFile;
    InlineString99 ContentType;
    bool KeepAlive = false;
    int MaxTransferredData = 4096;
    InlineString50 LocalFile;

    InlineString30 StatusLine;
    InlineString20 StatusProtocol;
    int StatusCode = 0;
    InlineString20 StatusText;
    InlineString99 ResponseHeaders;
    InlineString99 TransferredData;
    InlineString50 Location;
    int ContentLength = -1;
    bool chunked = false;
    int chunkRemaining = 0;
    int bytesReceived = 0;
    unsigned char responseState = 0;
    HANDLE localFileHandle = INVALID_HANDLE_VALUE;
    InlineString20 requestMethod;
    unsigned char currentAction = 0;

    DigestState digest;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
