// Client keys of the express-checkout control: PEM text written around given DER bytes gives
// those bytes back, a DER sequence written from given integers gives back each integer's
// content, and any bytes go through the PEM key import and the PFX store import to a store or
// a refusal.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "express_checkout/client_certificate.h"
#include "fuzz/fuzz_check.h"
#include "payment_core/text_utils.h"

using namespace express_checkout;

namespace {

std::string derLength(std::size_t n) {
    if (n < 0x80) return std::string(1, static_cast<char>(n));
    std::string bytes;
    while (n) {
        bytes.insert(bytes.begin(), static_cast<char>(n & 0xFF));
        n >>= 8;
    }
    return std::string(1, static_cast<char>(0x80 | bytes.size())) + bytes;
}

std::string der(char tag, const std::string& content) { return std::string(1, tag) + derLength(content.size()) + content; }

std::string pem(const std::string& label, const std::string& bytes) {
    InlineString99 base64;
    FUZZ_CHECK(payment_core::base64Encode(base64, bytes.data(), bytes.size(), true) == 0);
    return "-----BEGIN " + label + "-----\r\n" + base64.data() + "\r\n-----END " + label + "-----\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange(0, 2);
    if (mode == 0) {
        std::vector<std::string> integers(in.ConsumeIntegralInRange(1, 9));
        for (auto& integer : integers) {
            integer = in.ConsumeRandomLengthString(300);
            if (integer.empty()) integer = std::string(1, '\0');
        }
        std::string content;
        for (const auto& integer : integers) content += der(0x02, integer);
        const std::string key = der(0x30, content);
        InlineString99 extracted;
        const std::string text = "junk before\n" + pem("RSA PRIVATE KEY", key);
        FUZZ_CHECK(extractPemBlock("RSA PRIVATE KEY", text.data(), static_cast<int>(text.size()), extracted) == 0);
        FUZZ_CHECK(std::string(extracted.data(), static_cast<std::size_t>(extracted.length())) == key);
        FUZZ_CHECK(derEnterSequence(extracted) == 0);
        for (std::size_t i = 0; i < integers.size(); ++i) {
            InlineString99 out;
            FUZZ_CHECK(derReadInteger(extracted, static_cast<int>(i), out) == 0);
            FUZZ_CHECK(std::string(out.data(), static_cast<std::size_t>(out.length())) == integers[i]);
        }
        InlineString99 past;
        FUZZ_CHECK(derReadInteger(extracted, static_cast<int>(integers.size()), past) != 0);
        return 0;
    }
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    CoreComponent owner;
    TlsSettings tls(owner);
    if (mode == 1) {
        InlineString99 buffer;
        FUZZ_CHECK(buffer.assign(bytes.size(), bytes.data()) == 0);
        if (derEnterSequence(buffer) == 0) {
            for (int n = 0; n < 10; ++n) {
                int value = 0;
                (void)derReadIntegerValue(buffer, n, value);
            }
        }
        HCERTSTORE store = importPemKey(owner, tls, bytes.data(), static_cast<int>(bytes.size()));
        if (store) CertCloseStore(store, 0);
        return 0;
    }
    FUZZ_CHECK(tls.setCertStore(bytes.data(), static_cast<int>(bytes.size())) == 0);
    tls.setCertStoreType(payment_core::sstPFXBlob);
    (void)tls.setCertStorePassword("password");
    (void)selectClientCertificate(owner, tls, true);
    return 0;
}
