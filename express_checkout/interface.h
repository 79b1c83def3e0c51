#pragma once
// The automation interface of the express-checkout control, in dispid order.

#include "com/com.h"

#define EXPRESS_CHECKOUT_PROPERTY(name, type)      \
    virtual HRESULT get_##name(type* value) = 0; \
    virtual HRESULT put_##name(type value) = 0;
#define EXPRESS_CHECKOUT_ITEM(name, type)                     \
    virtual HRESULT get_##name(SHORT index, type* value) = 0; \
    virtual HRESULT put_##name(SHORT index, type value) = 0;

struct IExpressCheckout : IDispatch {
    EXPRESS_CHECKOUT_PROPERTY(Ack, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(BuyerEmail, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(CancelURL, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(ContactPhone, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(InvoiceNumber, BSTR)
    EXPRESS_CHECKOUT_ITEM(ItemAmount, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(ItemCount, SHORT)
    EXPRESS_CHECKOUT_ITEM(ItemName, BSTR)
    EXPRESS_CHECKOUT_ITEM(ItemNumber, BSTR)
    EXPRESS_CHECKOUT_ITEM(ItemQuantity, SHORT)
    EXPRESS_CHECKOUT_ITEM(ItemSalesTax, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(OrderDescription, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(OrderTotal, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(Password, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerBusiness, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerCity, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerCountryCode, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerEmail, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerFirstName, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerId, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerLastName, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerPostalCode, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerState, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerStatus, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerStreet1, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PayerStreet2, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentAction, LONG)
    EXPRESS_CHECKOUT_PROPERTY(PaymentDate, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentExchangeRate, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentFeeAmount, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentGrossAmount, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentPendingReason, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentSettleAmount, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentStatus, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentTaxAmount, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentTransactionId, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentTransactionType, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(PaymentType, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(ResponseToken, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(ReturnURL, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(ShippingTotal, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLAcceptServerCert, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertEncoded, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertStore, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertStorePassword, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertStoreType, LONG)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertSubject, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLServerCert, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLServerCertStatus, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(TaxTotal, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(Timeout, SHORT)
    EXPRESS_CHECKOUT_PROPERTY(Token, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(URL, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(Username, BSTR)
    EXPRESS_CHECKOUT_PROPERTY(SSLAcceptServerCertB, VARIANT)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertEncodedB, VARIANT)
    EXPRESS_CHECKOUT_PROPERTY(SSLCertStoreB, VARIANT)
    EXPRESS_CHECKOUT_PROPERTY(SSLServerCertB, VARIANT)
    EXPRESS_CHECKOUT_PROPERTY(SSLServerAuthenticationCertEncodedB, VARIANT)
    virtual HRESULT Config(BSTR configurationString, BSTR* result) = 0;
    virtual HRESULT CheckoutPayment() = 0;
    virtual HRESULT GetCheckoutDetails(BSTR token) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT SetCheckout() = 0;
};
COM_INTERFACE_ID(IExpressCheckout, "{14448201-F789-11CE-86F8-0020AFD8C6DB}");

#undef EXPRESS_CHECKOUT_PROPERTY
#undef EXPRESS_CHECKOUT_ITEM

// The values of PaymentAction and SSLCertStoreType.
enum TPaymentAction : LONG { aSale = 0, aAuthorization = 1 };
enum TSSLCertStoreType : LONG { sstUser = 0, sstMachine = 1, sstPFXFile = 2, sstPFXBlob = 3, sstPEMKey = 4 };

namespace express_checkout {

inline constexpr CLSID CLSID_ExpressCheckout = com::guid("{14448200-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr GUID LIBID_EXPRESSCHECKOUTLib = com::guid("{14448203-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr IID DIID__IExpressCheckoutEvents = com::guid("{14448202-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr const char* kProgId = "QuorrelPayPal.ExpressCheckout.1";
inline constexpr const char* kIndependentProgId = "QuorrelPayPal.ExpressCheckout";
// Invisible at run time, activate when visible, inside-out, cannot link inside, recompose on
// resize, set client site first.
constexpr DWORD kMiscStatus = 132497;

// Help contexts: 22000 + dispid for properties 1-54, their own for the byte-array twins.
constexpr DWORD kPropertyHelpBase = 22000;
constexpr DWORD kMethodHelpBase = 41500;

constexpr LONG kLastStoreType = ::sstPEMKey;

extern const com::TypeDesc kIExpressCheckout;
extern const com::TypeDesc k_IExpressCheckoutEvents;
extern const com::TypeDesc kCoExpressCheckout;
extern const com::TypeLibDesc kExpressCheckoutLib;

}  // namespace express_checkout
