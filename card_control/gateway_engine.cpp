#include "card_control/gateway_engine.h"

#include "payment_core/com_bridge.h"
#include "payment_core/http_url.h"
#include "payment_core/text_utils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace card_control {

using payment_core::kOk;
using payment_core::kInterrupted;

namespace {

int assignView(InlineString99& to, std::string_view text) { return to.assign(text.size(), text.data()); }

std::string copyOf(const char* text) { return text ? text : ""; }

}  // namespace

// ---- GatewayTransport ----

void GatewayTransport::onHeader(const char* name, const char* value) {
    if (!receivedHeaderNames.add(name)) receivedHeaderValues.add(value);
}

void GatewayTransport::onDataIn(const char* bytes, int length, int eolFound) {
    if (raw_) {
        payment_core::NetComponent::onDataIn(bytes, length, eolFound);
        return;
    }
    WebFormClient::onDataIn(bytes, length, eolFound);
}

void GatewayTransport::onConnected(int code, const char* text) {
    if (!raw_) WebFormClient::onConnected(code, text);
}

void GatewayTransport::onDisconnected(int code, const char* text) {
    if (!raw_) {
        WebFormClient::onDisconnected(code, text);
        return;
    }
    rawClosed_ = true;
    rawCloseCode_ = code;
}

int GatewayTransport::rawTlsExchange(const char* host, int port, const char* bytes, int length) {
    // A connection left by an earlier request may lead elsewhere; every exchange starts afresh.
    closeConnection();
    for (int i = 0; i < 10; ++i) waitCycle(0);
    raw_ = true;
    // Without an EOL every received chunk counts as a complete item; stopping after one would
    // leave the rest of the answer and the peer's close unread.
    const unsigned char stopAfterItemWas = stopAfterItem;
    stopAfterItem = 0;
    lastError.reset();
    TransferredData.reset();
    armDeadline();
    int result = setLineMode(false);
    if (!result) result = setTunnel(nullptr, 0);
    if (!result) result = setRemote(host, port);
    setSslMode(true);
    if (!result) result = connectAndWait();
    if (!result) {
        rawClosed_ = false;
        rawCloseCode_ = 0;
        result = sendAll(bytes, length, false);
        if (result) {
            closeConnection();
        } else {
            // The answer ends when the peer closes the connection.
            while (!rawClosed_ && !dataInResult) {
                if (!waitCycle(waitSlice)) {
                    closeConnection();
                    result = kInterrupted;
                    break;
                }
            }
            if (!result && dataInResult) result = dataInResult;
            if (!result && rawCloseCode_) result = rawCloseCode_;
        }
    }
    if (TransferredData.assign(static_cast<std::size_t>(message.length()), message.data()) && !result)
        result = payment_core::kOutOfMemory;
    message.reset();
    stopAfterItem = stopAfterItemWas;
    raw_ = false;
    if (result && lastError.empty()) payment_core::setErrorFromCode(*this, result);
    return result;
}

// ---- GatewayFields ----

int GatewayFields::transactionType() const { return std::atoi(slot(RequestSlot::TransactionType).data()); }
int GatewayFields::cardType() const { return std::atoi(slot(RequestSlot::CardType).data()); }

// ---- GatewayEngine ----

GatewayEngine::GatewayEngine() {
    GatewayTable::initialise();
    initHttpsDefaults();
    slot(RequestSlot::CardExpMonth).assignCString("01");
    slot(RequestSlot::CardExpYear).assignCString("00");
    slot(RequestSlot::TransactionType).assignCString("0");
    slot(RequestSlot::CardType).assignCString("0");
    setTimeout(30);
}

GatewayEngine::~GatewayEngine() = default;

int GatewayEngine::fail(int code, const char* text) {
    setLastError(text);
    return code;
}

int GatewayEngine::takeError(payment_core::CoreComponent& from, int code) {
    lastError.assign(static_cast<std::size_t>(from.lastError.length()), from.lastError.data());
    return code;
}

int GatewayEngine::setGateway(int g) {
    if (g < gwNoGateway || g >= GatewayCount)
        return fail(kInvalidValue, "Invalid Gateway (Please see help file for valid values).");
    gateway = g;
    int result = resetSpecialFields();
    const char* endpoint = GatewayTable::row(g).endpoint;
    if (GatewayURL.assignCString(endpoint ? endpoint : "") && !result) result = payment_core::kOutOfMemory;
    return result;
}

int GatewayEngine::setTransactionType(int t) {
    if (t < ttSale || t > ttAVSOnly)
        return fail(kInvalidValue, "Data out of range (Please see help file for valid values).");
    slot(RequestSlot::TransactionType).reset();
    return slot(RequestSlot::TransactionType).appendInt(t);
}

int GatewayEngine::setCardType(int t) {
    slot(RequestSlot::CardType).reset();
    if (t < ccUnknown || t > ccBankCard) {
        slot(RequestSlot::CardType).assignCString("0");
        return fail(kInvalidValue, "Invalid card type. See the documentation for a list of valid card types.");
    }
    return slot(RequestSlot::CardType).appendInt(t);
}

int GatewayEngine::setCardNumber(const char* text) {
    if (int rc = validator.setNumber(text)) return takeError(validator, rc);
    const InlineString99& digits = validator.number();
    if (slot(RequestSlot::CardNumber).assign(static_cast<std::size_t>(digits.length()), digits.data()))
        return payment_core::kOutOfMemory;
    return setCardType(CardValidator::cardTypeOf(digits.data()));
}

int GatewayEngine::setCardExpMonth(const char* text) {
    InlineString99& month = slot(RequestSlot::CardExpMonth);
    if (!text || !*text) {
        month.reset();
        return kOk;
    }
    const int n = std::atoi(text);
    if (n < 1 || n > 12) return fail(kInvalidValue, "Out of range (CardExpMonth must be between 01 and 12).");
    char two[8];
    std::snprintf(two, sizeof two, "%.2i", n);
    return month.assignCString(two);
}

int GatewayEngine::setCardExpYear(const char* text) {
    InlineString99& year = slot(RequestSlot::CardExpYear);
    if (!text || !*text) {
        year.reset();
        return kOk;
    }
    int n = std::atoi(text);
    if (n >= 2000 && n <= 2099) n -= 2000;
    if (n < 0 || n > 99) return fail(kInvalidValue, "Out of range (CardExpYear must be between 00 and 99).");
    char two[8];
    std::snprintf(two, sizeof two, "%.2i", n);
    return year.assignCString(two);
}

int GatewayEngine::setRequestField(int index, const char* text) {
    if (index < 0 || index >= RequestSlotCount) {
        requestField(index);
        return kFieldIndexError;
    }
    return slots[index].assignCString(text);
}

const char* GatewayEngine::requestField(int index) {
    if (index < 0 || index >= RequestSlotCount) {
        setLastError("Error Indexing FieldVals.");
        if (eventSink) {
            eventSink->setCodePage(CodePage);
            eventSink->Error(kFieldIndexError, lastError.data());
        }
        return nullptr;
    }
    return slots[index].data();
}

int GatewayEngine::addSpecialField(const char* name, const char* value) {
    int result = specialNames.add(name ? name : "");
    if (!result) result = specialValues.add(value ? value : "");
    return result;
}

int GatewayEngine::resetSpecialFields() {
    specialNames.reset();
    specialValues.reset();
    if (!GatewayTable::isGateway(gateway)) return kOk;
    const int pairs = row().pairCount;
    for (int i = 0; i < pairs; ++i) {
        if (i >= FixedPairCapacity) return fail(kInvalidValue, "Field index out of bounds.");
        const FixedPair pair = GatewayTable::fixedPair(gateway, i);
        if (int rc = addSpecialField(pair.name, pair.value)) return rc;
    }
    return kOk;
}

int GatewayEngine::setSpecialFieldCount(int count) {
    int result = specialNames.resize(count);
    if (!result) result = specialValues.resize(count);
    return result;
}

int GatewayEngine::specialField(const StringList& list, int index, const char** text) {
    if (index < 1 || index > list.count())
        return fail(kSpecialFieldIndex, "Invalid form variable index (out of range).");
    *text = list.get(index - 1);
    return kOk;
}

int GatewayEngine::setSpecialField(StringList& list, int index, const char* text) {
    if (index < 1 || index > list.count())
        return fail(kSpecialFieldIndex, "Invalid form variable index (out of range).");
    return list.set(index - 1, text ? text : "");
}

int GatewayEngine::resetData() {
    setGateway(gwNoGateway);
    clearRequestState();
    clearFormVariables(0);
    specialNames.reset();
    specialValues.reset();
    answer.clearResponseFields();
    ResponseData.reset();
    for (InlineString99& s : slots) s.reset();
    slot(RequestSlot::CardExpMonth).assignCString("01");
    slot(RequestSlot::CardExpYear).assignCString("00");
    slot(RequestSlot::TransactionType).assignCString("0");
    slot(RequestSlot::CardType).assignCString("0");
    validator.reset();
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::AIM);
    return kOk;
}

int GatewayEngine::preAuthorize() {
    lastError.reset();
    const int rc = validator.preAuthorize(slot(RequestSlot::CardNumber).data(), slot(RequestSlot::CardExpMonth).data(),
                                          slot(RequestSlot::CardExpYear).data());
    return rc ? takeError(validator, rc) : kOk;
}

int GatewayEngine::prepareRequest() {
    int result = buildRequest();
    if (!result) result = addGatewayExtras();
    return result;
}

int GatewayEngine::authorize() {
    lastError.reset();
    if (gateway == gwNoGateway) return fail(kNoGateway, "Must specify gateway");
    answer.clearResponseFields();
    ResponseData.reset();
    clearFormVariables(0);
    clearRequestState();
    // Only the rows that ask for redirects follow them, in this transaction alone.
    FollowRedirects = 0;
    // A cut answer would fail to parse after the card was charged.
    MaxTransferredData = 0;
    if (int rc = prepareRequest()) return rc;
    if (gateway == gwPayFlowPro) return payFlowProExchange();
    receivedHeaderNames.reset();
    receivedHeaderValues.reset();
    const int result = send();
    if (result) {
        if (lastError.empty()) lastError.assign(static_cast<std::size_t>(TransferredData.length()), TransferredData.data());
        ResponseData.assign(static_cast<std::size_t>(TransferredData.length()), TransferredData.data());
        return result;
    }
    if (ResponseData.assign(static_cast<std::size_t>(TransferredData.length()), TransferredData.data()))
        return payment_core::kOutOfMemory;
    return parseAnswer();
}

int GatewayEngine::send() {
    switch (gateway) {
    case gwLinkPoint:
    case gwFirstData:
    case gwYourPay:
        return linkPointExchange();
    default:
        break;
    }
    if (int rc = setUrl(GatewayURL.data(), false)) return rc;
    if (requestScheme_.assign(static_cast<std::size_t>(URLScheme.length()), URLScheme.data()) ||
        requestHost_.assign(static_cast<std::size_t>(URLServer.length()), URLServer.data()))
        return payment_core::kOutOfMemory;
    switch (gateway) {
    case gwOrbital:
    case gwACHPAyments:
    case gwPaymentsGateway:
        return performActionWinInet(payment_core::kActionPost);
    default:
        return postFormVariables(1);
    }
}

// The request carries card data: it is posted again only to the host it was meant for, and never
// from https to plain http.
void GatewayEngine::onRedirect(const char* location, bool& accept) {
    GatewayTransport::onRedirect(location, accept);
    payment_core::InlineString20 scheme, host, user, password;
    InlineString99 path;
    int port = URLPort;
    scheme.assign(static_cast<std::size_t>(requestScheme_.length()), requestScheme_.data());
    host.assign(static_cast<std::size_t>(requestHost_.length()), requestHost_.data());
    if (payment_core::splitUrl(location, scheme, host, path, port, user, password) ||
        !payment_core::equalsNoCase(host.data(), requestHost_.data()) ||
        (payment_core::equalsNoCase(requestScheme_.data(), "https") && !payment_core::equalsNoCase(scheme.data(), "https")))
        accept = false;
}

// GatewayURL holds host and port joined by a colon, possibly after a scheme.
int GatewayEngine::linkPointExchange() {
    std::string target = GatewayURL.data();
    const std::size_t scheme = target.find("://");
    if (scheme != std::string::npos) target.erase(0, scheme + 3);
    int port = kLinkPointDefaultPort;
    const std::size_t colon = target.rfind(':');
    if (colon != std::string::npos) {
        port = std::atoi(target.c_str() + colon + 1);
        target.erase(colon);
    }
    return rawTlsExchange(target.c_str(), port, PostData.data(), PostData.length());
}

int GatewayEngine::parseAnswer() {
    ParseInput input;
    input.gateway = gateway;
    input.transactionType = transactionType();
    input.specialNames = &specialNames;
    input.specialValues = &specialValues;
    input.merchantLogin = slot(RequestSlot::MerchantLogin).data();
    input.transactionAmount = slot(RequestSlot::TransactionAmount).data();
    input.aimHashSecret = AIMHashSecret.data();
    input.codePage = CodePage;
    const int rc = answer.ParseResponse(input, ResponseData.data(), static_cast<std::size_t>(ResponseData.length()));
    return rc ? takeError(answer, rc) : kOk;
}

// ---- follow-up operations ----

int GatewayEngine::runFollowUp(int type, const char* id, const char* amount) {
    // The arguments may be the engine's own fields.
    const std::string idText = copyOf(id), amountText = copyOf(amount);
    const int saved = transactionType();
    if (int rc = setTransactionType(type)) return rc;
    if (int rc = assignView(slot(RequestSlot::TransactionId), idText)) return rc;
    if (int rc = assignView(slot(RequestSlot::TransactionAmount), amountText)) return rc;
    if (int rc = authorize()) return rc;
    setTransactionType(saved);
    slot(RequestSlot::TransactionId).reset();
    return kOk;
}

int GatewayEngine::findSpecial(const char* name) const {
    for (int i = 0; i < specialNames.count(); ++i)
        if (std::strcmp(specialNames.get(i), name) == 0) return i;
    return -1;
}

int GatewayEngine::requireSpecial(const char* name, const char* message) {
    return findSpecial(name) < 0 ? fail(kNotForGateway, message) : kOk;
}

// Follow-ups go to the server the transaction went to, on the operation's own path.
int GatewayEngine::setFollowUpUrl(const char* path) {
    std::string url = GatewayURL.data();
    const std::size_t scheme = url.find("://");
    const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t hostEnd = url.find_first_of("/?", hostStart);
    if (hostEnd != std::string::npos) url.erase(hostEnd);
    url += path;
    return GatewayURL.assign(url.size(), url.data());
}

void GatewayEngine::emptyCardAndCustomer() {
    for (int s : {0, 1, 2, 3, 4, 5, 6, 7, 9, 11, 12, 13, 14}) slots[s].reset();
}

int GatewayEngine::prepareAchVoidOrCapture() {
    if (int rc = requireSpecial("pg_original_authorization_code",
                                "'pg_original_authorization_code' Special Field must be set."))
        return rc;
    const int avs = findSpecial("pg_avs_method");
    if (avs >= 0) {
        specialNames.set(avs, "");
        specialValues.set(avs, "");
    }
    for (RequestSlot s : {RequestSlot::CardExpMonth, RequestSlot::CardExpYear, RequestSlot::CardNumber,
                          RequestSlot::CardCVV2Data, RequestSlot::CustomerFirstName, RequestSlot::CustomerLastName,
                          RequestSlot::CustomerAddress, RequestSlot::CustomerCity, RequestSlot::CustomerState,
                          RequestSlot::CustomerZip, RequestSlot::CustomerPhone, RequestSlot::CustomerEmail,
                          RequestSlot::CustomerId, RequestSlot::InvoiceNumber})
        slot(s).reset();
    return kOk;
}

namespace {
constexpr const char* kSecurityKeyText = "'SecurityKey' Special Field must be set.";
constexpr const char* kTxAuthNoText = "'TxAuthNo' Special Field must be set. (ResponseApprovalCode)";
}  // namespace

int GatewayEngine::capture(const char* id, const char* amount) {
    switch (gateway) {
    case gwPlugNPay: {
        if (int rc = addSpecialField("mode", "mark")) return rc;
        const int rc = runFollowUp(ttAuthOnly, id, amount);
        specialNames.removeLast();
        specialValues.removeLast();
        return rc;
    }
    case gw3DSI: {
        const std::string amountText = copyOf(amount);
        if (int rc = addSpecialField("OrigTranNum", id)) return rc;
        assignView(slot(RequestSlot::TransactionAmount), amountText);
        setTransactionType(ttSale);
        const int rc = authorize();
        specialNames.removeLast();
        specialValues.removeLast();
        setTransactionType(ttAuthOnly);
        return rc;
    }
    case gwTrustCommerce: {
        emptyCardAndCustomer();
        specialNames.reset();
        specialValues.reset();
        const int rc = runFollowUp(ttCapture, id, amount);
        resetSpecialFields();
        return rc;
    }
    case gwProtx: {
        if (int rc = requireSpecial("SecurityKey", kSecurityKeyText)) return rc;
        if (int rc = requireSpecial("TxAuthNo", kTxAuthNoText)) return rc;
        if (int rc = setFollowUpUrl("/vps200/dotransaction.dll?service=VendorReleaseTx")) return rc;
        const int rc = runFollowUp(ttCapture, id, amount);
        resetSpecialFields();
        return rc;
    }
    case gwMerchantPartners: {
        if (int rc = addSpecialField("postonly", id)) return rc;
        const int rc = runFollowUp(ttSale, "", amount);
        resetSpecialFields();
        return rc;
    }
    case gwACHPAyments:
    case gwPaymentsGateway:
        if (int rc = prepareAchVoidOrCapture()) return rc;
        return runFollowUp(ttCapture, id, "");
    default:
        return runFollowUp(ttCapture, id, amount);
    }
}

int GatewayEngine::credit(const char* id, const char* amount) {
    switch (gateway) {
    case gwPlugNPay: {
        if (int rc = addSpecialField("mode", "return")) return rc;
        const int rc = runFollowUp(ttAuthOnly, id, amount);
        specialNames.removeLast();
        specialValues.removeLast();
        return rc;
    }
    case gwMerchantAnywhere:
    case gwPRIGate: {
        const std::string idText = copyOf(id);
        if (int rc = setFollowUpUrl("/billing/TransactionCentral/voidcreditcconline.asp?")) return rc;
        slot(RequestSlot::TransactionAmount).reset();
        assignView(slot(RequestSlot::TransactionId), idText);
        if (int rc = addSpecialField("CreditAmount", amount)) return rc;
        const int rc = authorize();
        specialNames.removeLast();
        specialValues.removeLast();
        slot(RequestSlot::TransactionId).reset();
        return rc;
    }
    case gw3DSI: {
        // The credit's markers are taken back afterwards: left in place they would turn the next
        // sale into a credit.
        const std::string amountText = copyOf(amount);
        const int debitCredit = findSpecial("DbCr");
        const std::string before = debitCredit >= 0 ? specialValues.get(debitCredit) : "";
        int rc = assignView(slot(RequestSlot::TransactionAmount), amountText);
        if (!rc) rc = debitCredit >= 0 ? specialValues.set(debitCredit, "C") : addSpecialField("DbCr", "C");
        if (!rc) rc = addSpecialField("OrigTranNum", id);
        if (!rc) rc = setTransactionType(ttCapture);
        if (!rc) rc = authorize();
        const int origin = findSpecial("OrigTranNum");
        if (origin == specialNames.count() - 1) {
            specialNames.removeLast();
            specialValues.removeLast();
        }
        if (debitCredit >= 0) {
            specialValues.set(debitCredit, before.c_str());
        } else if (findSpecial("DbCr") == specialNames.count() - 1) {
            specialNames.removeLast();
            specialValues.removeLast();
        }
        return rc;
    }
    case gwTrustCommerce: {
        emptyCardAndCustomer();
        specialNames.reset();
        specialValues.reset();
        const int rc = runFollowUp(ttCredit, id, amount);
        resetSpecialFields();
        return rc;
    }
    case gwProtx: {
        if (int rc = requireSpecial("RelatedSecurityKey", "'RelatedSecurityKey' Special Field must be set.")) return rc;
        if (int rc = requireSpecial("RelatedTXAuthNo",
                                    "'RelatedTXAuthNo' Special Field must be set. (ResponseApprovalCode)"))
            return rc;
        if (int rc = requireSpecial("RelatedVendorTXCode",
                                    "'RelatedVendorTXCode' Special Field must be set. (InvoiceNumber)"))
            return rc;
        if (int rc = addSpecialField("RelatedVPSTxID", id)) return rc;
        if (int rc = setFollowUpUrl("/vps200/dotransaction.dll?service=VendorRefundTx")) return rc;
        const int rc = runFollowUp(ttCredit, "", amount);
        resetSpecialFields();
        return rc;
    }
    default:
        return runFollowUp(ttCredit, id, amount);
    }
}

int GatewayEngine::voidTransaction(const char* id) {
    switch (gateway) {
    case gwPlugNPay: {
        if (int rc = addSpecialField("mode", "void")) return rc;
        const int rc = runFollowUp(ttAuthOnly, id, "");
        specialNames.removeLast();
        specialValues.removeLast();
        return rc;
    }
    case gwLinkPoint:
    case gwMerchantPartners:
    case gwFirstData:
    case gwYourPay:
        return runFollowUp(ttVoid, id, slot(RequestSlot::TransactionAmount).data());
    case gwEFSNet: {
        if (int rc = addSpecialField("TransactionID", id)) return rc;
        const int rc = runFollowUp(ttVoid, "", "");
        specialNames.removeLast();
        specialValues.removeLast();
        return rc;
    }
    case gwProtx: {
        if (int rc = requireSpecial("SecurityKey", kSecurityKeyText)) return rc;
        if (int rc = requireSpecial("TxAuthNo", kTxAuthNoText)) return rc;
        if (int rc = setFollowUpUrl("/vps200/dotransaction.dll?service=VendorAbortTx")) return rc;
        const int rc = runFollowUp(ttVoid, id, "");
        resetSpecialFields();
        return rc;
    }
    case gwACHPAyments:
    case gwPaymentsGateway:
        if (int rc = prepareAchVoidOrCapture()) return rc;
        return runFollowUp(ttVoid, id, "");
    default:
        return runFollowUp(ttVoid, id, "");
    }
}

// ---- Config ----

int GatewayEngine::config(ConfigRequest& request, const char** reply) {
    const bool query = request.isQuery;
    if (request.nameIs("Authorize.Net")) {
        if (query)
            return answerText(reply, GatewayTable::authorizeNetProtocol() == AuthorizeNetProtocol::AIM ? "AIM" : "WebLink");
        if (payment_core::equalsNoCase(request.value.data(), "AIM")) {
            GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::AIM);
        } else if (payment_core::equalsNoCase(request.value.data(), "WebLink")) {
            GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::WebLink);
        } else {
            return fail(kNotForGateway, "Invalid config setting for Authorize.Net. Accepted values are 'AIM' or 'WebLink'.");
        }
        return kOk;
    }
    struct Setting {
        const char* key;
        InlineString99& text;
    };
    const Setting settings[] = {{"AIMHashSecret", AIMHashSecret}, {"Referer", RefererSetting},
                                {"MerchantAlias", MerchantAlias}, {"PayFuseTestMode", PayFuseTestMode},
                                {"TimeZone", TimeZone},           {"AuthCode", AuthCode},
                                {"TestMode", TestMode}};
    for (const Setting& s : settings) {
        if (!request.nameIs(s.key)) continue;
        if (query) return answerText(reply, s.text.data());
        return s.text.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
    }
    return GatewayTransport::config(request, reply);
}

}  // namespace card_control
