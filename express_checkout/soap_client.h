#pragma once
// A SOAP 1.1 client on the HTTP client chain: builds the request envelope from a method, its
// namespace and a parameter list, posts it with a SOAPAction header, parses the answer into the
// document, turns a fault into an error and lists the method response's children as return
// values. This control's copy of the core adds its own transport settings at this level.

#include "payment_core/web_form_client.h"
#include "payment_core/xml_object.h"

#include <string_view>

namespace express_checkout {

using payment_core::ConfigRequest;
using payment_core::InlineString99;
using payment_core::StringList;

constexpr int kSoapNoMethod = 171;
constexpr int kSoapNoMethodUri = 172;
constexpr int kSoapFault = 173;

inline constexpr const char* kSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kSoapEncodingNamespace = "http://schemas.xmlsoap.org/soap/encoding/";

enum SoapAction : int { kSoapPost = 1, kSoapReset = 2, kSoapBuild = 3, kSoapSend = 4, kSoapParse = 5 };

class SoapClient : public payment_core::WebFormClient {
public:
    SoapClient();
    ~SoapClient() override;

    int config(ConfigRequest& request, const char** answer) override;

    // 1 build, post and parse; 2 reset; 3 build only; 4 post the built request (the answer goes
    // to PostData unparsed); 5 parse PostData. Other actions do nothing.
    int doAction(int action);
    int buildEnvelope();
    int parseResponse();
    // The double quote, "&", "<" and ">" as entities; every other byte as it is.
    static int xmlEscape(const char* text, InlineString99& out);

    // The last answer's fault texts; "" with the path error as last error when there is none.
    const char* faultCode();
    const char* faultString();

    // SOAPAction becomes MethodURI, "#" and Method, and the header line is filled with it.
    int setMethodURI(const char* text);
    // SOAPAction becomes MethodURI, "#" and the name; the header line is left alone.
    int setMethod(const char* text);
    // Stores the text and makes the extra header line "SOAPAction: " with it.
    int setSOAPAction(const char* text);
    // Parameter i (from 1) is item i of the three lists; 0 parameters leaves one empty item.
    int setParamCount(int n);
    // Appends a parameter; its value goes into the envelope escaped unless raw.
    int addParam(const char* name, const char* value, bool raw, const char* attributes = "");
    // Item 0 (the envelope's prefix and namespace) and nothing else.
    int resetNamespaces();
    int addNamespace(const char* prefix, const char* uri);

    InlineString99 Method;
    InlineString99 MethodURI;
    InlineString99 MethodNamespacePrefix;
    InlineString99 SOAPAction;
    InlineString99 EncodingStyle;
    InlineString99 SOAPHeader;
    StringList namespacePrefixes;
    StringList namespaceURIs;
    StringList paramNames;
    StringList paramValues;
    StringList paramAttributes;
    payment_core::XmlObject response;

private:
    int post(int action);
    int parseAnswer();
    int answerInCodePage();
    int resetSoap();
    int returnValues();
    const char* pathText(const char* path);
    int configTransport(ConfigRequest& request, const char** answer, bool& handled);
    int setMaxLineSize(int size);

    InlineString99 pathAnswer_;
};

}  // namespace express_checkout
