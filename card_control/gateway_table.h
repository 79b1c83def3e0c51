#pragma once
// How each gateway is spoken to: the process-wide table of 46 rows indexed by TGateway.

#include "card_control/card_types.h"

#include <cstdint>

namespace card_control {

constexpr int GatewayCount = 46;
constexpr int RequestSlotCount = 23;
constexpr int ResponseSlotCount = 7;
constexpr int FixedPairCapacity = 10;
constexpr int TransactionCodeCount = 7;
constexpr int CardCodeCount = 8;
constexpr int ApprovalPrefixCapacity = 3;
constexpr int ApprovalCodeCapacity = 4;

// The common index of request fields, request-name columns and "~N~" template placeholders.
enum class RequestSlot : int {
    CardExpMonth = 0,
    CardExpYear = 1,
    CardNumber = 2,
    CardCVV2Data = 3,
    CustomerAddress = 4,
    CustomerCity = 5,
    CustomerCountry = 6,
    CustomerEmail = 7,
    CustomerFax = 8,
    CustomerFirstName = 9,
    CustomerId = 10,
    CustomerLastName = 11,
    CustomerPhone = 12,
    CustomerState = 13,
    CustomerZip = 14,
    InvoiceNumber = 15,
    MerchantLogin = 16,
    MerchantPassword = 17,
    TransactionAmount = 18,
    TransactionDesc = 19,
    TransactionType = 20,
    CardType = 21,
    TransactionId = 22,
};

enum class ResponseSlot : int {
    ResponseCode = 0,
    ResponseText = 1,
    ResponseApprovalCode = 2,
    ResponseAVS = 3,
    ResponseTransactionId = 4,
    ResponseInvoiceNumber = 5,
    ResponseCVV2 = 6,
};

struct FixedPair {
    const char* name = nullptr;
    const char* value = nullptr;
};

// Plain data: every text is a constant or null. "NULL" marks a slot or code the gateway does not take;
// "*USR*" a card code the user supplies as a special field.
struct GatewayRow {
    std::int32_t id = 0;
    const char* endpoint = nullptr;
    const char* requestNames[RequestSlotCount] = {};
    // Field names, 0-based field positions ("-1" absent) or XML paths, by the gateway's answer family.
    const char* answerKeys[ResponseSlotCount] = {};
    FixedPair fixedPairs[FixedPairCapacity] = {};
    std::int32_t pairCount = 0;
    const char* transactionCodes[TransactionCodeCount] = {};
    const char* cardCodes[CardCodeCount] = {};
    const char* approvalPrefixes[ApprovalPrefixCapacity] = {};
    // Whole response codes that approve, for a gateway whose refusals share a prefix with its approvals.
    const char* approvalCodes[ApprovalCodeCapacity] = {};

    const char* requestName(RequestSlot slot) const { return requestNames[static_cast<int>(slot)]; }
    const char* answerKey(ResponseSlot slot) const { return answerKeys[static_cast<int>(slot)]; }
};

// A row filled from another row once per process: the source's content with its own id and, when
// given, its own endpoint.
struct GatewayClone {
    std::int32_t target;
    std::int32_t source;
    const char* endpoint;
};

// The rows as written; cloned rows hold only their id here.
extern const GatewayRow GatewayRowData[GatewayCount];
constexpr int GatewayCloneCount = 8;
extern const GatewayClone GatewayCloneData[GatewayCloneCount];

enum class AuthorizeNetProtocol { AIM, WebLink };

class GatewayTable {
public:
    // Fills the cloned rows. Safe from any thread and any number of times: the rows are filled once
    // per process and never rewritten afterwards.
    static void initialise();

    static bool isGateway(int gateway) { return gateway >= 1 && gateway < GatewayCount; }

    // Row 0 is the all-empty row of gwNoGateway; gateway must be 0-45.
    static const GatewayRow& row(int gateway);

    // The fixed pair as it is sent now: rows 1 and 15-18 carry the process-wide protocol version
    // in their x_Version pair.
    static FixedPair fixedPair(int gateway, int index);

    // "3.1" for AIM (the default), "3.0" for WebLink; shared by every control in the process.
    static const char* authorizeNetVersion();
    static AuthorizeNetProtocol authorizeNetProtocol();
    static void setAuthorizeNetProtocol(AuthorizeNetProtocol protocol);

    static bool isAuthorizeNetRow(int gateway) {
        return gateway == gwAuthorizeNet || (gateway >= gwPlanetPayment && gateway <= gwECX);
    }
};

}  // namespace card_control
