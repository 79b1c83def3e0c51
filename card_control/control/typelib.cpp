#include "card_control/control/interface.h"

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
#define INDEXED_MEMBERS(Name)                                                                     \
    propget<&ICorvisk::get_##Name>(#Name, k##Name, {{"FieldIndex"}}, "property " #Name),         \
        propput<&ICorvisk::put_##Name>(#Name, k##Name, {{"FieldIndex"}, {"newVal"}}, "property " #Name)

const com::TypeDesc kICorvisk = com::dualInterface<ICorvisk>(
    "ICorvisk", "ICorvisk Interface",
    {
        TEXT_MEMBERS(CardCVV2Data),
        TEXT_MEMBERS(CardExpMonth),
        TEXT_MEMBERS(CardExpYear),
        TEXT_MEMBERS(CardNumber),
        VALUE_MEMBERS(CardType, VT_I4),
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
        VALUE_MEMBERS(FirewallType, VT_I4),
        TEXT_MEMBERS(FirewallUser),
        VALUE_MEMBERS(Gateway, VT_I4),
        TEXT_MEMBERS(GatewayURL),
        TEXT_MEMBERS(InvoiceNumber),
        TEXT_MEMBERS(MerchantLogin),
        TEXT_MEMBERS(MerchantPassword),
        TEXT_MEMBERS(ProxyAuthorization),
        TEXT_MEMBERS(ProxyPassword),
        VALUE_MEMBERS(ProxyPort, VT_I4),
        TEXT_MEMBERS(ProxyServer),
        VALUE_MEMBERS(ProxySSL, VT_I4),
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
        VALUE_MEMBERS(SSLCertStoreType, VT_I4),
        TEXT_MEMBERS(SSLCertSubject),
        TEXT_MEMBERS(SSLServerCert),
        TEXT_MEMBERS(SSLServerCertStatus),
        VALUE_MEMBERS(Timeout, VT_I2),
        TEXT_MEMBERS(TransactionAmount),
        VALUE_MEMBERS(TransactionApproved, VT_BOOL),
        TEXT_MEMBERS(TransactionDesc),
        TEXT_MEMBERS(TransactionId),
        VALUE_MEMBERS(TransactionType, VT_I4),
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

const com::TypeDesc kCoCorvisk = com::coClass(
    "Corvisk", CLSID_Corvisk, "Corvisk Class",
    {{&kICorvisk, IMPLTYPEFLAG_FDEFAULT}, {&kICorviskEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
    TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const com::TypeLibDesc kCORVISKLib{"CORVISKLib", LIBID_CORVISKLib, 1, 0, "Corvisk 2.1 Type Library",
                                   {&kCoCorvisk, &kICorvisk, &kICorviskEvents}};

}  // namespace corvisk
