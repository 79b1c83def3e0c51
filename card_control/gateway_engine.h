#pragma once
// The transaction engine behind the card control: request fields, one gateway's request built
// from its table row, the send path (form post, prepared body, raw TLS exchange or the vendor's
// client library), the answer handed to the parser, and the follow-up operations.

#include "card_control/card_validator.h"
#include "card_control/gateway_table.h"
#include "card_control/response_parser.h"
#include "payment_core/web_form_client.h"

#include <string_view>

namespace card_control {

using payment_core::ConfigRequest;
using payment_core::InlineString99;
using payment_core::StringList;

constexpr int kInvalidValue = 503;
constexpr int kFieldIndexError = 508;
constexpr int kNoGateway = 510;
constexpr int kNotForGateway = 511;
constexpr int kSpecialFieldIndex = 159;
constexpr int kLinkPointDefaultPort = 1129;

inline constexpr const char* kInvalidTransactionTypeText =
    "Invalid transaction type for this Gateway. Please see help file.";

// First thin level: what the engine needs of the HTTP chain beyond form posting. It keeps the
// header lines of the last answer and can run one raw exchange over TLS, during which received
// bytes bypass the HTTP parser.
class GatewayTransport : public payment_core::WebFormClient {
public:
    void onHeader(const char* name, const char* value) override;
    void onDataIn(const char* bytes, int length, int eolFound) override;
    void onConnected(int code, const char* text) override;
    void onDisconnected(int code, const char* text) override;

    // Connects to host:port with TLS, sends the bytes and collects everything the peer sends until
    // it closes; the answer is left in TransferredData.
    int rawTlsExchange(const char* host, int port, const char* bytes, int length);

    StringList receivedHeaderNames;
    StringList receivedHeaderValues;

private:
    bool raw_ = false;
    bool rawClosed_ = false;
    int rawCloseCode_ = 0;
};

// Second thin level: the engine's data.
class GatewayFields : public GatewayTransport {
public:
    int gateway = gwNoGateway;
    InlineString99 slots[RequestSlotCount];
    InlineString99 GatewayURL;
    StringList specialNames;
    StringList specialValues;
    ResponseParser answer;  // the seven response fields
    InlineString99 ResponseData;

    InlineString99 AIMHashSecret;
    InlineString99 RefererSetting;
    InlineString99 MerchantAlias;
    InlineString99 PayFuseTestMode;
    InlineString99 TimeZone;
    InlineString99 AuthCode;
    InlineString99 TestMode;

    CardValidator validator;

    InlineString99& slot(RequestSlot s) { return slots[static_cast<int>(s)]; }
    const InlineString99& slot(RequestSlot s) const { return slots[static_cast<int>(s)]; }
    std::string_view text(RequestSlot s) const {
        return {slot(s).data(), static_cast<std::size_t>(slot(s).length())};
    }
    int transactionType() const;
    int cardType() const;
    const GatewayRow& row() const { return GatewayTable::row(gateway); }
};

class GatewayEngine : public GatewayFields {
public:
    GatewayEngine();
    ~GatewayEngine() override;

    int config(ConfigRequest& request, const char** answer) override;
    void onRedirect(const char* location, bool& accept) override;

    int authorize();
    int preAuthorize();
    int capture(const char* id, const char* amount);
    int credit(const char* id, const char* amount);
    int voidTransaction(const char* id);
    int addSpecialField(const char* name, const char* value);
    int resetSpecialFields();
    int resetData();

    int setGateway(int g);
    int setTransactionType(int t);
    // Values outside 0-7 store 0 and fail with 503.
    int setCardType(int t);
    int setCardNumber(const char* text);
    int setCardExpMonth(const char* text);
    int setCardExpYear(const char* text);
    // Any request slot, stored as given; slots outside 0-22 fail with 508 and fire Error.
    int setRequestField(int slot, const char* text);
    const char* requestField(int slot);

    // SpecialFieldCount and the indexed SpecialFieldNames/Values, index 1..count (159 otherwise).
    int specialFieldCount() const { return specialNames.count(); }
    int setSpecialFieldCount(int count);
    int specialField(const StringList& list, int index, const char** text);
    int setSpecialField(StringList& list, int index, const char* text);

    const char* responseField(ResponseSlot s) const { return answer.responseField(s).data(); }
    bool transactionApproved() const { return answer.TransactionApproved(gateway); }

    // Builds the request of the chosen gateway (form variables, XML body or PostData) with its
    // extras, without sending it.
    int prepareRequest();

private:
    int fail(int code, const char* text);
    int takeError(payment_core::CoreComponent& from, int code);
    int send();
    int parseAnswer();
    int payFlowProExchange();
    int linkPointExchange();

    int buildRequest();
    int buildFormRequest();
    int addForm(const char* name, std::string_view value);
    int slotValue(int slot, InlineString99& out, bool& send);
    int addGatewayExtras();
    int checkPennies();
    int checkAchName(std::string_view name);
    int buildPayFuse();
    int buildOrbital();
    int buildLinkPoint();

    int runFollowUp(int type, const char* id, const char* amount);
    int findSpecial(const char* name) const;
    int requireSpecial(const char* name, const char* message);
    int setFollowUpUrl(const char* path);
    void emptyCardAndCustomer();
    int prepareAchVoidOrCapture();

    // Where the transaction's request went first: redirects may lead nowhere else.
    payment_core::InlineString20 requestScheme_;
    payment_core::InlineString20 requestHost_;
};

}  // namespace card_control
