#include "card_control/control/interface.h"

#include "card_control/card_types.h"
#include "payment_core/firewall_tunnel.h"
#include "payment_core/http_request_state.h"
#include "payment_core/tls_settings.h"

namespace corvisk {

using com::method;
using com::propget;
using com::propput;

#define TEXT_MEMBERS(Name)                                                                        \
    propget<&ICorvisk::get_##Name>(#Name, k##Name, {}, "property " #Name),                       \
        propput<&ICorvisk::put_##Name>(#Name, k##Name, {{"newVal"}}, "property " #Name)
#define VALUE_MEMBERS(Name, Vt)                                                                   \
    propget<&ICorvisk::get_##Name>(#Name, k##Name, {{"", Vt}}, "property " #Name),               \
        propput<&ICorvisk::put_##Name>(#Name, k##Name, {{"newVal", Vt}}, "property " #Name)
#define ENUM_MEMBERS(Name, Enum)                                                                             \
    propget<&ICorvisk::get_##Name>(#Name, k##Name, {{"", VT_I4, PARAMFLAG_NONE, &Enum}}, "property " #Name), \
        propput<&ICorvisk::put_##Name>(#Name, k##Name, {{"newVal", VT_I4, PARAMFLAG_NONE, &Enum}},           \
                                       "property " #Name)
#define INDEXED_MEMBERS(Name)                                                                     \
    propget<&ICorvisk::get_##Name>(#Name, k##Name, {{"FieldIndex"}}, "property " #Name),         \
        propput<&ICorvisk::put_##Name>(#Name, k##Name, {{"FieldIndex"}, {"newVal"}}, "property " #Name)

// The enumerations the properties are typed with, defined below.
extern const com::TypeDesc kTGateway, kTCardType, kTTransactionType, kTFirewallType, kTProxySSL, kTSSLCertStoreType;

const com::TypeDesc kICorvisk = com::dualInterface<ICorvisk>(
    "ICorvisk", "ICorvisk Interface",
    {
        TEXT_MEMBERS(CardCVV2Data),
        TEXT_MEMBERS(CardExpMonth),
        TEXT_MEMBERS(CardExpYear),
        TEXT_MEMBERS(CardNumber),
        ENUM_MEMBERS(CardType, kTCardType),
        TEXT_MEMBERS(CustomerAddress),
        TEXT_MEMBERS(CustomerCity),
        TEXT_MEMBERS(CustomerCountry),
        TEXT_MEMBERS(CustomerEmail),
        TEXT_MEMBERS(CustomerFax),
        TEXT_MEMBERS(CustomerFirstName),
        TEXT_MEMBERS(CustomerId),
        TEXT_MEMBERS(CustomerLastName),
        TEXT_MEMBERS(CustomerPhone),
        TEXT_MEMBERS(CustomerState),
        TEXT_MEMBERS(CustomerZip),
        TEXT_MEMBERS(FirewallHost),
        TEXT_MEMBERS(FirewallPassword),
        VALUE_MEMBERS(FirewallPort, VT_I4),
        ENUM_MEMBERS(FirewallType, kTFirewallType),
        TEXT_MEMBERS(FirewallUser),
        ENUM_MEMBERS(Gateway, kTGateway),
        TEXT_MEMBERS(GatewayURL),
        TEXT_MEMBERS(InvoiceNumber),
        TEXT_MEMBERS(MerchantLogin),
        TEXT_MEMBERS(MerchantPassword),
        TEXT_MEMBERS(ProxyAuthorization),
        TEXT_MEMBERS(ProxyPassword),
        VALUE_MEMBERS(ProxyPort, VT_I4),
        TEXT_MEMBERS(ProxyServer),
        ENUM_MEMBERS(ProxySSL, kTProxySSL),
        TEXT_MEMBERS(ProxyUser),
        TEXT_MEMBERS(ResponseApprovalCode),
        TEXT_MEMBERS(ResponseAVS),
        TEXT_MEMBERS(ResponseCode),
        TEXT_MEMBERS(ResponseCVV2),
        TEXT_MEMBERS(ResponseData),
        TEXT_MEMBERS(ResponseInvoiceNumber),
        TEXT_MEMBERS(ResponseText),
        TEXT_MEMBERS(ResponseTransactionId),
        VALUE_MEMBERS(SpecialFieldCount, VT_I2),
        INDEXED_MEMBERS(SpecialFieldNames),
        INDEXED_MEMBERS(SpecialFieldValues),
        TEXT_MEMBERS(SSLAcceptServerCert),
        TEXT_MEMBERS(SSLCertEncoded),
        TEXT_MEMBERS(SSLCertStore),
        TEXT_MEMBERS(SSLCertStorePassword),
        ENUM_MEMBERS(SSLCertStoreType, kTSSLCertStoreType),
        TEXT_MEMBERS(SSLCertSubject),
        TEXT_MEMBERS(SSLServerCert),
        TEXT_MEMBERS(SSLServerCertStatus),
        VALUE_MEMBERS(Timeout, VT_I2),
        TEXT_MEMBERS(TransactionAmount),
        VALUE_MEMBERS(TransactionApproved, VT_BOOL),
        TEXT_MEMBERS(TransactionDesc),
        TEXT_MEMBERS(TransactionId),
        ENUM_MEMBERS(TransactionType, kTTransactionType),
        VALUE_MEMBERS(SSLAcceptServerCertB, VT_VARIANT),
        VALUE_MEMBERS(SSLCertEncodedB, VT_VARIANT),
        VALUE_MEMBERS(SSLCertStoreB, VT_VARIANT),
        VALUE_MEMBERS(SSLServerCertB, VT_VARIANT),
        VALUE_MEMBERS(SSLServerAuthenticationCertEncodedB, VT_VARIANT),
        method<&ICorvisk::Config>("Config", kConfig, {{"ConfigurationString"}}, "method Config"),
        method<&ICorvisk::AddSpecialField>("AddSpecialField", kAddSpecialField, {{"Name"}, {"Value"}},
                                           "method AddSpecialField"),
        method<&ICorvisk::Authorize>("Authorize", kAuthorize, {}, "method Authorize"),
        method<&ICorvisk::Capture>("Capture", kCapture, {{"TransactionId"}, {"TransactionAmount"}}, "method Capture"),
        method<&ICorvisk::Credit>("Credit", kCredit, {{"TransactionId"}, {"TransactionAmount"}}, "method Credit"),
        method<&ICorvisk::Interrupt>("Interrupt", kInterrupt, {}, "method Interrupt"),
        method<&ICorvisk::PreAuthorize>("PreAuthorize", kPreAuthorize, {}, "method PreAuthorize"),
        method<&ICorvisk::ResetData>("ResetData", kResetData, {}, "method ResetData"),
        method<&ICorvisk::ResetSpecialFields>("ResetSpecialFields", kResetSpecialFields, {}, "method ResetSpecialFields"),
        method<&ICorvisk::VoidTransaction>("VoidTransaction", kVoidTransaction, {{"TransactionId"}},
                                           "method VoidTransaction"),
    });

#undef TEXT_MEMBERS
#undef VALUE_MEMBERS
#undef ENUM_MEMBERS
#undef INDEXED_MEMBERS

const com::TypeDesc kICorviskEvents = com::dispInterface(
    "_ICorviskEvents", DIID__ICorviskEvents, "_ICorviskEvents Interface",
    {
        com::dispMethod("Error", 1, {{"ErrorCode", VT_I2 | VT_BYREF}, {"Description", VT_BSTR | VT_BYREF}},
                        "event Error"),
        com::dispMethod("SSLServerAuthentication", 2,
                        {{"CertEncoded", VT_BSTR | VT_BYREF},
                         {"CertSubject", VT_BSTR | VT_BYREF},
                         {"CertIssuer", VT_BSTR | VT_BYREF},
                         {"Status", VT_BSTR | VT_BYREF},
                         {"Accept", VT_BOOL | VT_BYREF}},
                        "event SSLServerAuthentication"),
        com::dispMethod("SSLStatus", 3, {{"Message", VT_BSTR | VT_BYREF}}, "event SSLStatus"),
    });

#define CONSTANT(Namespace, Name) com::EnumConstant{#Name, Namespace::Name}

const com::TypeDesc kTGateway = com::enumType(
    "TGateway", com::guid("{24441244-F789-11CE-86F8-0020AFD8C6DB}"), "TGateway",
    {
        CONSTANT(card_control, gwNoGateway),
        CONSTANT(card_control, gwAuthorizeNet),
        CONSTANT(card_control, gwDPI),
        CONSTANT(card_control, gwEprocessing),
        CONSTANT(card_control, gwGoRealTime),
        CONSTANT(card_control, gwIBill),
        CONSTANT(card_control, gwIntellipay),
        CONSTANT(card_control, gwIOnGate),
        CONSTANT(card_control, gwITransact),
        CONSTANT(card_control, gwNetBilling),
        CONSTANT(card_control, gwPayFlowPro),
        CONSTANT(card_control, gwPayready),
        CONSTANT(card_control, gwViaKlix),
        CONSTANT(card_control, gwUSAePay),
        CONSTANT(card_control, gwPlugNPay),
        CONSTANT(card_control, gwPlanetPayment),
        CONSTANT(card_control, gwMPCS),
        CONSTANT(card_control, gwRTWare),
        CONSTANT(card_control, gwECX),
        CONSTANT(card_control, gwBankOfAmerica),
        CONSTANT(card_control, gwInnovative),
        CONSTANT(card_control, gwMerchantAnywhere),
        CONSTANT(card_control, gwSkipjack),
        CONSTANT(card_control, gwECHOnline),
        CONSTANT(card_control, gw3DSI),
        CONSTANT(card_control, gwTrustCommerce),
        CONSTANT(card_control, gwPSIGate),
        CONSTANT(card_control, gwPayFuse),
        CONSTANT(card_control, gwPayFlowLink),
        CONSTANT(card_control, gwOrbital),
        CONSTANT(card_control, gwLinkPoint),
        CONSTANT(card_control, gwMoneris),
        CONSTANT(card_control, gwUSight),
        CONSTANT(card_control, gwFastTransact),
        CONSTANT(card_control, gwNetworkMerchants),
        CONSTANT(card_control, gwOgone),
        CONSTANT(card_control, gwEFSNet),
        CONSTANT(card_control, gwPRIGate),
        CONSTANT(card_control, gwProtx),
        CONSTANT(card_control, gwOptimal),
        CONSTANT(card_control, gwMerchantPartners),
        CONSTANT(card_control, gwCyberCash),
        CONSTANT(card_control, gwFirstData),
        CONSTANT(card_control, gwYourPay),
        CONSTANT(card_control, gwACHPAyments),
        CONSTANT(card_control, gwPaymentsGateway),
    });

const com::TypeDesc kTCardType = com::enumType(
    "TCardType", com::guid("{24441245-F789-11CE-86F8-0020AFD8C6DB}"), "TCardType",
    {
        CONSTANT(card_control, ccUnknown),
        CONSTANT(card_control, ccVisa),
        CONSTANT(card_control, ccMasterCard),
        CONSTANT(card_control, ccAMEX),
        CONSTANT(card_control, ccDiscover),
        CONSTANT(card_control, ccDiners),
        CONSTANT(card_control, ccJCB),
        CONSTANT(card_control, ccBankCard),
    });

const com::TypeDesc kTTransactionType = com::enumType(
    "TTransactionType", com::guid("{24441246-F789-11CE-86F8-0020AFD8C6DB}"), "TTransactionType",
    {
        CONSTANT(card_control, ttSale),
        CONSTANT(card_control, ttAuthOnly),
        CONSTANT(card_control, ttCapture),
        CONSTANT(card_control, ttCredit),
        CONSTANT(card_control, ttVoid),
        CONSTANT(card_control, ttForce),
        CONSTANT(card_control, ttAVSOnly),
    });

const com::TypeDesc kTFirewallType = com::enumType(
    "TFirewallType", com::guid("{24441247-F789-11CE-86F8-0020AFD8C6DB}"), "TFirewallType",
    {
        CONSTANT(payment_core, fwNone),
        CONSTANT(payment_core, fwTunnel),
        CONSTANT(payment_core, fwSOCKS4),
        CONSTANT(payment_core, fwSOCKS5),
    });

const com::TypeDesc kTProxySSL = com::enumType(
    "TProxySSL", com::guid("{24441248-F789-11CE-86F8-0020AFD8C6DB}"), "TProxySSL",
    {
        CONSTANT(payment_core, psAutomatic),
        CONSTANT(payment_core, psAlways),
        CONSTANT(payment_core, psNever),
        CONSTANT(payment_core, psTunnel),
    });

const com::TypeDesc kTSSLCertStoreType = com::enumType(
    "TSSLCertStoreType", com::guid("{24441249-F789-11CE-86F8-0020AFD8C6DB}"), "TSSLCertStoreType",
    {
        CONSTANT(payment_core, sstUser),
        CONSTANT(payment_core, sstMachine),
        CONSTANT(payment_core, sstPFXFile),
        CONSTANT(payment_core, sstPFXBlob),
    });

#undef CONSTANT

const com::TypeDesc kCoCorvisk = com::coClass(
    "Corvisk", CLSID_Corvisk, "Corvisk Class",
    {{&kICorvisk, IMPLTYPEFLAG_FDEFAULT}, {&kICorviskEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
    TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const com::TypeLibDesc kCORVISKLib{"CORVISKLib", LIBID_CORVISKLib, 1, 0, "Corvisk 2.1 Type Library",
                                   {&kCoCorvisk, &kICorvisk, &kICorviskEvents, &kTGateway, &kTCardType,
                                    &kTTransactionType, &kTFirewallType, &kTProxySSL, &kTSSLCertStoreType}};

}  // namespace corvisk
