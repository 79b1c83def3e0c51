// The express-checkout control's SOAP answers: any text parses, a fault or the method
// response's children; an envelope written from given return values gives back exactly those
// names, values and attributes, and a fault written from given texts gives back those texts.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "express_checkout/soap_client.h"
#include "fuzz/fuzz_check.h"

using namespace express_checkout;

namespace {

std::string item(const StringList& list, int i) {
    const char* bytes = list.get(i);
    return bytes ? std::string(bytes, static_cast<std::size_t>(list.itemLength(i))) : std::string();
}

// A name the path language and the parser both take: a letter, then letters and digits.
std::string elementName(const std::string& raw, const char* fallback) {
    std::string out;
    for (char c : raw)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (!out.empty() && c >= '0' && c <= '9')) out += c;
    return out.empty() ? fallback : out;
}

// Text that comes back byte for byte: no white space (trimmed at tags) and no NUL.
std::string textValue(const std::string& raw) {
    std::string out;
    for (char c : raw)
        if (c != '\0' && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') out += c;
    return out;
}

std::string escaped(const std::string& text) {
    InlineString99 out;
    FUZZ_CHECK(SoapClient::xmlEscape(text.c_str(), out) == 0);
    return out.data();
}

int parse(SoapClient& client, const std::string& text) {
    client.PostData.assign(text.size(), text.data());
    return client.doAction(kSoapParse);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange(0, 2);
    SoapClient client;
    if (mode == 0) {
        const int result = parse(client, fuzz::text(in.ConsumeRemainingBytesAsString()));
        if (result == kSoapFault) {
            (void)client.faultCode();
            (void)client.faultString();
        }
        FUZZ_CHECK(client.paramNames.count() == client.paramValues.count());
        FUZZ_CHECK(client.paramNames.count() == client.paramAttributes.count());
        return 0;
    }
    const std::string prefix = elementName(in.ConsumeRandomLengthString(8), "SOAP-ENV");
    const std::string open = "<" + prefix + ":Envelope xmlns:" + prefix + "=\"" + kSoapEnvelopeNamespace + "\"><" +
                             prefix + ":Body>";
    const std::string close = "</" + prefix + ":Body></" + prefix + ":Envelope>";
    if (mode == 1) {
        const std::string code = textValue(in.ConsumeRandomLengthString(40));
        const std::string text = textValue(in.ConsumeRandomLengthString(80));
        const std::string answer = open + "<" + prefix + ":Fault><faultcode>" + escaped(code) +
                                   "</faultcode><faultstring>" + escaped(text) + "</faultstring></" + prefix +
                                   ":Fault>" + close;
        FUZZ_CHECK(parse(client, answer) == kSoapFault);
        FUZZ_CHECK(code == client.faultCode());
        FUZZ_CHECK(text == client.faultString());
        return 0;
    }
    std::string method = elementName(in.ConsumeRandomLengthString(12), "DoResponse");
    // Body's child "Fault" is a fault in any namespace.
    if (method == "Fault") method = "DoResponse";
    struct Value {
        std::string name, text, attributeName, attributeValue;
    };
    std::vector<Value> values;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        Value v;
        v.name = elementName(in.ConsumeRandomLengthString(10), "Field");
        v.text = textValue(in.ConsumeRandomLengthString(40));
        if (in.ConsumeBool()) {
            v.attributeName = elementName(in.ConsumeRandomLengthString(8), "id");
            // "xmlns" declares a prefix; it is no attribute.
            if (v.attributeName == "xmlns") v.attributeName = "id";
            v.attributeValue = in.ConsumeRandomLengthString(12);
            v.attributeValue = v.attributeValue.substr(0, v.attributeValue.find('\0'));
        }
        values.push_back(v);
    }
    std::string answer = open + "<ns:" + method + " xmlns:ns=\"urn:fuzz\">";
    for (const Value& v : values) {
        answer += "<" + v.name;
        if (!v.attributeName.empty()) answer += " " + v.attributeName + "=\"" + escaped(v.attributeValue) + "\"";
        answer += ">" + escaped(v.text) + "</" + v.name + ">";
    }
    answer += "</ns:" + method + ">" + close;
    FUZZ_CHECK(parse(client, answer) == 0);
    if (values.empty()) {
        FUZZ_CHECK(client.paramNames.count() <= 1);
        return 0;
    }
    FUZZ_CHECK(client.paramNames.count() == static_cast<int>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        FUZZ_CHECK(item(client.paramNames, static_cast<int>(i)) == values[i].name);
        FUZZ_CHECK(item(client.paramValues, static_cast<int>(i)) == values[i].text);
        const std::string attributes = item(client.paramAttributes, static_cast<int>(i));
        FUZZ_CHECK(attributes.empty() == values[i].attributeName.empty());
        if (!values[i].attributeName.empty())
            FUZZ_CHECK(attributes.rfind(values[i].attributeName + "=", 0) == 0);
    }
    return 0;
}
