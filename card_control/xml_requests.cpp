// Requests of the gateways that take XML documents: the order templates with their "~N~" slot
// placeholders and named placeholders, filled in one pass over the template.

#include "card_control/gateway_engine.h"

#include <cctype>
#include <cstdlib>
#include <functional>
#include <string>

namespace card_control {

using payment_core::kOk;

namespace {

#define T13 "\t\t\t\t\t\t\t\t\t\t\t\t\t"

constexpr const char* kPayFuseHead =
    "<EngineDocList><DocVersion>1.0</DocVersion><EngineDoc><ContentType>OrderFormDoc</ContentType>" T13
    "<User><Name>~16~</Name><Password>~17~</Password><Alias>~Alias~</Alias></User><Instructions>" T13
    "<Pipeline>Payment</Pipeline></Instructions><OrderFormDoc><Mode>~mode~</Mode><Id>~22~</Id>";
constexpr const char* kPayFuseConsumer =
    "<Consumer><Email>~7~</Email><PaymentMech><CreditCard><Number>~2~</Number>"
    "<Expires DataType=\"ExpirationDate\" Locale=\"840\">~0~/~1~</Expires><Cvv2Val>~3~</Cvv2Val>"
    "<Cvv2Indicator>~cvv~</Cvv2Indicator></CreditCard></PaymentMech>" T13
    "<BillTo><Location><TelVoice>~12~</TelVoice><TelFax>~8~</TelFax><Address><Name>~9~ ~11~</Name>"
    "<Street1>~4~</Street1><Street2></Street2><City>~5~</City><StateProv>~13~</StateProv>"
    "<PostalCode>~14~</PostalCode><Country>~6~</Country><Company></Company></Address></Location></BillTo>"
    "</Consumer>" T13;
constexpr const char* kPayFuseTransaction =
    "<Transaction><Type>~TransType~</Type><CurrentTotals><Totals>"
    "<Total DataType=\"Money\" Currency=\"840\">~18~</Total></Totals></CurrentTotals>";
constexpr const char* kPayFuseVoid = "<Transaction><Type>Void</Type></Transaction>";
constexpr const char* kPayFuseTail = "</OrderFormDoc></EngineDoc></EngineDocList>";

#define ORBITAL_TERMINAL                                                                                        \
    "<TerminalID TermEntCapInd=\"05\" CATInfoInd=\"06\" TermLocInd=\"01\" CardPresentInd=\"N\" "               \
    "POSConditionCode=\"59\" AttendedTermDataInd=\"01\">001</TerminalID>"
#define ORBITAL_COMMON(type)                                                                                    \
    "<CommonData><CommonMandatory AuthOverrideInd=\"N\" LangInd=\"00\" CardHolderAttendanceInd=\"01\" "         \
    "HcsTcsInd=\"T\" TxCatg=\"7\" MessageType=\"" type "\" Version=\"2\" TzCode=\"~TIMEZONE~\">"              \
    "<AccountNum AccountTypeInd=\"91\">~2~</AccountNum><POSDetails POSEntryMode=\"01\"/>"                     \
    "<MerchantID>~16~</MerchantID>" ORBITAL_TERMINAL "<BIN>~17~</BIN><OrderID>~15~</OrderID>"                 \
    "<AmountDetails><Amount>~18~</Amount></AmountDetails>"

constexpr const char* kOrbitalAuthCommon =
    ORBITAL_COMMON("~TRANSTYPE~")
    "<TxTypeCommon TxTypeID=\"G\"~PRIOR~<Currency CurrencyCode=\"840\" CurrencyExponent=\"2\"/>"
    "<CardPresence><CardNP><Exp>~0~~1~</Exp></CardNP></CardPresence><TxDateTime/></CommonMandatory>"
    "<CommonOptional><Comments>This is an AVS/CVV2 auth request</Comments>~CVV2DATA~"
    "<ECommerceData ECSecurityInd=\"07\"><ECOrderNum>~15~</ECOrderNum></ECommerceData></CommonOptional>"
    "</CommonData>";
constexpr const char* kOrbitalCaptureCommon =
    ORBITAL_COMMON("C")
    "<TxDateTime/></CommonMandatory><CommonOptional><TxRefNum>~22~</TxRefNum><TxRefIdx/></CommonOptional>"
    "</CommonData>";
constexpr const char* kOrbitalAvs =
    "<AuthOptional><AVSextended><AVSname>~9~ ~11~</AVSname><AVSaddress1>~4~</AVSaddress1><AVSaddress2/>"
    "<AVScity>~5~</AVScity><AVSstate>~13~</AVSstate><AVSzip>~14~</AVSzip></AVSextended></AuthOptional>";
constexpr const char* kOrbitalAuthCode = "<AuthOptional><AuthCd AuthSrc=\"\">~AUTHCODE~</AuthCd></AuthOptional>";
constexpr const char* kOrbitalCapture =
    "<Cap><CapMandatory><EntryDataSrc>02</EntryDataSrc></CapMandatory><CapOptional/></Cap>";
constexpr const char* kOrbitalRefund =
    "<Refund POSEntryMode=\"01\" AccountTypeInd=\"91\" TermEntCapInd=\"05\" CATInfoInd=\"06\" TermLocInd=\"01\" "
    "CardHolderAttendanceInd=\"01\" CardPresentInd=\"N\" POSConditionCode=\"59\" AttendedTermDataInd=\"01\" "
    "FormatInd=\"N\" HcsTcsInd=\"T\" TxCatg=\"7\" MessageType=\"FR\" Version=\"2\" TzCode=\"~TIMEZONE~\">"
    "<Comments>Customer Refund</Comments><AccountNum>~2~</AccountNum><MerchantID>~16~</MerchantID>"
    ORBITAL_TERMINAL "<BIN>~17~</BIN><OrderID>~15~</OrderID><Amount>~18~</Amount>"
    "<Currency CurrencyCode=\"840\" CurrencyExponent=\"2\"/><TxDateTime/>"
    "<CardPresence><CardNP><Exp>~0~~1~</Exp></CardNP></CardPresence><POScardID>4</POScardID>"
    "<EntryDataSrc>02</EntryDataSrc></Refund>";
constexpr const char* kOrbitalVoid =
    "<Void HcsTcsInd=\"T\" MessageType=\"V\" Version=\"2\" TzCode=\"705\"><MerchantID>~16~</MerchantID>"
    ORBITAL_TERMINAL "<BIN>~17~</BIN><TxRefNum>~22~</TxRefNum><TxRefIdx>0</TxRefIdx></Void>";

constexpr const char* kLinkPointOrder =
    "<order>\n"
    "\t<merchantinfo>\n"
    "\t\t<!-- Replace with your STORE NUMBER or STORENAME-->\n"
    "\t\t<configfile>~16~</configfile>\n"
    "\t</merchantinfo>\n"
    "\t<orderoptions>\n"
    "\t\t<ordertype>~TRANSTYPE~</ordertype>\n"
    "\t\t~TESTMODE~\n"
    "\t</orderoptions>\n"
    "\t<payment>\n"
    "\t\t<chargetotal>~18~</chargetotal>\n"
    "\t</payment>\n"
    "\t<creditcard>\n"
    "\t\t<cardnumber>~2~</cardnumber>\n"
    "\t\t<cardexpmonth>~0~</cardexpmonth>\n"
    "\t\t<cardexpyear>~1~</cardexpyear>\n"
    "\t\t<!-- The card code goes with its indicator, or not at all -->\n"
    "\t\t~CVV2DATA~\n"
    "\t</creditcard>\n"
    "\t<billing>\n"
    "\t\t<addrnum>~ADDRNUM~</addrnum>\n"
    "\t\t<zip>~14~</zip>\n"
    "\t\t<name>~9~ ~11~</name>\n"
    "\t\t<address1>~4~</address1>\n"
    "\t\t<city>~5~</city>\n"
    "\t\t<state>~13~</state>\n"
    "\t\t<country>~6~</country>\n"
    "\t\t<phone>~12~</phone>\n"
    "\t\t<fax>~8~</fax>\n"
    "\t\t<email>~7~</email>\n"
    "\t</billing>\n"
    "\t<transactiondetails>\n"
    "\t\t<oid>~22~</oid>\n"
    "\t\t<reference_number>~AUTHCODE~</reference_number>\n"
    "\t</transactiondetails>\n"
    "\t<notes>\n"
    "\t\t<comments>~19~</comments>\n"
    "\t</notes>\n"
    "</order>";

#undef ORBITAL_COMMON
#undef ORBITAL_TERMINAL
#undef T13

// Values become element text: markup characters in them are escaped so that a name such as
// "Smith & Sons" cannot break the document or add elements to it. Carriage returns, tabs and
// line feeds go as references, which a reader keeps as they are, where it would turn a literal
// CR into LF in text and any of them into a blank in an attribute.
void appendEscaped(std::string& out, std::string_view value) {
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': out += "&#13;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        default: out += c;
        }
    }
}

std::string escaped(std::string_view value) {
    std::string out;
    appendEscaped(out, value);
    return out;
}

bool isSlotNumber(std::string_view name) {
    std::size_t i = !name.empty() && name[0] == '-' ? 1 : 0;
    if (i >= name.size()) return false;
    for (; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Named placeholders answer markup ready to insert; an unknown name stays as written.
using NamedValue = std::function<bool(std::string_view name, std::string& value)>;

}  // namespace

namespace {

int fillTemplate(const GatewayFields& fields, std::string_view tpl, const NamedValue& named, std::string& out) {
    std::size_t at = 0;
    while (at < tpl.size()) {
        const std::size_t open = tpl.find('~', at);
        const std::size_t close = open == std::string_view::npos ? open : tpl.find('~', open + 1);
        if (close == std::string_view::npos) {
            out.append(tpl.substr(at));
            break;
        }
        out.append(tpl.substr(at, open - at));
        const std::string_view name = tpl.substr(open + 1, close - open - 1);
        std::string value;
        if (isSlotNumber(name)) {
            const int index = std::atoi(std::string(name).c_str());
            if (index < 0 || index >= RequestSlotCount) return kFieldIndexError;
            appendEscaped(out, fields.text(static_cast<RequestSlot>(index)));
        } else if (named(name, value)) {
            out += value;
        } else {
            out.append(tpl.substr(open, close - open + 1));
        }
        at = close + 1;
    }
    return kOk;
}

}  // namespace

int GatewayEngine::buildPayFuse() {
    const int type = transactionType();
    if (type < ttSale || type > ttVoid) return fail(kNotForGateway, kInvalidTransactionTypeText);
    std::string tpl = kPayFuseHead;
    if (type == ttSale || type == ttAuthOnly) {
        tpl += kPayFuseConsumer;
        tpl += kPayFuseTransaction;
        tpl += "<ChargeDesc1>~19~</ChargeDesc1></Transaction>";
    } else if (type == ttCapture || type == ttCredit) {
        tpl += kPayFuseTransaction;
        tpl += "</Transaction>";
    } else {
        tpl += kPayFuseVoid;
    }
    tpl += kPayFuseTail;
    const NamedValue named = [&](std::string_view name, std::string& value) {
        if (name == "mode") {
            value = PayFuseTestMode.empty() ? "P" : escaped(PayFuseTestMode.data());
        } else if (name == "Alias") {
            value = escaped(MerchantAlias.data());
        } else if (name == "TransType") {
            value = escaped(row().transactionCodes[type]);
        } else if (name == "cvv") {
            // Without a card code the indicator stays empty rather than claim one.
            value = slot(RequestSlot::CardCVV2Data).empty() ? "" : "1";
        } else {
            return false;
        }
        return true;
    };
    std::string document;
    if (int rc = fillTemplate(*this, tpl, named, document)) return fail(rc, "Error Indexing FieldVals.");
    return addForm("CLRCMRC_XML", document);
}

int GatewayEngine::buildOrbital() {
    const int type = transactionType();
    std::string tpl = "<Request>";
    switch (type) {
    case ttSale:
    case ttAuthOnly:
    case ttForce:
        tpl += "<AC>";
        tpl += kOrbitalAuthCommon;
        tpl += "<Auth><AuthMandatory FormatInd=\"H\"/>";
        tpl += type == ttForce ? kOrbitalAuthCode : kOrbitalAvs;
        tpl += "</Auth>";
        tpl += kOrbitalCapture;
        tpl += "</AC>";
        break;
    case ttCapture:
        tpl += "<AC>";
        tpl += kOrbitalCaptureCommon;
        tpl += kOrbitalCapture;
        tpl += "</AC>";
        break;
    case ttCredit:
        tpl += kOrbitalRefund;
        break;
    case ttVoid:
        tpl += kOrbitalVoid;
        break;
    default:
        return fail(kNotForGateway, kInvalidTransactionTypeText);
    }
    tpl += "</Request>";
    const NamedValue named = [&](std::string_view name, std::string& value) {
        if (name == "CVV2DATA") {
            if (slot(RequestSlot::CardCVV2Data).empty()) return value.clear(), true;
            const TCardType card = CardValidator::cardTypeOf(slot(RequestSlot::CardNumber).data());
            value = card == ccVisa || card == ccDiscover ? "<CardSecVal CardSecInd=\"1\">" : "<CardSecVal>";
            appendEscaped(value, text(RequestSlot::CardCVV2Data));
            value += "</CardSecVal>";
        } else if (name == "TRANSTYPE") {
            value = escaped(row().transactionCodes[type]);
        } else if (name == "AUTHCODE") {
            value = escaped(AuthCode.data());
        } else if (name == "TIMEZONE") {
            value = TimeZone.empty() ? "705" : escaped(TimeZone.data());
        } else if (name == "PRIOR") {
            value = type == ttForce ? "><PriorAuthID/></TxTypeCommon>" : "/>";
        } else {
            return false;
        }
        return true;
    };
    std::string document;
    if (int rc = fillTemplate(*this, tpl, named, document)) return fail(rc, "Error Indexing FieldVals.");
    int result = OtherHeaders.assignCString(
        "Content-Transfer-Encoding: text\r\nMIME-Version: 1.0\r\nRequest-Number: 1\r\nDocument-Type: Request");
    if (!result) result = ContentType.assignCString("application/PTI21");
    if (!result) result = PostData.assign(document.size(), document.data());
    return result;
}

int GatewayEngine::buildLinkPoint() {
    const int type = transactionType();
    const NamedValue named = [&](std::string_view name, std::string& value) {
        if (name == "TRANSTYPE") {
            value = escaped(row().transactionCodes[type]);
        } else if (name == "CVV2DATA") {
            value.clear();
            if (!slot(RequestSlot::CardCVV2Data).empty()) {
                value = "<cvmvalue>";
                appendEscaped(value, text(RequestSlot::CardCVV2Data));
                value += "</cvmvalue><cvmindicator>provided</cvmindicator>";
            }
        } else if (name == "AUTHCODE") {
            value = escaped(AuthCode.data());
        } else if (name == "ADDRNUM") {
            const int number = std::atoi(slot(RequestSlot::CustomerAddress).data());
            value = number ? std::to_string(number) : "";
        } else if (name == "TESTMODE") {
            value = TestMode.empty() ? "" : "<result>" + escaped(TestMode.data()) + "</result>";
        } else {
            return false;
        }
        return true;
    };
    std::string document;
    if (int rc = fillTemplate(*this, kLinkPointOrder, named, document)) return fail(rc, "Error Indexing FieldVals.");
    int result = ContentType.assignCString("application/url-encoded");
    if (!result) result = PostData.assign(document.size(), document.data());
    return result;
}

}  // namespace card_control
