#include "express_checkout/checkout_engine.h"

#include <cstdio>
#include <cstring>

#include "express_checkout/client_certificate.h"
#include "payment_core/text_utils.h"
#include "win32/codepage.h"

#ifndef EXPRESS_CHECKOUT_API_HOST
#error "EXPRESS_CHECKOUT_API_HOST names the provider's live API host"
#endif

namespace express_checkout {

using namespace payment_core;

namespace {

constexpr const char* kApiNamespace = "urn:ebay:api:PayPalAPI";
constexpr const char* kVersionLine = "<Version xmlns=\"urn:ebay:apis:eBLBaseComponents\">~0~</Version>\n";

constexpr const char* kSetCheckoutTemplate =
    "<SetExpressCheckoutRequestDetails xmlns=\"urn:ebay:apis:eBLBaseComponents\">\n"
    "  <OrderTotal currencyID=\"~1~\">~2~</OrderTotal>\n"
    "  <ReturnURL>~12~</ReturnURL>\n"
    "  <CancelURL>~13~</CancelURL>\n"
    "  <Token>~11~</Token>\n"
    "  <MaxAmount>~16~</MaxAmount>\n"
    "  <OrderDescription>~7~</OrderDescription>\n"
    "  <Custom>~17~</Custom>\n"
    "  <InvoiceId>~8~</InvoiceId>\n"
    "  <ReqConfirmShipping>~18~</ReqConfirmShipping>\n"
    "  <NoShipping>~19~</NoShipping>\n"
    "  <LocaleCode>~20~</LocaleCode>\n"
    "  <PageStyle>~21~</PageStyle>\n"
    "  <cpp-header-image>~22~</cpp-header-image>\n"
    "  <cpp-header-border-color>~23~</cpp-header-border-color>\n"
    "  <cpp-header-back-color>~24~</cpp-header-back-color>\n"
    "  <cpp-payflow-color>~25~</cpp-payflow-color>\n"
    "  <PaymentAction>~14~</PaymentAction>\n"
    "  <BuyerEmail>~15~</BuyerEmail>\n"
    "</SetExpressCheckoutRequestDetails>\n";

constexpr const char* kDetailsTemplate = "<Token>~11~</Token>\n";

constexpr const char* kPaymentTemplate =
    "<DoExpressCheckoutPaymentRequestDetails xmlns=\"urn:ebay:apis:eBLBaseComponents\">\n"
    "  <PaymentAction>~14~</PaymentAction>\n"
    "  <Token>~11~</Token>\n"
    "  <PayerID>~26~</PayerID>\n"
    "  <PaymentDetails>\n"
    "    <OrderTotal currencyID=\"~1~\">~2~</OrderTotal>\n"
    "    <ItemTotal currencyID=\"~1~\">~3~</ItemTotal>\n"
    "    <ShippingTotal currencyID=\"~1~\">~4~</ShippingTotal>\n"
    "    <HandlingTotal currencyID=\"~1~\">~5~</HandlingTotal>\n"
    "    <TaxTotal currencyID=\"~1~\">~6~</TaxTotal>\n"
    "    <OrderDescription>~7~</OrderDescription>\n"
    "    <InvoiceID>~8~</InvoiceID>\n"
    "    <ButtonSource>~9~</ButtonSource>\n"
    "    <NotifyURL>~10~</NotifyURL>\n";

constexpr const char* kPaymentTemplateEnd =
    "  </PaymentDetails>\n"
    "</DoExpressCheckoutPaymentRequestDetails>\n";

constexpr const char* kTokenPaths[] = {
    "/Envelope/Body/DoExpressCheckoutPaymentResponse/DoExpressCheckoutPaymentResponseDetails/Token",
    "/Envelope/Body/GetExpressCheckoutDetailsResponse/GetExpressCheckoutDetailsResponseDetails/Token",
    "/Envelope/Body/SetExpressCheckoutResponse/Token",
};

// A value set by the host goes in as character data, so that its element carries exactly that
// value: the markup characters as entities, CR and TAB as character references (a reader
// would otherwise normalise them away).
int appendValue(InlineString99& out, const char* text, std::size_t length) {
    int result = kOk;
    for (std::size_t i = 0; i < length && !result; ++i) {
        switch (text[i]) {
        case '"': result = out.appendCString("&quot;"); break;
        case '&': result = out.appendCString("&amp;"); break;
        case '<': result = out.appendCString("&lt;"); break;
        case '>': result = out.appendCString("&gt;"); break;
        case '\r': result = out.appendCString("&#13;"); break;
        case '\t': result = out.appendCString("&#9;"); break;
        default: result = out.appendChar(text[i]);
        }
    }
    return result;
}

int appendValue(InlineString99& out, const InlineString99& text) {
    return appendValue(out, text.data(), static_cast<std::size_t>(text.length()));
}

int appendItem(InlineString99& out, const StringList& list, int i) {
    return appendValue(out, list.get(i), static_cast<std::size_t>(list.itemLength(i)));
}

int copyText(InlineString99& to, const InlineString99& from) {
    return to.assign(static_cast<std::size_t>(from.length()), from.data());
}

}  // namespace

const char* defaultEndpoint() { return "https://" EXPRESS_CHECKOUT_API_HOST "/2.0/"; }

CheckoutEngineBase::~CheckoutEngineBase() {
    ItemAmount.reset();
    ItemName.reset();
    ItemNumber.reset();
    ItemQuantity.reset();
    ItemSalesTax.reset();
}

int CheckoutEngineBase::setItemCount(int n) {
    if (n < 0) n = 0;
    int result = ItemAmount.resize(n);
    if (!result) result = ItemName.resize(n);
    if (!result) result = ItemNumber.resize(n);
    if (!result) result = ItemQuantity.resize(n);
    if (!result) result = ItemSalesTax.resize(n);
    return result;
}

CheckoutEngine::CheckoutEngine() {
    resetRequestFields();
    resetOrder();
    resetConnection();
}

CheckoutEngine::~CheckoutEngine() = default;

void CheckoutEngine::resetRequestFields() {
    Token.reset();
    ReturnURL.reset();
    CancelURL.reset();
    PaymentAction = aSale;
    BuyerEmail.reset();
    PayerId.reset();
    for (InlineString99* text : {&MaxAmount, &Custom, &ReqConfirmShipping, &NoShipping, &LocaleCode, &PageStyle,
                                 &HeaderImage, &HeaderBorderColor, &HeaderBackColor, &PayflowColor}) {
        text->reset();
    }
}

void CheckoutEngine::resetOrder() {
    Currency.assignCString("USD");
    OrderTotal.reset();
    ShippingTotal.reset();
    TaxTotal.reset();
    OrderDescription.reset();
    InvoiceNumber.reset();
    setItemCount(0);
    ItemTotal.reset();
    HandlingTotal.reset();
    NotifyURL.reset();
    ButtonSource.assignCString(kButtonSourceBase);
}

void CheckoutEngine::resetConnection() {
    doAction(kSoapReset);
    Endpoint.assignCString(defaultEndpoint());
    Version.assignCString("1.0");
    ApiUsername.reset();
    ApiPassword.reset();
}

const InlineString99* CheckoutEngine::parameterField(int n, const char*& name) const {
    struct Field {
        const char* name;
        const InlineString99 CheckoutEngine::*field;
    };
    // Parameters 1 and 14 are the control's own words.
    static constexpr Field kFields[kTemplateParameterCount] = {
        {"Version", &CheckoutEngine::Version},
        {nullptr, nullptr},
        {"OrderTotal", &CheckoutEngine::OrderTotal},
        {"ItemTotal", &CheckoutEngine::ItemTotal},
        {"ShippingTotal", &CheckoutEngine::ShippingTotal},
        {"HandlingTotal", &CheckoutEngine::HandlingTotal},
        {"TaxTotal", &CheckoutEngine::TaxTotal},
        {"OrderDescription", &CheckoutEngine::OrderDescription},
        {"InvoiceNumber", &CheckoutEngine::InvoiceNumber},
        {"ButtonSource", &CheckoutEngine::ButtonSource},
        {"NotifyURL", &CheckoutEngine::NotifyURL},
        {"Token", &CheckoutEngine::Token},
        {"ReturnURL", &CheckoutEngine::ReturnURL},
        {"CancelURL", &CheckoutEngine::CancelURL},
        {nullptr, nullptr},
        {"BuyerEmail", &CheckoutEngine::BuyerEmail},
        {"MaxAmount", &CheckoutEngine::MaxAmount},
        {"Custom", &CheckoutEngine::Custom},
        {"ReqConfirmShipping", &CheckoutEngine::ReqConfirmShipping},
        {"NoShipping", &CheckoutEngine::NoShipping},
        {"LocaleCode", &CheckoutEngine::LocaleCode},
        {"PageStyle", &CheckoutEngine::PageStyle},
        {"cpp-header-image", &CheckoutEngine::HeaderImage},
        {"cpp-header-border-color", &CheckoutEngine::HeaderBorderColor},
        {"cpp-header-back-color", &CheckoutEngine::HeaderBackColor},
        {"cpp-payflow-color", &CheckoutEngine::PayflowColor},
        {"PayerId", &CheckoutEngine::PayerId},
    };
    if (n < 0 || n >= kTemplateParameterCount || !kFields[n].field) return nullptr;
    name = kFields[n].name;
    return &(this->*kFields[n].field);
}

const char* CheckoutEngine::templateParameter(int n) const {
    if (n == 1) return Currency.data();
    if (n == 14) return PaymentAction == aAuthorization ? "Authorization" : "Sale";
    const char* name = nullptr;
    const InlineString99* field = parameterField(n, name);
    return field ? field->data() : "";
}

int CheckoutEngine::expandTemplate(const char* text, const char* const* parameters, InlineString99& out) {
    int result = kOk;
    const char* p = text;
    while (*p && !result) {
        if (*p != '~') {
            const char* next = std::strchr(p, '~');
            const std::size_t n = next ? static_cast<std::size_t>(next - p) : std::strlen(p);
            result = out.append(p, n);
            p += n;
            continue;
        }
        const char* close = std::strchr(p + 1, '~');
        if (!close) {
            result = out.appendCString(p + 1);
            break;
        }
        if (close == p + 1) {
            result = out.appendChar('~');
        } else {
            InlineString99 number;
            result = number.assign(static_cast<std::size_t>(close - p - 1), p + 1);
            const int n = result ? -1 : parseInt(number.data());
            if (!result && n >= 0 && n < kTemplateParameterCount) result = out.appendCString(parameters[n]);
        }
        p = close + 1;
    }
    return result;
}

// Host data is never template text: the template is expanded with the parameters as values,
// and the item texts follow it as values too.
int CheckoutEngine::buildBody(const char* templateText, bool withItems, InlineString99& out) {
    InlineString99 text;
    int result = text.appendCString(kVersionLine);
    if (!result) result = text.appendCString(templateText);
    InlineString99 values[kTemplateParameterCount];
    const char* parameters[kTemplateParameterCount];
    for (int n = 0; n < kTemplateParameterCount; ++n) {
        const char* value = templateParameter(n);
        if (!result) result = appendValue(values[n], value, std::strlen(value));
        parameters[n] = values[n].data();
    }
    if (!result) result = expandTemplate(text.data(), parameters, out);
    for (int i = 0; withItems && !result && i < itemCount(); ++i) {
        result = out.appendCString("  <PaymentItem>    <Name>");
        if (!result) result = appendItem(out, ItemName, i);
        if (!result) result = out.appendCString("</Name>    <Amount>");
        if (!result) result = appendItem(out, ItemAmount, i);
        if (!result) result = out.appendCString("</Amount>     <Number>");
        if (!result) result = appendItem(out, ItemNumber, i);
        if (!result) result = out.appendCString("</Number>    <Quantity>");
        if (!result) result = appendItem(out, ItemQuantity, i);
        if (!result) result = out.appendCString("</Quantity>  </PaymentItem>");
    }
    if (!result && withItems) result = out.appendCString(kPaymentTemplateEnd);
    return result;
}

namespace {
// The first character of the bytes that XML cannot carry, as its number; -1 when there is none.
// Below 0x20 only tab, line feed and CR are characters; in UTF-8, U+FFFE and U+FFFF are none.
long firstUnsendable(const char* bytes, std::size_t n, bool utf8) {
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return b;
        if (utf8 && b == 0xEF && i + 2 < n && static_cast<unsigned char>(bytes[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(bytes[i + 2]) & 0xFE) == 0xBE) {
            return 0xFFFE | (static_cast<unsigned char>(bytes[i + 2]) & 1);
        }
    }
    return -1;
}
}  // namespace

int CheckoutEngine::checkSendable(const char* name, int index, const char* bytes, std::size_t n) {
    const long c = firstUnsendable(bytes, n, resolveCodePage(CodePage) == static_cast<int>(CP_UTF8));
    if (c < 0) return kOk;
    char text[160];
    if (index < 0) {
        std::snprintf(text, sizeof text, "%s holds a character that XML cannot carry (U+%04lX).", name, c);
    } else {
        std::snprintf(text, sizeof text, "%s(%d) holds a character that XML cannot carry (U+%04lX).", name, index, c);
    }
    setLastError(text);
    return kUnsendableValue;
}

// Every value the request carries, before anything is built or sent.
int CheckoutEngine::checkRequestValues(const char* templateText, bool withItems) {
    int result = checkSendable("Username", -1, ApiUsername.data(), static_cast<std::size_t>(ApiUsername.length()));
    if (!result) result = checkSendable("Password", -1, ApiPassword.data(), static_cast<std::size_t>(ApiPassword.length()));
    char placeholder[8];
    for (int n = 0; !result && n < kTemplateParameterCount; ++n) {
        const char* name = nullptr;
        const InlineString99* field = parameterField(n, name);
        std::snprintf(placeholder, sizeof placeholder, "~%d~", n);
        const bool sent = std::strstr(kVersionLine, placeholder) || std::strstr(templateText, placeholder);
        if (field && sent) result = checkSendable(name, -1, field->data(), static_cast<std::size_t>(field->length()));
    }
    const struct {
        const char* name;
        const StringList& list;
    } items[] = {{"ItemName", ItemName}, {"ItemAmount", ItemAmount}, {"ItemNumber", ItemNumber}};
    for (int i = 0; withItems && !result && i < itemCount(); ++i) {
        for (const auto& item : items) {
            if (!result) {
                result = checkSendable(item.name, i, item.list.get(i), static_cast<std::size_t>(item.list.itemLength(i)));
            }
        }
    }
    return result;
}

void CheckoutEngine::startCall() {
    Request.reset();
    Response.reset();
    response.parser.reset();
}

int CheckoutEngine::require(const InlineString99& field, const char* message) {
    if (!field.empty()) return kOk;
    setLastError(message);
    return kMissingField;
}

bool CheckoutEngine::busy() const { return inCall_ || currentAction || winInetAction; }

int CheckoutEngine::refuseWhileBusy() {
    if (!busy()) return kOk;
    setLastError("Busy performing current action.", kHttpBusy);
    return kHttpBusy;
}

int CheckoutEngine::setCheckout() {
    int result = refuseWhileBusy();
    if (result) return result;
    const CallScope scope(inCall_);
    startCall();
    result = require(OrderTotal, "An OrderTotal is required for this transaction.");
    if (!result) result = require(ReturnURL, "A ReturnURL is required for this transaction.");
    if (!result) result = require(CancelURL, "A CancelURL is required for this transaction.");
    if (!result) result = checkRequestValues(kSetCheckoutTemplate, false);
    if (result) return result;
    InlineString99 body;
    result = buildBody(kSetCheckoutTemplate, false, body);
    if (result) return result;
    return callApi("SetExpressCheckoutReq", "SetExpressCheckoutRequest", body.data());
}

int CheckoutEngine::getCheckoutDetails(const char* token, int length) {
    int result = refuseWhileBusy();
    if (result) return result;
    const CallScope scope(inCall_);
    startCall();
    result = length < 0 ? Token.assignCString(token) : Token.assign(static_cast<std::size_t>(length), token);
    if (!result) result = require(Token, "A Token is required for this transaction.");
    if (!result) result = checkRequestValues(kDetailsTemplate, false);
    if (result) return result;
    InlineString99 body;
    result = buildBody(kDetailsTemplate, false, body);
    if (result) return result;
    return callApi("GetExpressCheckoutDetailsReq", "GetExpressCheckoutDetailsRequest", body.data());
}

int CheckoutEngine::checkoutPayment() {
    int result = refuseWhileBusy();
    if (result) return result;
    const CallScope scope(inCall_);
    startCall();
    result = require(Token, "A Token is required for this transaction.");
    if (!result) result = require(PayerId, "A PayerId is required for this transaction.");
    if (!result) result = require(OrderTotal, "An OrderTotal is required for this transaction.");
    if (!result) result = checkRequestValues(kPaymentTemplate, true);
    if (result) return result;
    InlineString99 body;
    result = buildBody(kPaymentTemplate, true, body);
    if (result) return result;
    return callApi("DoExpressCheckoutPaymentReq", "DoExpressCheckoutPaymentRequest", body.data());
}

int CheckoutEngine::callApi(const char* method, const char* parameter, const char* body) {
    int result = setParamCount(0);
    InlineString99 header;
    if (!result) {
        result = header.appendCString("<RequesterCredentials xmlns=\"urn:ebay:api:PayPalAPI\" "
                                      "SOAP-ENV:mustUnderstand=\"1\"><Credentials "
                                      "xmlns=\"urn:ebay:apis:eBLBaseComponents\"><Username>");
    }
    if (!result) result = appendValue(header, ApiUsername);
    if (!result) result = header.appendCString("</Username><Password>");
    if (!result) result = appendValue(header, ApiPassword);
    if (!result) result = header.appendCString("</Password><Subject/></Credentials></RequesterCredentials>");
    // The declarations replace those of the previous call: a repeated one would make the
    // envelope ill-formed.
    if (!result) result = resetNamespaces();
    if (!result) result = addNamespace("xsi", "http://www.w3.org/1999/XMLSchema-instance");
    if (!result) result = addNamespace("SOAP-ENC", kSoapEncodingNamespace);
    if (!result) result = addNamespace("xsd", "http://www.w3.org/1999/XMLSchema");
    if (!result) result = MethodNamespacePrefix.assignCString("");
    if (!result) result = SOAPHeader.assign(static_cast<std::size_t>(header.length()), header.data());
    if (!result) result = setMethodURI(kApiNamespace);
    if (!result) result = setSOAPAction("");
    if (!result) result = setMethod(method);
    if (!result) result = addParam(parameter, body, true);
    if (!result) result = doAction(kSoapBuild);
    if (!result) result = copyText(Request, PostData);
    if (!result) result = setUrl(Endpoint.data(), false);
    if (result) return result;
    result = doAction(kSoapPost);
    if (!result || result == kSoapFault || result == kHttpStatusFailure || (result >= 201 && result <= 210)) {
        Response.assign(static_cast<std::size_t>(PostData.length()), PostData.data());
    }
    if (result == kSoapFault) {
        InlineString99 text;
        text.appendCString("SOAP Fault in ");
        text.appendCString(faultCode());
        text.appendCString(": ");
        text.appendCString(faultString());
        setLastError(text.data());
        return kSoapFault;
    }
    if (result) return result;
    result = copyPayerId();
    if (!result) result = walkErrors();
    if (!result) result = checkAck();
    return result;
}

// An answer that says it failed fails the call, whether or not it lists an error entry.
int CheckoutEngine::checkAck() {
    InlineString99 ack;
    int result = ack.assignCString(responseText("/Envelope/Body/[1]/Ack"));
    if (result || (!ack.equals("Failure") && !ack.equals("FailureWithWarning"))) return result;
    InlineString99 text;
    result = text.appendCString("The provider answered ");
    if (!result) result = text.append(ack.data(), static_cast<std::size_t>(ack.length()));
    if (!result) result = text.appendChar('.');
    if (result) return result;
    if (eventSink) {
        eventSink->setCodePage(CodePage);
        eventSink->Error(kProviderError, text.data());
    }
    setLastError(text.data());
    return kProviderError;
}

int CheckoutEngine::copyPayerId() {
    InlineString99 path;
    int result = path.appendCString(kDetailsPath);
    if (!result) result = path.appendCString("PayerInfo/PayerID");
    if (result) return result;
    if (response.selectPath(path.data())) return kOk;
    const char* text = response.elementText();
    return *text ? PayerId.assignCString(text) : kOk;
}

int CheckoutEngine::walkErrors() {
    if (response.selectPath("/Envelope/Body/[1]")) return kOk;
    const int children = response.childCount();
    char base[48];
    char path[80];
    for (int i = 1; i <= children; ++i) {
        std::snprintf(base, sizeof base, "/Envelope/Body/[1]/[%d]", i);
        if (response.selectPath(base) || std::strcmp(response.localName(), "Errors") != 0) continue;
        InlineString99 text;
        int result = text.appendChar('[');
        for (const char* field : {"ErrorCode", "ShortMessage", "LongMessage"}) {
            std::snprintf(path, sizeof path, "%s/%s", base, field);
            if (!result && !response.selectPath(path)) result = text.appendCString(response.elementText());
            if (!result) result = text.appendCString(field[0] == 'E' ? "] " : ". ");
        }
        if (result) return result;
        text.removeLast();
        if (eventSink) {
            eventSink->setCodePage(CodePage);
            eventSink->Error(kProviderError, text.data());
        }
        std::snprintf(path, sizeof path, "%s/SeverityCode", base);
        if (!response.selectPath(path) && std::strcmp(response.elementText(), "Error") == 0) {
            setLastError(text.data());
            return kProviderError;
        }
    }
    return kOk;
}

int CheckoutEngine::setCertStore(const char* bytes, int length) {
    const int result = tls.setCertStore(bytes, length);
    return result ? result : selectClientCertificate(*this, tls, true);
}

int CheckoutEngine::setCertSubject(const char* text) {
    const int result = tls.SSLCertSubject.assignCString(text);
    return result ? result : selectClientCertificate(*this, tls, true);
}

int CheckoutEngine::setCertEncoded(const char* bytes, int length) {
    return setClientCertificateEncoded(tls, bytes, length);
}

const char* CheckoutEngine::responseText(const char* path) {
    answer_.reset();
    if (!response.selectPath(path)) answer_.assignCString(response.elementText());
    return answer_.data();
}

const char* CheckoutEngine::responseText(const char* base, const char* rest) {
    InlineString99 path;
    path.appendCString(base);
    path.appendCString(rest);
    return responseText(path.data());
}

const char* CheckoutEngine::responseToken() {
    for (const char* path : kTokenPaths) {
        if (*responseText(path)) return answer_.data();
    }
    return answer_.data();
}

int CheckoutEngine::setButtonSource(const char* value) {
    int result = ButtonSource.assignCString(kButtonSourceBase);
    if (!result && value && *value) {
        result = ButtonSource.appendChar('.');
        if (!result) result = ButtonSource.appendCString(value);
    }
    return result;
}

int CheckoutEngine::config(ConfigRequest& request, const char** answer) {
    if (answer) *answer = "";
    const bool query = request.isQuery;
    if (request.nameIs("ButtonSource")) {
        return query ? answerText(answer, ButtonSource.data()) : setButtonSource(request.value.data());
    }
    if (request.nameIs("Version")) {
        return query ? answerText(answer, Version.data()) : copyText(Version, request.value);
    }
    struct ReadOnlyKey {
        const char* name;
        const char* path;
    };
    static constexpr ReadOnlyKey kAnswerKeys[] = {
        {"Timestamp", "/Envelope/Body/[1]/Timestamp"},
        {"ResponseVersion", "/Envelope/Body/[1]/Version"},
        {"Build", "/Envelope/Body/[1]/Build"},
        {"CorrelationId", "/Envelope/Body/[1]/CorrelationID"},
    };
    for (const ReadOnlyKey& key : kAnswerKeys) {
        if (!request.nameIs(key.name)) continue;
        if (!query) return kOk;
        InlineString99 text;
        const int result = text.assignCString(responseText(key.path));
        return result ? result : answerText(answer, text.data());
    }
    const bool request_ = request.nameIs("Request");
    if (request_ || request.nameIs("Response")) {
        if (!query) return kOk;
        const InlineString99& text = request_ ? Request : Response;
        const int result = lastError.assign(static_cast<std::size_t>(text.length()), text.data());
        if (answer) *answer = lastError.data();
        return result;
    }
    const bool code = request.nameIs("FaultCode");
    if (code || request.nameIs("FaultString")) {
        if (!query) return kOk;
        InlineString99 text;
        const int result = text.assignCString(code ? faultCode() : faultString());
        return result ? result : answerText(answer, text.data());
    }
    return SoapClient::config(request, answer);
}

}  // namespace express_checkout
