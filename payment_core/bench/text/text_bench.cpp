// Times the core's XML parse (with the document built), MD5 and base64 against expat and
// OpenSSL on the same data in one process; prints the median of the repeats in milliseconds.
#include <expat.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "payment_core/md5.h"
#include "payment_core/text_utils.h"
#include "payment_core/xml_object.h"

using namespace payment_core;

namespace {
int repeats = 5;

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Pair {
    double ours;
    double reference;
};

// Ours and the reference take turns, so that a busy machine slows both alike.
Pair sideBySide(const std::function<void()>& ours, const std::function<void()>& reference,
                const std::function<void()>& prepare = [] {}) {
    std::vector<double> a, b;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        auto start = std::chrono::steady_clock::now();
        ours();
        a.push_back(msSince(start));
        start = std::chrono::steady_clock::now();
        reference();
        b.push_back(msSince(start));
    }
    return {median(a), median(b)};
}

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// A card gateway's answer: a flat list of response fields, repeated as a batch report.
std::string gatewayAnswer(std::size_t size) {
    std::mt19937 random(101);
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BatchReport>\n";
    for (int n = 0; doc.size() < size; ++n) {
        doc += "  <TransactionResponse id=\"" + std::to_string(n) + "\">\n";
        doc += "    <ResponseCode>" + std::to_string(random() % 100) + "</ResponseCode>\n";
        doc += "    <ResponseReasonText>This transaction has been approved &amp; settled.</ResponseReasonText>\n";
        doc += "    <AuthCode>" + std::to_string(100000 + random() % 900000) + "</AuthCode>\n";
        doc += "    <AVSResultCode>Y</AVSResultCode>\n";
        doc += "    <TransID>" + std::to_string(random()) + std::to_string(random()) + "</TransID>\n";
        doc += "    <Amount>" + std::to_string(random() % 100000 / 100.0) + "</Amount>\n";
        doc += "    <CustomerName>Jane Q. Doe</CustomerName>\n";
        doc += "    <Address>1234 Main Street, Suite 500</Address>\n";
        doc += "    <Memo><![CDATA[Order #" + std::to_string(n) + " <gift wrap>]]></Memo>\n";
        doc += "  </TransactionResponse>\n";
    }
    return doc + "</BatchReport>\n";
}

// An express-checkout style SOAP answer: namespaces, prefixes, attributes, nested detail.
std::string soapAnswer(std::size_t size) {
    std::mt19937 random(202);
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:cc=\"urn:ebay:apis:CoreComponentTypes\" xmlns:ebl=\"urn:ebay:apis:eBLBaseComponents\" "
        "xmlns:ns=\"urn:ebay:api:PayPalAPI\">\n"
        "<SOAP-ENV:Header><Security xmlns=\"http://schemas.xmlsoap.org/ws/2002/12/secext\" xsi:type=\"wsse:SecurityType\"/>"
        "</SOAP-ENV:Header>\n<SOAP-ENV:Body id=\"_0\">\n";
    for (int n = 0; doc.size() < size; ++n) {
        doc += "<ns:GetExpressCheckoutDetailsResponse>\n";
        doc += "<Timestamp xmlns=\"urn:ebay:apis:eBLBaseComponents\">2024-03-0" + std::to_string(1 + n % 9) +
               "T12:34:56Z</Timestamp>\n";
        doc += "<Ack xmlns=\"urn:ebay:apis:eBLBaseComponents\">Success</Ack>\n";
        doc += "<CorrelationID xmlns=\"urn:ebay:apis:eBLBaseComponents\">" + std::to_string(random()) +
               "</CorrelationID>\n";
        doc += "<Version xmlns=\"urn:ebay:apis:eBLBaseComponents\">2.300000</Version>\n";
        doc += "<ebl:GetExpressCheckoutDetailsResponseDetails xsi:type=\"ebl:GetExpressCheckoutDetailsResponseDetailsType\">\n";
        doc += "<ebl:Token xsi:type=\"ebl:ExpressCheckoutTokenType\">EC-" + std::to_string(random()) + "</ebl:Token>\n";
        doc += "<ebl:PayerInfo xsi:type=\"ebl:PayerInfoType\"><ebl:Payer xsi:type=\"ebl:EmailAddressType\">"
               "buyer" + std::to_string(n) + "@example.com</ebl:Payer>"
               "<ebl:PayerStatus xsi:type=\"ebl:PayPalUserStatusCodeType\">verified</ebl:PayerStatus>"
               "<ebl:PayerName xsi:type=\"ebl:PersonNameType\"><ebl:FirstName>Jane</ebl:FirstName>"
               "<ebl:LastName>O&apos;Doe</ebl:LastName></ebl:PayerName>"
               "<ebl:Address xsi:type=\"ebl:AddressType\"><ebl:Street1>1 Main St &amp; 2nd Ave</ebl:Street1>"
               "<ebl:CityName>San Jose</ebl:CityName><ebl:PostalCode>95131</ebl:PostalCode></ebl:Address>"
               "</ebl:PayerInfo>\n";
        doc += "<ebl:OrderTotal currencyID=\"USD\">" + std::to_string(random() % 10000) + ".00</ebl:OrderTotal>\n";
        doc += "</ebl:GetExpressCheckoutDetailsResponseDetails>\n</ns:GetExpressCheckoutDetailsResponse>\n";
    }
    return doc + "</SOAP-ENV:Body>\n</SOAP-ENV:Envelope>\n";
}

void parseOurs(const std::string& doc) {
    XmlObject object;
    object.setBuildDOM(true);
    if (object.parse(doc.c_str())) fail(object.lastError.data());
}

void parseExpat(const std::string& doc) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
    if (XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1) != XML_STATUS_OK) fail("expat refused the document");
    XML_ParserFree(parser);
}

Pair xml(const std::string& doc) {
    return sideBySide([&] { parseOurs(doc); }, [&] { parseExpat(doc); });
}

void row(const char* name, Pair p) {
    std::printf("%-40s %10.2f %10.2f %8.2f\n", name, p.ours, p.reference, p.reference / p.ours);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) repeats = std::max(1, std::atoi(argv[1]));
    std::printf("%-40s %10s %10s %8s\n", "median of repeats, ms", "ours", "reference", "speed");

    const struct {
        const char* name;
        std::string doc;
    } docs[] = {
        {"XML gateway 1 MB (expat)", gatewayAnswer(1 << 20)},
        {"XML gateway 10 MB (expat)", gatewayAnswer(10 << 20)},
        {"XML SOAP 1 MB (expat)", soapAnswer(1 << 20)},
        {"XML SOAP 10 MB (expat)", soapAnswer(10 << 20)},
    };
    for (const auto& d : docs) row(d.name, xml(d.doc));

    std::string data(64 << 20, '\0');
    std::mt19937 random(1321);
    for (std::size_t i = 0; i < data.size(); i += 4) {
        const std::uint32_t word = static_cast<std::uint32_t>(random());
        std::memcpy(&data[i], &word, 4);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());

    unsigned char digest[16];
    unsigned char reference[16];
    const Pair md5 = sideBySide(
        [&] {
            Md5Context context;
            context.update(data.data(), data.size());
            std::memcpy(digest, context.final(), 16);
        },
        [&] {
            unsigned int n = 0;
            EVP_Digest(data.data(), data.size(), reference, &n, EVP_md5(), nullptr);
        });
    if (std::memcmp(digest, reference, 16) != 0) fail("MD5 digests differ");
    row("MD5 64 MB (EVP_Digest)", md5);

    std::vector<unsigned char> encoded(data.size() / 3 * 4 + 8);
    int encodedLength = 0;
    const std::size_t encodedSize = encoded.size();
    // Into a new buffer each time: both pay for first touching the output's pages.
    InlineString99 ours;
    const Pair encodeNew = sideBySide(
        [&] {
            InlineString99 fresh;
            if (base64Encode(fresh, data.data(), data.size(), false)) fail("base64 out of memory");
            ours = std::move(fresh);
        },
        [&] {
            std::unique_ptr<unsigned char[]> out(new unsigned char[encodedSize]);
            encodedLength = EVP_EncodeBlock(out.get(), bytes, static_cast<int>(data.size()));
        });
    row("base64 encode 64 MB, new buffer (EVP)", encodeNew);
    // Into a buffer used before: the string keeps its block while it holds more than fits inline.
    constexpr int kKept = 100;
    const Pair encodeUsed = sideBySide(
        [&] {
            if (base64Encode(ours, data.data(), data.size(), false)) fail("base64 out of memory");
        },
        [&] { encodedLength = EVP_EncodeBlock(encoded.data(), bytes, static_cast<int>(data.size())); },
        [&] { ours.assign(kKept, nullptr); });
    if (ours.length() != kKept + encodedLength ||
        std::memcmp(ours.data() + kKept, encoded.data(), static_cast<std::size_t>(encodedLength)) != 0) {
        fail("base64 encodings differ");
    }
    row("base64 encode 64 MB, used buffer (EVP)", encodeUsed);

    std::vector<unsigned char> decoded(data.size() + 8);
    // Decoding works in place, so each turn starts from a fresh copy made outside the timing.
    const Pair decode = sideBySide([&] { base64Decode(ours); },
                                   [&] { EVP_DecodeBlock(decoded.data(), encoded.data(), encodedLength); },
                                   [&] { ours.assign(static_cast<std::size_t>(encodedLength), encoded.data()); });
    if (ours.length() != static_cast<int>(data.size()) || std::memcmp(ours.data(), data.data(), data.size()) != 0) {
        fail("base64 decodings differ");
    }
    row("base64 decode 64 MB, in place (EVP)", decode);

    double feeds[2];
    const int counts[2] = {16000, 64000};
    for (int i = 0; i < 2; ++i) {
        const std::string doc = "<a>x" + std::string(static_cast<std::size_t>(counts[i]), '\n') + "y</a>";
        const Pair p = xml(doc);
        feeds[i] = p.ours;
        const std::string name = "line feeds N=" + std::to_string(counts[i]) + " (expat)";
        row(name.c_str(), p);
    }
    std::printf("line feeds: 4x N costs %.1fx the time\n", feeds[1] / feeds[0]);
    return 0;
}
