#pragma once
// Building blocks shared by the answer families: splits, decoding and one parse in progress.

#include "card_control/response_parser.h"

#include <string>
#include <string_view>
#include <vector>

namespace card_control::answer {

constexpr int GatewayNotChosen = 503;
constexpr int SlotOutOfRange = 508;
constexpr int TruncatedAnswer = 512;
constexpr int InvalidXmlAnswer = 513;
constexpr int HashMismatch = 542;

struct NameValuePairs {
    std::vector<std::string> names;
    std::vector<std::string> values;
};

using Fields = std::vector<std::string>;

std::string_view fieldAt(const Fields& fields, std::size_t i);
void replaceAll(std::string& text, std::string_view from, std::string_view to);
NameValuePairs splitNameValue(std::string_view text);
Fields splitDelimited(std::string_view text, char delimiter, bool encapsulated);
std::string urlDecode(std::string_view text);
bool isNullKey(const char* key);

// One parse in progress: the parser's fields, the engine's input and the gateway's row.
class Parse {
public:
    Parse(ResponseParser& parser, const ParseInput& input)
        : parser(parser), input(input), row(GatewayTable::row(input.gateway)) {}

    ResponseParser& parser;
    const ParseInput& input;
    const GatewayRow& row;

    std::string_view field(ResponseSlot slot) const { return parser.field(slot); }
    int store(ResponseSlot slot, std::string_view text) {
        return parser.setResponseField(static_cast<int>(slot), text);
    }
    int fail(int code, const char* text);

    // A later equal name overwrites an earlier one; one name may feed several slots.
    int storeByName(const NameValuePairs& pairs);
    int storeNameValue(std::string_view text) { return storeByName(splitNameValue(text)); }
    int storeByPosition(const Fields& fields);
    int urlDecodeFields();
    bool approved() const { return TransactionApproved(input.gateway, field(ResponseSlot::ResponseCode)); }
};

// The families that read XML or HTML.
int parseEcho(Parse& p, std::string_view body);
int parsePayFuse(Parse& p, std::string_view body);
int parseHtmlForm(Parse& p, std::string_view body);
int parseOrbital(Parse& p, std::string_view body);
int parseLinkPoint(Parse& p, std::string_view body);
int parseOgone(Parse& p, std::string_view body);

}  // namespace card_control::answer
