#pragma once
// Turns a gateway's answer body into the seven response fields, by the answer family of its row.

#include "card_control/gateway_table.h"
#include "payment_core/core_component.h"
#include "payment_core/inline_string.h"
#include "payment_core/string_list.h"

#include <cstddef>
#include <string_view>

namespace card_control {

// What the parser reads from the engine besides the body.
struct ParseInput {
    int gateway = gwNoGateway;
    int transactionType = ttSale;
    const payment_core::StringList* specialNames = nullptr;
    const payment_core::StringList* specialValues = nullptr;
    const char* merchantLogin = "";
    const char* transactionAmount = "";
    const char* aimHashSecret = "";
    // Character references in XML answers decode into this code page, the one the host's texts use.
    int codePage = 0;
};

// True when the response code begins with one of the row's approval prefixes or is one of its whole
// approval codes (byte for byte).
bool TransactionApproved(int gateway, std::string_view responseCode);

class ResponseParser : public payment_core::CoreComponent {
public:
    // Fields the answer carries are stored; the others keep what they held, so the engine empties
    // them before each transaction.
    int ParseResponse(const ParseInput& input, const char* body, std::size_t length);

    // Stores the text without carriage returns, then line feeds, then double quotes at either end.
    int setResponseField(int slot, std::string_view text);
    void clearResponseFields();

    const payment_core::InlineString99& responseField(ResponseSlot slot) const {
        return fields_[static_cast<int>(slot)];
    }
    std::string_view field(ResponseSlot slot) const {
        const payment_core::InlineString99& f = responseField(slot);
        return {f.data(), static_cast<std::size_t>(f.length())};
    }

    // An answer that failed to parse approves nothing, whatever code it stored before failing.
    bool TransactionApproved(int gateway) const {
        return !failed_ && card_control::TransactionApproved(gateway, field(ResponseSlot::ResponseCode));
    }

private:
    payment_core::InlineString99 fields_[ResponseSlotCount];
    bool failed_ = false;
};

}  // namespace card_control
