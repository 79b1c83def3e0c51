#include "express_checkout/soap_client.h"

#include <cstring>

#include "payment_core/text_utils.h"
#include "win32/codepage.h"

namespace express_checkout {

using namespace payment_core;

namespace {

constexpr const char* kEnvelopeFaultPath = "/Envelope/Body/Fault";

template <int N>
int appendText(InlineString99& out, const InlineString<N>& text) {
    return out.append(text.data(), static_cast<std::size_t>(text.length()));
}

int appendAttribute(InlineString99& out, const char* name, const char* value) {
    int result = out.appendCString(name);
    if (!result) result = out.appendCString("=\"");
    if (!result) result = out.appendCString(value);
    if (!result) result = out.appendChar('"');
    return result;
}

int appendItem(InlineString99& out, const StringList& list, int i) {
    return out.append(list.get(i), static_cast<std::size_t>(list.itemLength(i)));
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The encoding name the document's XML declaration gives; empty without one.
std::string_view declaredEncoding(const char* text, std::size_t n) {
    const std::string_view document(text, n);
    const std::size_t start = document.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    if (document.compare(start, 5, "<?xml") != 0 || start + 5 >= n || !isBlank(document[start + 5])) return {};
    const std::size_t end = document.find("?>", start);
    if (end == std::string_view::npos) return {};
    const std::string_view declaration = document.substr(start + 5, end - start - 5);
    const std::size_t key = declaration.find("encoding");
    if (key == std::string_view::npos) return {};
    std::size_t at = key + 8;
    while (at < declaration.size() && isBlank(declaration[at])) ++at;
    if (at >= declaration.size() || declaration[at] != '=') return {};
    ++at;
    while (at < declaration.size() && isBlank(declaration[at])) ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
    const std::size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) return {};
    return declaration.substr(at + 1, close - at - 1);
}

}  // namespace

SoapClient::SoapClient() {
    // Texts are UTF-8 unless the host names another code page; the envelope declares which.
    CodePage = CP_UTF8;
    initHttpsDefaults();
    MethodNamespacePrefix.assignCString("m");
    EncodingStyle.assignCString(kSoapEncodingNamespace);
    resetNamespaces();
    setParamCount(0);
    MaxTransferredData = 0;
    formEncoding = kFormUrlEncoded;
    formBusy = 0;
    ContentType.assignCString("text/xml");
    response.setBuildDOM(true);
    // This control's build keeps lines of up to 4000 bytes, on both queues.
    TcpClient::setMaxLineSize(4000);
    plainQueue.allocate(4000);
}

SoapClient::~SoapClient() {
    namespacePrefixes.reset();
    namespaceURIs.reset();
    paramNames.reset();
    paramValues.reset();
    paramAttributes.reset();
}

int SoapClient::resetNamespaces() {
    int result = namespacePrefixes.resize(0);
    if (!result) result = namespaceURIs.resize(0);
    if (!result) result = namespacePrefixes.add("SOAP-ENV");
    if (!result) result = namespaceURIs.add(kSoapEnvelopeNamespace);
    return result;
}

int SoapClient::addNamespace(const char* prefix, const char* uri) {
    int result = namespacePrefixes.add(prefix);
    if (!result) result = namespaceURIs.add(uri);
    return result;
}

int SoapClient::setParamCount(int n) {
    const int items = n + 1;
    int result = paramNames.resize(0);
    if (!result) result = paramValues.resize(0);
    if (!result) result = paramAttributes.resize(0);
    if (!result) result = paramNames.resize(items);
    if (!result) result = paramValues.resize(items);
    if (!result) result = paramAttributes.resize(items);
    return result;
}

int SoapClient::addParam(const char* name, const char* value, bool raw, const char* attributes) {
    InlineString99 escaped;
    int result = raw ? escaped.appendCString(value) : xmlEscape(value, escaped);
    if (!result) result = paramNames.add(name);
    if (!result) result = paramValues.add(escaped.data(), static_cast<std::size_t>(escaped.length()));
    if (!result) result = paramAttributes.add(attributes);
    return result;
}

int SoapClient::setSOAPAction(const char* text) {
    int result = SOAPAction.assignCString(text);
    if (!result) result = OtherHeaders.assignCString("SOAPAction: ");
    if (!result) result = appendText(OtherHeaders, SOAPAction);
    return result;
}

int SoapClient::setMethodURI(const char* text) {
    InlineString99 action;
    int result = MethodURI.assignCString(text);
    if (!result) result = appendText(action, MethodURI);
    if (!result) result = action.appendChar('#');
    if (!result) result = appendText(action, Method);
    if (!result) result = setSOAPAction(action.data());
    return result;
}

int SoapClient::setMethod(const char* text) {
    int result = Method.assignCString(text);
    if (!result) result = SOAPAction.assign(static_cast<std::size_t>(MethodURI.length()), MethodURI.data());
    if (!result) result = SOAPAction.appendChar('#');
    if (!result) result = appendText(SOAPAction, Method);
    return result;
}

int SoapClient::xmlEscape(const char* text, InlineString99& out) {
    int result = kOk;
    for (const char* p = text ? text : ""; *p && !result; ++p) {
        switch (*p) {
        case '"':
            result = out.appendCString("&quot;");
            break;
        case '&':
            result = out.appendCString("&amp;");
            break;
        case '<':
            result = out.appendCString("&lt;");
            break;
        case '>':
            result = out.appendCString("&gt;");
            break;
        default:
            result = out.appendChar(*p);
        }
    }
    return result;
}

int SoapClient::buildEnvelope() {
    if (Method.empty()) {
        setLastError("No method name. Please specify a valid Method.");
        return kSoapNoMethod;
    }
    if (MethodURI.empty()) {
        setLastError("No method URI. Please specify a valid MethodURI.");
        return kSoapNoMethodUri;
    }
    const char* p = namespacePrefixes.itemLength(0) ? namespacePrefixes.get(0) : "SOAP-ENV";
    const char* m = MethodNamespacePrefix.data();
    const bool prefixed = !MethodNamespacePrefix.empty();
    InlineString99 out;
    InlineString99 name;
    int result = out.appendCString("<?xml version=\"1.0\" ");
    if (!result) result = appendAttribute(out, "encoding", encodingOfCodePage(CodePage));
    if (!result) result = out.appendCString("?><");
    if (!result) result = out.appendCString(p);
    if (!result) result = out.appendCString(":Envelope ");
    if (!result) result = name.appendCString("xmlns:");
    if (!result) result = name.appendCString(p);
    if (!result) result = appendAttribute(out, name.data(), namespaceURIs.get(0));
    if (!result && !EncodingStyle.empty()) {
        name.reset();
        result = out.appendChar(' ');
        if (!result) result = name.appendCString(p);
        if (!result) result = name.appendCString(":encodingStyle");
        if (!result) result = appendAttribute(out, name.data(), EncodingStyle.data());
    }
    for (int i = 1; !result && i < namespaceURIs.count(); ++i) {
        name.reset();
        result = out.appendChar(' ');
        if (!result) result = name.appendCString("xmlns:");
        if (!result) result = name.appendCString(namespacePrefixes.get(i));
        if (!result) result = appendAttribute(out, name.data(), namespaceURIs.get(i));
    }
    if (!result) result = out.appendChar('>');
    if (!result && !SOAPHeader.empty()) {
        result = out.appendChar('<');
        if (!result) result = out.appendCString(p);
        if (!result) result = out.appendCString(":Header>");
        if (!result) result = appendText(out, SOAPHeader);
        if (!result) result = out.appendCString("</");
        if (!result) result = out.appendCString(p);
        if (!result) result = out.appendCString(":Header>");
    }
    if (!result) result = out.appendChar('<');
    if (!result) result = out.appendCString(p);
    if (!result) result = out.appendCString(":Body><");
    if (!result && prefixed) {
        result = out.appendCString(m);
        if (!result) result = out.appendChar(':');
    }
    if (!result) result = appendText(out, Method);
    if (!result) result = out.appendChar(' ');
    name.reset();
    if (!result) result = name.appendCString("xmlns");
    if (!result && prefixed) {
        result = name.appendChar(':');
        if (!result) result = name.appendCString(m);
    }
    if (!result) result = appendAttribute(out, name.data(), MethodURI.data());
    if (!result) result = out.appendChar('>');
    for (int i = 1; !result && i < paramNames.count(); ++i) {
        result = out.appendChar('<');
        if (!result) result = appendItem(out, paramNames, i);
        if (!result && paramAttributes.itemLength(i) > 0) {
            result = out.appendChar(' ');
            if (!result) result = appendItem(out, paramAttributes, i);
        }
        if (!result) result = out.appendChar('>');
        if (!result) result = appendItem(out, paramValues, i);
        if (!result) result = out.appendCString("</");
        if (!result) result = appendItem(out, paramNames, i);
        if (!result) result = out.appendChar('>');
    }
    if (!result) result = out.appendCString("</");
    if (!result && prefixed) {
        result = out.appendCString(m);
        if (!result) result = out.appendChar(':');
    }
    if (!result) result = appendText(out, Method);
    if (!result) result = out.appendCString("></");
    if (!result) result = out.appendCString(p);
    if (!result) result = out.appendCString(":Body></");
    if (!result) result = out.appendCString(p);
    if (!result) result = out.appendCString(":Envelope>");
    if (!result) PostData = static_cast<InlineString99&&>(out);
    return result;
}

int SoapClient::post(int action) {
    if (action == kSoapPost) {
        const int built = buildEnvelope();
        if (built) return built;
    }
    if (OtherHeaders.empty()) {
        const int result = setSOAPAction(SOAPAction.data());
        if (result) return result;
    }
    int result = performActionWinInet(kActionPost);
    // The answer's parser looks for a status line again; single-line delivery ends with it.
    stopAfterItem = 0;
    if (result && result != kHttpStatusFailure) return result;
    PostData = static_cast<InlineString99&&>(TransferredData);
    TransferredData.reset();
    if (action != kSoapPost) return result;
    if (!result) return parseAnswer();
    // Only a fault explains a failed status better than the status does.
    InlineString99 status;
    status.assign(static_cast<std::size_t>(lastError.length()), lastError.data());
    const int parsed = parseResponse();
    if (parsed == kSoapFault) return parsed;
    setLastError(status.data());
    return kHttpStatusFailure;
}

// An answer that holds no document at all is named for what came, not for the document
// the parser could not build.
int SoapClient::parseAnswer() {
    bool blank = true;
    for (int i = 0; i < PostData.length() && blank; ++i) blank = std::strchr(" \t\r\n", PostData.data()[i]) != nullptr;
    if (blank) {
        setLastError("No answer from the server.");
        return kHttpBadResponse;
    }
    const int result = parseResponse();
    if (result != kDomUnavailable) return result;
    setLastError("The answer is not an XML document.");
    return kHttpBadResponse;
}

int SoapClient::resetSoap() {
    PostData.reset();
    OtherHeaders.reset();
    response.parser.reset();
    int result = setParamCount(0);
    performAction(kActionClear);
    if (!result) result = ContentType.assignCString("text/xml");
    return result;
}

int SoapClient::doAction(int action) {
    switch (action) {
    case kSoapPost:
    case kSoapSend:
        return post(action);
    case kSoapReset:
        return resetSoap();
    case kSoapBuild:
        return buildEnvelope();
    case kSoapParse:
        return parseResponse();
    default:
        return kOk;
    }
}

int SoapClient::returnValues() {
    int result = response.selectPath("/Envelope/Body/[1]");
    if (result) return result;
    const int children = response.childCount();
    result = paramNames.resize(0);
    if (!result) result = paramValues.resize(0);
    if (!result) result = paramAttributes.resize(0);
    char path[48];
    for (int i = 1; !result && i <= children; ++i) {
        std::snprintf(path, sizeof path, "/Envelope/Body/[1]/[%d]", i);
        result = response.selectPath(path);
        InlineString99 name;
        InlineString99 attributes;
        if (!result) result = response.qualifiedName(name);
        for (int a = 1; !result && a <= response.attributeCount(); ++a) {
            const char* attributeName = "";
            const char* attributeValue = "";
            result = response.attributeName(a, &attributeName);
            if (!result) result = response.attributeValue(a, &attributeValue);
            if (!result && a > 1) result = attributes.appendChar(' ');
            if (!result) result = appendAttribute(attributes, attributeName, attributeValue);
        }
        if (!result) result = paramNames.add(name.data(), static_cast<std::size_t>(name.length()));
        if (!result) result = paramValues.add(response.elementText());
        if (!result) result = paramAttributes.add(attributes.data(), static_cast<std::size_t>(attributes.length()));
    }
    if (!result && children == 0) result = setParamCount(0);
    if (result) lastError.assign(static_cast<std::size_t>(response.lastError.length()), response.lastError.data());
    return result;
}

// An answer is read in the encoding its declaration names (UTF-8 without one) and kept in the
// control's code page, as every other text is.
int SoapClient::answerInCodePage() {
    const std::string_view name = declaredEncoding(PostData.data(), static_cast<std::size_t>(PostData.length()));
    const int from = name.empty() ? static_cast<int>(CP_UTF8) : codePageOfEncoding(name.data(), name.size());
    InlineString99 text;
    if (!from) {
        text.appendCString("The answer's encoding \"");
        text.append(name.data(), name.size());
        text.appendCString("\" cannot be read.");
        setLastError(text.data());
        return kHttpBadResponse;
    }
    if (resolveCodePage(from) == resolveCodePage(CodePage)) return kOk;
    const char* bytes = PostData.data();
    std::size_t n = static_cast<std::size_t>(PostData.length());
    // The mark that tells UTF-8 is no character of the document.
    if (from == static_cast<int>(CP_UTF8) && n >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        bytes += 3;
        n -= 3;
    }
    if (!convertCodePage(bytes, n, from, CodePage, text)) {
        setLastError("The answer could not be converted to the control's code page.");
        return kHttpBadResponse;
    }
    PostData = static_cast<InlineString99&&>(text);
    return kOk;
}

int SoapClient::parseResponse() {
    lastError.reset();
    response.parser.reset();
    int result = answerInCodePage();
    if (result) return result;
    response.parser.CodePage = CodePage;
    result = response.parse(PostData.data());
    // What a failed parse recorded is no answer: nothing of it is read as one.
    if (result) response.parser.reset();
    if (!result) {
        const int fault = response.selectPath(kEnvelopeFaultPath);
        if (fault == kOk) {
            setLastError("SOAP Fault. See the FaultCode or FaultString property for details.");
            return kSoapFault;
        }
        result = fault == kNoSuchChild ? returnValues() : fault;
    }
    if (result && lastError.empty()) lastError.assignCString(xmlErrorText(result));
    return result;
}

const char* SoapClient::pathText(const char* path) {
    pathAnswer_.reset();
    if (response.selectPath(path)) {
        lastError.assign(static_cast<std::size_t>(response.lastError.length()), response.lastError.data());
        return "";
    }
    pathAnswer_.assignCString(response.elementText());
    return pathAnswer_.data();
}

const char* SoapClient::faultCode() { return pathText("/Envelope/Body/Fault/faultcode"); }

const char* SoapClient::faultString() { return pathText("/Envelope/Body/Fault/faultstring"); }

int SoapClient::setMaxLineSize(int size) {
    if (!tlsOn) return TcpClient::setMaxLineSize(size);
    if (socket != INVALID_SOCKET) {
        setLastError("You cannot change MaxLineSize at this time. A connection is in progress.");
        return 112;
    }
    if (size < 1) size = 1;
    if (size > 65536) size = 65536;
    return plainQueue.allocate(size);
}

int SoapClient::configTransport(ConfigRequest& request, const char** answer, bool& handled) {
    handled = true;
    const bool query = request.isQuery;
    if (request.nameIs("SingleLineMode")) {
        if (query) return answerBool(answer, stopAfterItem != 0);
        stopAfterItem = parseBoolValue(request) ? 1 : 0;
        return kOk;
    }
    if (request.nameIs("SSLProvider")) {
        if (query) return answerText(answer, tls.providerName.data());
        return tls.providerName.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
    }
    if (request.nameIs("SSLCipherStrength")) {
        if (query) return answerInt(answer, tls.minimumCipherStrength);
        tls.minimumCipherStrength = request.intValue();
        return kOk;
    }
    if (request.nameIs("MaxLineLength")) {
        if (query) return answerInt(answer, tlsOn ? plainQueue.capacity : getMaxLineSize());
        return setMaxLineSize(request.intValue());
    }
    handled = false;
    return kOk;
}

int SoapClient::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("MethodNamespacePrefix")) {
        if (request.isQuery) return answerText(answer, MethodNamespacePrefix.data());
        return MethodNamespacePrefix.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
    }
    bool handled = false;
    const int result = configTransport(request, answer, handled);
    if (handled) return result;
    return WebFormClient::config(request, answer);
}

}  // namespace express_checkout
