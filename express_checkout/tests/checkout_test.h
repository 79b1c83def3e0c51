#pragma once
// Shared by the engine's tests: the test CA trusted as an installed root would be, texts of the
// core's strings, and an event sink that records what the engine raises.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypt32/crypt32.h"
#include "payment_core/core_component.h"
#include "testing/certificates.h"

namespace checkout_test {

template <int N>
std::string str(const payment_core::InlineString<N>& s) {
    return std::string(s.data(), static_cast<std::size_t>(s.length()));
}

inline void trustTestCa() {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    ASSERT_NE(store, nullptr);
    const std::string der = fixtures::TestCertificates::instance().der(fixtures::CertKind::Ca);
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                       static_cast<DWORD>(der.size()));
    ASSERT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
}

struct RecordedError {
    int code;
    std::string text;
};

class RecordingSink : public payment_core::ComponentEventSink {
public:
    void setCodePage(int) override {}
    HRESULT Error(int code, const char* text) override {
        errors.push_back({code, text});
        return 0;
    }
    HRESULT SSLServerAuthentication(const char*, int, const char*, const char*, const char*, int*) override {
        return 0;
    }
    HRESULT SSLStatus(const char*) override { return 0; }

    std::vector<RecordedError> errors;
};

// "HTTP/1.1 200 OK" answers carrying a SOAP envelope around the given body content.
inline std::string envelope(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>" +
           body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

}  // namespace checkout_test
