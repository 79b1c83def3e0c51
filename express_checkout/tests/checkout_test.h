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
