#include "card_control/response_parser.h"

#include "card_control/answer_reading.h"
#include "payment_core/md5.h"
#include "payment_core/text_utils.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace card_control {

namespace answer {

std::string_view fieldAt(const Fields& fields, std::size_t i) {
    return i < fields.size() ? std::string_view(fields[i]) : std::string_view();
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Items end at "&" and at line feeds; an item without "=" still makes a pair (with an empty name) so
// that every later name keeps its own value.
NameValuePairs splitNameValue(std::string_view text) {
    NameValuePairs pairs;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find_first_of("&\n", start);
        std::string_view item =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end == std::string_view::npos && item.empty()) break;
        std::size_t equals = item.find('=');
        pairs.names.emplace_back(equals == std::string_view::npos ? std::string_view() : item.substr(0, equals));
        pairs.values.emplace_back(equals == std::string_view::npos ? item : item.substr(equals + 1));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return pairs;
}

// Quotes do not protect a delimiter; with encapsulation they are only peeled off the field edges.
Fields splitDelimited(std::string_view text, char delimiter, bool encapsulated) {
    Fields fields;
    std::string field;
    std::size_t i = encapsulated && !text.empty() && text[0] == '"' ? 1 : 0;
    for (; i < text.size(); ++i) {
        if (text[i] != delimiter) {
            field += text[i];
            continue;
        }
        if (encapsulated && !field.empty() && field.back() == '"') field.pop_back();
        fields.push_back(std::move(field));
        field.clear();
        if (encapsulated && i + 1 < text.size() && text[i + 1] == '"') ++i;
    }
    if (!field.empty()) fields.push_back(std::move(field));
    return fields;
}

std::string urlDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            c = ' ';
        } else if (c == '%' && i + 2 < text.size() && payment_core::hexValue(text[i + 1], text[i + 2]) >= 0) {
            c = static_cast<char>(payment_core::hexValue(text[i + 1], text[i + 2]));
            i += 2;
        }
        if (c == 0) break;
        out += c;
    }
    return out;
}

bool isNullKey(const char* key) { return !key || std::string_view(key) == "NULL"; }

int Parse::fail(int code, const char* text) {
    parser.setLastError(text);
    return code;
}

int Parse::storeByName(const NameValuePairs& pairs) {
    for (std::size_t i = 0; i < pairs.names.size(); ++i)
        for (int slot = 0; slot < ResponseSlotCount; ++slot) {
            const char* key = row.answerKeys[slot];
            if (isNullKey(key) || pairs.names[i] != key) continue;
            if (int rc = parser.setResponseField(slot, pairs.values[i])) return rc;
        }
    return 0;
}

int Parse::storeByPosition(const Fields& fields) {
    for (int slot = 0; slot < ResponseSlotCount; ++slot) {
        int position = payment_core::parseInt(row.answerKeys[slot]);
        if (position < 0) continue;
        if (static_cast<std::size_t>(position) > fields.size()) return TruncatedAnswer;
        if (int rc = parser.setResponseField(slot, fieldAt(fields, static_cast<std::size_t>(position)))) return rc;
    }
    return 0;
}

int Parse::urlDecodeFields() {
    for (int slot = 0; slot < ResponseSlotCount; ++slot) {
        std::string decoded = urlDecode(parser.field(static_cast<ResponseSlot>(slot)));
        if (int rc = parser.setResponseField(slot, decoded)) return rc;
    }
    return 0;
}

}  // namespace answer

namespace {

using namespace answer;
using payment_core::equalsNoCase;

char authorizeNetDelimiter(const ParseInput& input) {
    char delimiter = ',';
    if (!input.specialNames || !input.specialValues) return delimiter;
    for (int i = 0; i < input.specialNames->count(); ++i)
        if (equalsNoCase(input.specialNames->get(i), "x_ADC_Delim_Character")) {
            const char* value = input.specialValues->get(i);
            delimiter = value[0] ? value[0] : ',';
        }
    return delimiter;
}

int authorizeNetHashCheck(Parse& p, const Fields& fields) {
    std::string_view secret = p.input.aimHashSecret ? p.input.aimHashSecret : "";
    if (GatewayTable::authorizeNetProtocol() == AuthorizeNetProtocol::WebLink || secret.empty()) return 0;
    std::string text(secret);
    text += p.input.merchantLogin ? p.input.merchantLogin : "";
    text += p.field(ResponseSlot::ResponseTransactionId);
    text += p.input.transactionAmount ? p.input.transactionAmount : "";
    payment_core::InlineString99 digest;
    if (int rc = payment_core::md5Hex(text.data(), text.size(), digest)) return rc;
    // The last field keeps its closing quote, as no delimiter follows it.
    std::string_view field37 = fieldAt(fields, 37);
    while (!field37.empty() && field37.back() == '"') field37.remove_suffix(1);
    std::string received(field37);
    if (!equalsNoCase(digest.data(), received.c_str()))
        return p.fail(
            HashMismatch,
            "Hash data returned from server differs from computed hash. (Use Config method to add HASHVALUE).");
    return 0;
}

int parseAuthorizeNet(Parse& p, std::string_view body) {
    Fields fields = splitDelimited(body, authorizeNetDelimiter(p.input), true);
    if (int rc = p.storeByPosition(fields)) return rc;
    return authorizeNetHashCheck(p, fields);
}

int parseEprocessing(Parse& p, std::string_view body) {
    Fields fields = splitDelimited(body, ',', false);
    std::string_view first = fieldAt(fields, 0);
    if (first.size() <= 4) return p.fail(TruncatedAnswer, "Truncated response from Gateway.");
    int rc = 0;
    switch (first[1]) {
    case 'Y': {
        // Six characters end just before the closing character; a short field gives what there is.
        std::size_t end = first.size() - 1;
        std::size_t start = end >= 6 ? end - 6 : 0;
        if ((rc = p.store(ResponseSlot::ResponseCode, "0"))) return rc;
        rc = p.store(ResponseSlot::ResponseApprovalCode, first.substr(start, end - start));
        break;
    }
    case 'N': rc = p.store(ResponseSlot::ResponseCode, "1"); break;
    case 'U': rc = p.store(ResponseSlot::ResponseCode, "2"); break;
    default: rc = p.store(ResponseSlot::ResponseCode, first.substr(1, 1)); break;
    }
    if (rc) return rc;
    if ((rc = p.store(ResponseSlot::ResponseText, first.substr(2, first.size() - 3)))) return rc;
    std::string_view avs = fieldAt(fields, 1);
    if (avs.size() > 5 && (rc = p.store(ResponseSlot::ResponseAVS, avs.substr(avs.size() - 3, 1)))) return rc;
    if (fields.size() > 2) {
        std::string cvv2;
        for (char c : fields[2])
            if (c != '"') cvv2 += c;
        if ((rc = p.store(ResponseSlot::ResponseCVV2, cvv2))) return rc;
    }
    return 0;
}

int parseGoRealTime(Parse& p, std::string_view body) {
    if (body == "TRANSACTION APPROVED\r\n")
        if (int rc = p.store(ResponseSlot::ResponseCode, "0")) return rc;
    return p.store(ResponseSlot::ResponseText, body);
}

int parseIBill(Parse& p, std::string_view body) {
    if (int rc = p.storeByPosition(splitDelimited(body, ',', true))) return rc;
    return p.store(ResponseSlot::ResponseCode, p.field(ResponseSlot::ResponseText) == "authorized" ? "0" : "1");
}

int parseIntellipay(Parse& p, std::string_view body) {
    if (int rc = p.storeNameValue(body)) return rc;
    if (p.field(ResponseSlot::ResponseCode).starts_with("F") && p.field(ResponseSlot::ResponseText).empty())
        return p.store(ResponseSlot::ResponseText, "Failed. See ResponseData for detailed explanation.");
    return 0;
}

int parseWithBreaks(Parse& p, std::string_view body, std::string_view replacement) {
    std::string text(body);
    replaceAll(text, "<BR>", replacement);
    return p.storeNameValue(text);
}

int parseITransact(Parse& p, std::string_view body) {
    int rc = p.storeNameValue(body);
    if (rc || (rc = p.urlDecodeFields())) return rc;
    return p.store(ResponseSlot::ResponseCode, p.field(ResponseSlot::ResponseApprovalCode).empty() ? "1" : "0");
}

int parsePayFlowPro(Parse& p, std::string_view body) {
    if (int rc = p.storeNameValue(body)) return rc;
    std::string avs(p.field(ResponseSlot::ResponseAVS));
    avs += p.field(ResponseSlot::ResponseInvoiceNumber);
    if (int rc = p.store(ResponseSlot::ResponseAVS, avs)) return rc;
    return p.store(ResponseSlot::ResponseInvoiceNumber, "");
}

int parsePayready(Parse& p, std::string_view body) {
    if (int rc = p.storeByPosition(splitDelimited(body, '&', false))) return rc;
    return p.urlDecodeFields();
}

// Decoding after the split keeps an encoded "&" or "=" inside its value.
int parsePlugNPay(Parse& p, std::string_view body) {
    NameValuePairs pairs = splitNameValue(body);
    for (std::string& name : pairs.names) name = urlDecode(name);
    for (std::string& value : pairs.values) value = urlDecode(value);
    return p.storeByName(pairs);
}

int parseInnovative(Parse& p, std::string_view body) {
    int rc = p.storeNameValue(body);
    if (rc || (rc = p.urlDecodeFields())) return rc;
    if (!p.field(ResponseSlot::ResponseApprovalCode).empty() && p.field(ResponseSlot::ResponseText).empty())
        return p.store(ResponseSlot::ResponseCode, "0");
    std::string_view text = p.field(ResponseSlot::ResponseText);
    std::size_t marker = text.rfind("(error code ");
    if (marker == std::string_view::npos) marker = text.rfind("(errorcode ");
    std::size_t close = text.rfind(')');
    if (marker == std::string_view::npos || close == std::string_view::npos || close < marker + 11) return 0;
    std::string code(text.substr(marker + 11, close - (marker + 11)));
    return p.store(ResponseSlot::ResponseCode, code);
}

int parseTransactionCentral(Parse& p, std::string_view body) {
    std::size_t start = body.find("TransID");
    if (int rc = p.storeNameValue(start == std::string_view::npos ? body : body.substr(start))) return rc;
    std::string approval(p.field(ResponseSlot::ResponseApprovalCode));
    bool declined = approval.empty() || equalsNoCase(approval.c_str(), "Declined");
    return p.store(ResponseSlot::ResponseCode, declined ? "1" : "0");
}

std::vector<std::string> quotedTexts(std::string_view line) {
    std::vector<std::string> texts;
    for (std::size_t open = line.find('"'); open != std::string_view::npos; open = line.find('"', open)) {
        std::size_t close = line.find('"', open + 1);
        if (close == std::string_view::npos) break;
        texts.emplace_back(line.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return texts;
}

int parseQuotedLines(Parse& p, std::string_view body) {
    std::size_t cut = body.find('\r');
    if (cut == std::string_view::npos) cut = body.find('\n');
    if (cut == std::string_view::npos) return 0;
    NameValuePairs pairs;
    pairs.names = quotedTexts(body.substr(0, cut));
    pairs.values = quotedTexts(body.substr(cut + 1));
    pairs.values.resize(std::max(pairs.values.size(), pairs.names.size()));
    if (int rc = p.storeByName(pairs)) return rc;
    if (p.approved()) return 0;
    for (std::size_t i = 0; i < pairs.names.size(); ++i)
        if (pairs.names[i] == "szReturnCode") {
            std::string text(p.field(ResponseSlot::ResponseText));
            text += " (" + pairs.values[i] + ")";
            return p.store(ResponseSlot::ResponseText, text);
        }
    return 0;
}

int parseThreeDsi(Parse& p, std::string_view body) {
    int rc = p.storeNameValue(body.substr(std::min<std::size_t>(2, body.size())));
    if (rc) return rc;
    return p.urlDecodeFields();
}

int parseMoneris(Parse& p, std::string_view body) {
    std::size_t start = body.find("response_order_id");
    if (start == std::string_view::npos) return 0;
    std::string text(body.substr(start));
    replaceAll(text, "<br>", "\n");
    replaceAll(text, " = ", "=");
    return p.storeNameValue(text);
}

int parseMerchantPartners(Parse& p, std::string_view body) {
    std::size_t lineEnd = body.find('\n');
    if (int rc = p.storeNameValue(lineEnd == std::string_view::npos ? body : body.substr(lineEnd + 1))) return rc;
    std::string authNo(p.field(ResponseSlot::ResponseAVS));
    if (int rc = p.store(ResponseSlot::ResponseAVS, "")) return rc;
    if (authNo.empty()) return 0;
    Fields parts = splitDelimited(authNo, ':', false);
    int rc = p.store(ResponseSlot::ResponseApprovalCode, fieldAt(parts, 1));
    if (rc || (rc = p.store(ResponseSlot::ResponseAVS, fieldAt(parts, 5)))) return rc;
    return p.store(ResponseSlot::ResponseCVV2, fieldAt(parts, 7));
}

int parseNameValueDecoded(Parse& p, std::string_view body) {
    int rc = p.storeNameValue(body);
    if (rc) return rc;
    return p.urlDecodeFields();
}

int parseFamily(Parse& p, std::string_view body) {
    switch (p.input.gateway) {
    case gwAuthorizeNet:
    case gwPlanetPayment:
    case gwMPCS:
    case gwRTWare:
    case gwECX: return parseAuthorizeNet(p, body);
    case gwDPI: return p.storeByPosition(splitDelimited(body, '|', false));
    case gwEprocessing: return parseEprocessing(p, body);
    case gwGoRealTime: return parseGoRealTime(p, body);
    case gwIBill: return parseIBill(p, body);
    case gwIntellipay: return parseIntellipay(p, body);
    case gwIOnGate: return parseWithBreaks(p, body, "\n");
    case gwITransact: return parseITransact(p, body);
    case gwPayFlowPro: return parsePayFlowPro(p, body);
    case gwPayready: return parsePayready(p, body);
    case gwPlugNPay: return parsePlugNPay(p, body);
    case gwBankOfAmerica: return parseWithBreaks(p, body, "&");
    case gwInnovative: return parseInnovative(p, body);
    case gwMerchantAnywhere:
    case gwPRIGate: return parseTransactionCentral(p, body);
    case gwSkipjack: return parseQuotedLines(p, body);
    case gwECHOnline: return parseEcho(p, body);
    case gw3DSI: return parseThreeDsi(p, body);
    case gwPSIGate: return p.storeByPosition(splitDelimited(body, ',', false));
    case gwPayFuse: return parsePayFuse(p, body);
    case gwPayFlowLink:
    case gwCyberCash: return parseHtmlForm(p, body);
    case gwOrbital: return parseOrbital(p, body);
    case gwLinkPoint:
    case gwFirstData:
    case gwYourPay: return parseLinkPoint(p, body);
    case gwMoneris: return parseMoneris(p, body);
    case gwOgone: return parseOgone(p, body);
    case gwMerchantPartners: return parseMerchantPartners(p, body);
    default: return parseNameValueDecoded(p, body);
    }
}

}  // namespace

bool TransactionApproved(int gateway, std::string_view responseCode) {
    if (gateway < 0 || gateway >= GatewayCount) return false;
    const GatewayRow& row = GatewayTable::row(gateway);
    for (const char* prefix : row.approvalPrefixes)
        if (prefix && responseCode.starts_with(prefix)) return true;
    for (const char* code : row.approvalCodes)
        if (code && responseCode == code) return true;
    return false;
}

int ResponseParser::setResponseField(int slot, std::string_view text) {
    if (slot < 0 || slot >= ResponseSlotCount) {
        setLastError("Error Indexing FieldVals.");
        return SlotOutOfRange;
    }
    // Line ends go in either order, so a CR LF ending leaves no stray carriage return behind.
    auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
    while (!text.empty() && lineEnd(text.front())) text.remove_prefix(1);
    while (!text.empty() && lineEnd(text.back())) text.remove_suffix(1);
    payment_core::InlineString99& target = fields_[slot];
    if (int rc = target.assign(text.size(), text.data())) return rc;
    return target.trim('"');
}

void ResponseParser::clearResponseFields() {
    for (payment_core::InlineString99& f : fields_) f.reset();
    failed_ = false;
}

int ResponseParser::ParseResponse(const ParseInput& input, const char* body, std::size_t length) {
    setLastError(nullptr);
    failed_ = true;
    if (!GatewayTable::isGateway(input.gateway)) {
        setLastError("Invalid Gateway or Gateway not specified: ParseResponse");
        return GatewayNotChosen;
    }
    int result;
    try {
        Parse parse(*this, input);
        result = parseFamily(parse, std::string_view(body ? body : "", body ? length : 0));
    } catch (const std::bad_alloc&) {
        result = payment_core::kOutOfMemory;
    }
    failed_ = result != 0;
    return result;
}

}  // namespace card_control
