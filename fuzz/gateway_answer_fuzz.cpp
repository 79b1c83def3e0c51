// The card control's answer readers: every gateway's family reads any body into response
// fields, approval follows the stored response code, and the loose
// HTML reader pairs every input element's name with a value.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "card_control/html_form_scraper.h"
#include "card_control/response_parser.h"
#include "fuzz/fuzz_check.h"
#include "payment_core/string_list.h"

using namespace card_control;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GatewayTable::initialise();
    FuzzedDataProvider in(data, size);
    ParseInput input;
    input.gateway = in.ConsumeIntegralInRange(0, GatewayCount - 1);
    input.transactionType = in.ConsumeIntegralInRange(0, TransactionCodeCount - 1);
    const std::string login = in.ConsumeRandomLengthString(12);
    const std::string amount = in.ConsumeRandomLengthString(8);
    const std::string secret = in.ConsumeRandomLengthString(8);
    input.merchantLogin = login.c_str();
    input.transactionAmount = amount.c_str();
    input.aimHashSecret = secret.c_str();
    payment_core::StringList names;
    payment_core::StringList values;
    const int specials = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < specials; ++i) {
        const std::string name = in.ConsumeRandomLengthString(10);
        const std::string value = in.ConsumeRandomLengthString(10);
        names.add(name.data(), name.size());
        values.add(value.data(), value.size());
    }
    input.specialNames = &names;
    input.specialValues = &values;
    const std::string body = in.ConsumeRemainingBytesAsString();

    ResponseParser parser;
    (void)parser.ParseResponse(input, body.data(), body.size());
    // A field is stored without the line ends around it and then without the quotes around that.
    std::string stored = body.substr(0, 64);
    FUZZ_CHECK(parser.setResponseField(1, stored) == 0);
    while (!stored.empty() && (stored.front() == '\r' || stored.front() == '\n')) stored.erase(0, 1);
    while (!stored.empty() && (stored.back() == '\r' || stored.back() == '\n')) stored.pop_back();
    const std::string_view text = parser.field(ResponseSlot::ResponseText);
    FUZZ_CHECK(stored.find(text) != std::string::npos);
    FUZZ_CHECK(text.empty() || (text.front() != '"' && text.back() != '"'));
    const std::string_view code = parser.field(ResponseSlot::ResponseCode);
    FUZZ_CHECK(parser.TransactionApproved(input.gateway) == TransactionApproved(input.gateway, code));
    if (code.empty()) FUZZ_CHECK(!TransactionApproved(input.gateway, code));

    HtmlFormScraper scraper;
    (void)scraper.read(fuzz::text(body).c_str());
    FUZZ_CHECK(scraper.names.size() == scraper.values.size());
    return 0;
}
