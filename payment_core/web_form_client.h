#pragma once
// Form variables and the one action that sends them: URL-encoded in a POST body, as a
// multipart/form-data body (not in the express-checkout build), or as a GET query.

#include "payment_core/wininet_http_client.h"
#if !PAYMENT_CORE_CHECKOUT
#include "payment_core/mime_message.h"
#endif

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

enum FormEncoding : unsigned char { kFormUrlEncoded = 0, kFormMultipart = 1, kFormQuery = 2 };

class WebFormClient : public WinInetHttpClient {
public:
    WebFormClient();
    ~WebFormClient() override;

    void initHttpsDefaults() override;
    void clearRequestState() override;

    void setPostContentType(int encoding);
    int clearFormVariables(int n);
    int postFormVariables(int action);

    StringList formNames;
    StringList formValues;
    unsigned char formEncoding = kFormUrlEncoded;
    unsigned char formBusy = 0;
#if !PAYMENT_CORE_CHECKOUT
    MimeMessage formMessage{"--boundary"};
#endif

private:
    int submit();
    int buildUrlEncoded(InlineString99& out) const;
#if !PAYMENT_CORE_CHECKOUT
    int buildMultipart();
#endif
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
