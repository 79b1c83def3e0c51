#pragma once
// The card control's automation interface, its identifiers and its dispids.

#include "com/com.h"

#define CORVISK_TEXT(Name)                        \
    virtual HRESULT get_##Name(BSTR* value) = 0; \
    virtual HRESULT put_##Name(BSTR value) = 0;
#define CORVISK_VALUE(Name, Type)                 \
    virtual HRESULT get_##Name(Type* value) = 0; \
    virtual HRESULT put_##Name(Type value) = 0;
#define CORVISK_INDEXED(Name)                                   \
    virtual HRESULT get_##Name(SHORT index, BSTR* value) = 0; \
    virtual HRESULT put_##Name(SHORT index, BSTR value) = 0;

// Properties in dispid order (1-62), then the methods (501-510).
struct ICorvisk : IDispatch {
    CORVISK_TEXT(CardCVV2Data)
    CORVISK_TEXT(CardExpMonth)
    CORVISK_TEXT(CardExpYear)
    CORVISK_TEXT(CardNumber)
    CORVISK_VALUE(CardType, LONG)
    CORVISK_TEXT(CustomerAddress)
    CORVISK_TEXT(CustomerCity)
    CORVISK_TEXT(CustomerCountry)
    CORVISK_TEXT(CustomerEmail)
    CORVISK_TEXT(CustomerFax)
    CORVISK_TEXT(CustomerFirstName)
    CORVISK_TEXT(CustomerId)
    CORVISK_TEXT(CustomerLastName)
    CORVISK_TEXT(CustomerPhone)
    CORVISK_TEXT(CustomerState)
    CORVISK_TEXT(CustomerZip)
    CORVISK_TEXT(FirewallHost)
    CORVISK_TEXT(FirewallPassword)
    CORVISK_VALUE(FirewallPort, LONG)
    CORVISK_VALUE(FirewallType, LONG)
    CORVISK_TEXT(FirewallUser)
    CORVISK_VALUE(Gateway, LONG)
    CORVISK_TEXT(GatewayURL)
    CORVISK_TEXT(InvoiceNumber)
    CORVISK_TEXT(MerchantLogin)
    CORVISK_TEXT(MerchantPassword)
    CORVISK_TEXT(ProxyAuthorization)
    CORVISK_TEXT(ProxyPassword)
    CORVISK_VALUE(ProxyPort, LONG)
    CORVISK_TEXT(ProxyServer)
    CORVISK_VALUE(ProxySSL, LONG)
    CORVISK_TEXT(ProxyUser)
    CORVISK_TEXT(ResponseApprovalCode)
    CORVISK_TEXT(ResponseAVS)
    CORVISK_TEXT(ResponseCode)
    CORVISK_TEXT(ResponseCVV2)
    CORVISK_TEXT(ResponseData)
    CORVISK_TEXT(ResponseInvoiceNumber)
    CORVISK_TEXT(ResponseText)
    CORVISK_TEXT(ResponseTransactionId)
    CORVISK_VALUE(SpecialFieldCount, SHORT)
    CORVISK_INDEXED(SpecialFieldNames)
    CORVISK_INDEXED(SpecialFieldValues)
    CORVISK_TEXT(SSLAcceptServerCert)
    CORVISK_TEXT(SSLCertEncoded)
    CORVISK_TEXT(SSLCertStore)
    CORVISK_TEXT(SSLCertStorePassword)
    CORVISK_VALUE(SSLCertStoreType, LONG)
    CORVISK_TEXT(SSLCertSubject)
    CORVISK_TEXT(SSLServerCert)
    CORVISK_TEXT(SSLServerCertStatus)
    CORVISK_VALUE(Timeout, SHORT)
    CORVISK_TEXT(TransactionAmount)
    CORVISK_VALUE(TransactionApproved, VARIANT_BOOL)
    CORVISK_TEXT(TransactionDesc)
    CORVISK_TEXT(TransactionId)
    CORVISK_VALUE(TransactionType, LONG)
    CORVISK_VALUE(SSLAcceptServerCertB, VARIANT)
    CORVISK_VALUE(SSLCertEncodedB, VARIANT)
    CORVISK_VALUE(SSLCertStoreB, VARIANT)
    CORVISK_VALUE(SSLServerCertB, VARIANT)
    CORVISK_VALUE(SSLServerAuthenticationCertEncodedB, VARIANT)

    virtual HRESULT Config(BSTR configurationString, BSTR* answer) = 0;
    virtual HRESULT AddSpecialField(BSTR name, BSTR value) = 0;
    virtual HRESULT Authorize() = 0;
    virtual HRESULT Capture(BSTR transactionId, BSTR transactionAmount) = 0;
    virtual HRESULT Credit(BSTR transactionId, BSTR transactionAmount) = 0;
    virtual HRESULT Interrupt() = 0;
    virtual HRESULT PreAuthorize() = 0;
    virtual HRESULT ResetData() = 0;
    virtual HRESULT ResetSpecialFields() = 0;
    virtual HRESULT VoidTransaction(BSTR transactionId) = 0;
};
COM_INTERFACE_ID(ICorvisk, "{24441241-F789-11CE-86F8-0020AFD8C6DB}");

#undef CORVISK_TEXT
#undef CORVISK_VALUE
#undef CORVISK_INDEXED

namespace corvisk {

inline constexpr CLSID CLSID_Corvisk = com::guid("{24441240-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr GUID LIBID_CORVISKLib = com::guid("{24441243-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr IID DIID__ICorviskEvents = com::guid("{24441242-F789-11CE-86F8-0020AFD8C6DB}");
inline constexpr char kProgId[] = "QuorrelPay.Corvisk.1";
inline constexpr char kIndependentProgId[] = "QuorrelPay.Corvisk";
// Invisible at run time, activate when visible, inside-out, cannot link inside, recompose on
// resize, set client site first.
constexpr DWORD kMiscStatus = 132497;

enum Dispid : DISPID {
    kCardCVV2Data = 1, kCardExpMonth, kCardExpYear, kCardNumber, kCardType,
    kCustomerAddress, kCustomerCity, kCustomerCountry, kCustomerEmail, kCustomerFax, kCustomerFirstName,
    kCustomerId, kCustomerLastName, kCustomerPhone, kCustomerState, kCustomerZip,
    kFirewallHost, kFirewallPassword, kFirewallPort, kFirewallType, kFirewallUser,
    kGateway, kGatewayURL, kInvoiceNumber, kMerchantLogin, kMerchantPassword,
    kProxyAuthorization, kProxyPassword, kProxyPort, kProxyServer, kProxySSL, kProxyUser,
    kResponseApprovalCode, kResponseAVS, kResponseCode, kResponseCVV2, kResponseData, kResponseInvoiceNumber,
    kResponseText, kResponseTransactionId,
    kSpecialFieldCount, kSpecialFieldNames, kSpecialFieldValues,
    kSSLAcceptServerCert, kSSLCertEncoded, kSSLCertStore, kSSLCertStorePassword, kSSLCertStoreType, kSSLCertSubject,
    kSSLServerCert, kSSLServerCertStatus, kTimeout, kTransactionAmount, kTransactionApproved, kTransactionDesc,
    kTransactionId, kTransactionType,
    kSSLAcceptServerCertB, kSSLCertEncodedB, kSSLCertStoreB, kSSLServerCertB, kSSLServerAuthenticationCertEncodedB,

    kConfig = 501, kAddSpecialField, kAuthorize, kCapture, kCredit, kInterrupt, kPreAuthorize, kResetData,
    kResetSpecialFields, kVoidTransaction,
};

// Help contexts of the errors each member raises.
constexpr DWORD helpContextOf(DISPID id) {
    if (id >= kConfig) return 41900 + static_cast<DWORD>(id);
    if (id == kSSLServerAuthenticationCertEncodedB) return 32402;
    if (id >= kSSLAcceptServerCertB) return 22400 + static_cast<DWORD>(id - kTransactionType);
    return 22400 + static_cast<DWORD>(id);
}

extern const com::TypeDesc kICorvisk;
extern const com::TypeDesc kICorviskEvents;
extern const com::TypeDesc kCoCorvisk;
extern const com::TypeLibDesc kCORVISKLib;

}  // namespace corvisk
