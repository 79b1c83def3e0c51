#pragma once
// The three express-checkout operations: each checks its required fields, fills a fixed XML
// template with the numbered parameters, and sends it as the one raw parameter of a SOAP call
// with the API credentials in the header, then walks the answer's Errors entries.

#include "express_checkout/soap_client.h"

namespace express_checkout {

using payment_core::InlineString99;

enum TPaymentAction : int { aSale = 0, aAuthorization = 1 };

constexpr int kMissingField = -1;
constexpr int kUnsendableValue = -1;
constexpr int kProviderError = 527;
constexpr int kTemplateParameterCount = 27;

inline constexpr const char* kButtonSourceBase = "Tressikor";
inline constexpr const char* kDetailsPath =
    "/Envelope/Body/GetExpressCheckoutDetailsResponse/GetExpressCheckoutDetailsResponseDetails/";
inline constexpr const char* kPaymentInfoPath =
    "/Envelope/Body/DoExpressCheckoutPaymentResponse/DoExpressCheckoutPaymentResponseDetails/PaymentInfo/";

// The level that holds the order's item lists, equal in length and resized together.
class CheckoutEngineBase : public SoapClient {
public:
    ~CheckoutEngineBase() override;

    int itemCount() const { return ItemName.count(); }
    int setItemCount(int n);
    // Template parameter n (0-26); empty outside that range.
    virtual const char* templateParameter(int n) const = 0;

    StringList ItemAmount;
    StringList ItemName;
    StringList ItemNumber;
    StringList ItemQuantity;
    StringList ItemSalesTax;
};

class CheckoutEngine : public CheckoutEngineBase {
public:
    CheckoutEngine();
    ~CheckoutEngine() override;

    int config(ConfigRequest& request, const char** answer) override;
    const char* templateParameter(int n) const override;

    int setCheckout();
    // A length of -1 takes the token up to its NUL.
    int getCheckoutDetails(const char* token, int length = -1);
    int checkoutPayment();
    // An operation runs, or a request is in flight: a host calling in from an event handler is
    // refused before anything of the running call is touched.
    bool busy() const;
    int refuseWhileBusy();

    // Token, ReturnURL, CancelURL, PaymentAction, BuyerEmail, PayerId and the parameter texts.
    void resetRequestFields();
    // Currency, totals, description, invoice, items and ButtonSource.
    void resetOrder();
    // The SOAP layer, the endpoint, the API version and the credentials.
    void resetConnection();

    // The client certificate settings; each change selects the certificate again.
    int setCertStore(const char* bytes, int length);
    void setCertStoreType(int type) { tls.SSLCertStoreType = type; }
    int setCertSubject(const char* text);
    int setCertEncoded(const char* bytes, int length);

    // The text of an element of the last answer, "" when it is absent.
    const char* responseText(const char* path);
    const char* responseText(const char* base, const char* rest);
    const char* responseToken();

    // The expanded template text: "~N~" is parameter N, "~~" one "~".
    static int expandTemplate(const char* text, const char* const* parameters, InlineString99& out);

    InlineString99 ApiUsername;
    InlineString99 ApiPassword;
    InlineString99 Version;
    InlineString99 Currency;
    InlineString99 OrderTotal;
    InlineString99 ShippingTotal;
    InlineString99 TaxTotal;
    InlineString99 OrderDescription;
    InlineString99 InvoiceNumber;
    InlineString99 ButtonSource;
    InlineString99 Token;
    InlineString99 ReturnURL;
    InlineString99 CancelURL;
    InlineString99 BuyerEmail;
    InlineString99 PayerId;
    // The parameters no property reaches: 3, 5, 10 and 16 to 25.
    InlineString99 ItemTotal;
    InlineString99 HandlingTotal;
    InlineString99 NotifyURL;
    InlineString99 MaxAmount;
    InlineString99 Custom;
    InlineString99 ReqConfirmShipping;
    InlineString99 NoShipping;
    InlineString99 LocaleCode;
    InlineString99 PageStyle;
    InlineString99 HeaderImage;
    InlineString99 HeaderBorderColor;
    InlineString99 HeaderBackColor;
    InlineString99 PayflowColor;
    int PaymentAction = aSale;
    InlineString99 Request;
    InlineString99 Response;
    // The API endpoint the calls post to.
    InlineString99 Endpoint;

private:
    int setButtonSource(const char* value);
    int callApi(const char* method, const char* parameter, const char* body);
    int buildBody(const char* templateText, bool withItems, InlineString99& out);
    int copyPayerId();
    int walkErrors();
    int checkAck();
    // The answer of the previous call and its texts are gone before a call does anything else.
    void startCall();
    // The field behind template parameter n and the name the host knows it by; null for the
    // parameters that are no field.
    const InlineString99* parameterField(int n, const char*& name) const;
    int checkRequestValues(const char* templateText, bool withItems);
    // -1 with a text naming the value (index -1: not an item) when it holds a byte that XML
    // cannot carry.
    int checkSendable(const char* name, int index, const char* bytes, std::size_t n);
    int require(const InlineString99& field, const char* message);

    struct CallScope {
        explicit CallScope(bool& flag) : flag_(flag) { flag_ = true; }
        ~CallScope() { flag_ = false; }
        bool& flag_;
    };

    InlineString99 answer_;
    bool inCall_ = false;
};

// The endpoint a new control posts to.
const char* defaultEndpoint();

}  // namespace express_checkout
