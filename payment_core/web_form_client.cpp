#include "payment_core/web_form_client.h"

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

WebFormClient::WebFormClient() = default;

WebFormClient::~WebFormClient() {
    formNames.reset();
    formValues.reset();
}

void WebFormClient::initHttpsDefaults() {
    WinInetHttpClient::initHttpsDefaults();
#if !PAYMENT_CORE_CHECKOUT
    formMessage.process(5);
#endif
}

void WebFormClient::clearRequestState() {
    WinInetHttpClient::clearRequestState();
    formNames.reset();
    formValues.reset();
    setPostContentType(kFormUrlEncoded);
}

void WebFormClient::setPostContentType(int encoding) {
    formEncoding = static_cast<unsigned char>(encoding);
    switch (encoding) {
    case kFormUrlEncoded:
        ContentType.assignCString("application/x-www-form-urlencoded");
        break;
    case kFormMultipart:
        ContentType.assignCString("multipart/form-data");
        break;
    case kFormQuery:
        ContentType.reset();
        break;
    default:
        break;
    }
}

int WebFormClient::clearFormVariables(int n) {
    int result = formNames.resize(n);
    if (!result) result = formValues.resize(n);
    return result;
}

int WebFormClient::postFormVariables(int action) {
    switch (action) {
    case 1:
        return submit();
    case 2:
        return performAction(kActionClear);
    case 0:
        formBusy = 0;
        return performAction(kActionReset);
    default:
        return kOk;
    }
}

int WebFormClient::buildUrlEncoded(InlineString99& out) const {
    int result = kOk;
    for (int i = 0; !result && i < formNames.count(); ++i) {
        if (i > 0) result = out.appendChar('&');
        if (!result) result = urlEncode(out, formNames.get(i));
        if (!result) result = out.appendChar('=');
        if (!result) result = urlEncode(out, formValues.get(i));
    }
    return result;
}

#if !PAYMENT_CORE_CHECKOUT
int WebFormClient::buildMultipart() {
    formMessage.process(5);
    const int count = formNames.count() < 2 ? 2 : formNames.count();
    int result = formMessage.setPartCount(count);
    for (int i = 0; !result && i < formNames.count(); ++i) {
        result = formMessage.setPartData(i, formValues.get(i), formValues.itemLength(i));
        if (!result) result = formMessage.setPartEncoding(i, "7bit");
        InlineString99 header;
        if (!result) result = header.appendCString("Content-Disposition: form-data; name=\"");
        // A quote or line break in a name would end the parameter or the header line early.
        const char* name = formNames.get(i);
        for (int k = 0; !result && k < formNames.itemLength(i); ++k) {
            switch (name[k]) {
            case '"':
                result = header.appendCString("%22");
                break;
            case '\r':
                result = header.appendCString("%0D");
                break;
            case '\n':
                result = header.appendCString("%0A");
                break;
            default:
                result = header.appendChar(name[k]);
            }
        }
        if (!result) result = header.appendCString("\"\r\n");
        if (!result) result = formMessage.setPartHeaders(i, header.data());
    }
    if (!result) result = formMessage.process(4);
    if (!result) {
        PostData = static_cast<InlineString99&&>(formMessage.message);
        formMessage.message.reset();
        result = ContentType.assignCString("multipart/form-data; boundary=");
        if (!result) result = ContentType.appendQuoted(formMessage.boundary.data());
    }
    return result;
}
#endif

int WebFormClient::submit() {
    if (formBusy) {
        setLastError("Busy performing current action.");
        return kHttpBusy;
    }
    PostData.reset();
    formBusy = 1;
    int result = kOk;
    switch (formEncoding) {
    case kFormUrlEncoded:
        result = buildUrlEncoded(PostData);
        if (!result) result = performAction(kActionPost);
        break;
#if !PAYMENT_CORE_CHECKOUT
    case kFormMultipart:
        result = buildMultipart();
        if (!result) result = performAction(kActionPost);
        break;
#endif
    case kFormQuery: {
        InlineString99 url;
        result = url.append(URL.data(), static_cast<std::size_t>(URL.length()));
        if (!result) result = url.appendChar('?');
        if (!result) result = buildUrlEncoded(url);
        if (!result) result = setUrl(url.data(), false);
        if (!result) result = performAction(kActionGet);
        break;
    }
    default:
        break;
    }
    formBusy = 0;
#if !PAYMENT_CORE_CHECKOUT
    if (result && lastError.empty()) lastError.assign(static_cast<std::size_t>(formMessage.lastError.length()), formMessage.lastError.data());
#endif
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
