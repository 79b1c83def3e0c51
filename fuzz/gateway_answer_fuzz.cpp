// The card control's answer readers: every gateway's family reads any body into response
// fields; an answer written from given values in a delimited or name=value family gives back
// exactly those values in the row's slots; approval follows the stored response code, and the loose
// HTML reader pairs every input element's name with a value.

#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>

#include "card_control/answer_reading.h"
#include "card_control/html_form_scraper.h"
#include "card_control/response_parser.h"
#include "fuzz/fuzz_check.h"
#include "payment_core/string_list.h"
#include "payment_core/text_utils.h"

using namespace card_control;

namespace {

// A value that no family changes on the way: none of the delimiters, line ends, quotes or tags.
std::string plainValue(const std::string& raw) {
    std::string out;
    for (char c : raw)
        if (std::string_view("|,&=\n\r\"<%+").find(c) == std::string::npos && c != '\0') out.push_back(c);
    return out;
}

void madeAnswer(FuzzedDataProvider& in) {
    static const struct {
        int gateway;
        char delimiter;
        bool byName;
    } kFamilies[] = {{gwDPI, '|', false}, {gwPSIGate, ',', false}, {gwBankOfAmerica, '&', true}, {gwIOnGate, '\n', true}};
    const auto& family = kFamilies[in.ConsumeIntegralInRange(0, 3)];
    const GatewayRow& row = GatewayTable::row(family.gateway);
    std::map<std::string, std::string> byKey;
    for (int slot = 0; slot < ResponseSlotCount; ++slot) {
        const char* key = row.answerKeys[slot];
        if (answer::isNullKey(key) || (!family.byName && payment_core::parseInt(key) < 0)) continue;
        if (!byKey.count(key)) byKey[key] = plainValue(in.ConsumeRandomLengthString(24));
    }
    std::string body;
    if (family.byName) {
        for (const auto& [key, value] : byKey) body += (body.empty() ? "" : std::string(1, family.delimiter)) + key + "=" + value;
    } else {
        std::vector<std::string> fields;
        for (const auto& [key, value] : byKey) {
            const auto position = static_cast<std::size_t>(payment_core::parseInt(key.c_str()));
            if (fields.size() <= position) fields.resize(position + 1);
            fields[position] = value;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) body += (i ? std::string(1, family.delimiter) : "") + fields[i];
    }
    ParseInput input;
    input.gateway = family.gateway;
    ResponseParser parser;
    FUZZ_CHECK(parser.ParseResponse(input, body.data(), body.size()) == 0);
    for (int slot = 0; slot < ResponseSlotCount; ++slot) {
        const char* key = row.answerKeys[slot];
        if (!byKey.count(key ? key : "")) continue;
        FUZZ_CHECK(parser.field(static_cast<ResponseSlot>(slot)) == byKey[key]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GatewayTable::initialise();
    FuzzedDataProvider in(data, size);
    if (size > 0 && data[0] == 'M') {
        madeAnswer(in);
        return 0;
    }
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
    const int parsed = parser.ParseResponse(input, body.data(), body.size());
    // A field is stored without the line ends around it and then without the quotes around that.
    std::string stored = body.substr(0, 64);
    FUZZ_CHECK(parser.setResponseField(1, stored) == 0);
    while (!stored.empty() && (stored.front() == '\r' || stored.front() == '\n')) stored.erase(0, 1);
    while (!stored.empty() && (stored.back() == '\r' || stored.back() == '\n')) stored.pop_back();
    const std::string_view text = parser.field(ResponseSlot::ResponseText);
    FUZZ_CHECK(stored.find(text) != std::string::npos);
    FUZZ_CHECK(text.empty() || (text.front() != '"' && text.back() != '"'));
    const std::string_view code = parser.field(ResponseSlot::ResponseCode);
    // An answer that failed to parse approves nothing.
    FUZZ_CHECK(parser.TransactionApproved(input.gateway) == (parsed == 0 && TransactionApproved(input.gateway, code)));
    if (code.empty()) FUZZ_CHECK(!TransactionApproved(input.gateway, code));

    HtmlFormScraper scraper;
    (void)scraper.read(fuzz::text(body).c_str());
    FUZZ_CHECK(scraper.names.size() == scraper.values.size());
    return 0;
}
