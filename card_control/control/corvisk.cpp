// The card control: every member is a call into its one GatewayEngine, with the engine's result
// codes turned into COM errors and its events fired to the host's sinks.

#include "card_control/control/corvisk.h"

#include "activex/control.h"
#include "card_control/gateway_engine.h"
#include "payment_core/com_bridge.h"
#include "win32/codepage.h"

#include <memory>
#include <string>

namespace corvisk {

using card_control::GatewayEngine;
using card_control::RequestSlot;
using card_control::ResponseSlot;
using payment_core::kOutOfMemory;

namespace {

std::vector<activex::PropertyEntry> persistedProperties() {
    using activex::propertyEntry;
    return {
        // A card security code is never stored; its entry stays so that saved controls keep their layout.
        activex::withheldEntry("CardCVV2Data", VT_BSTR),
        propertyEntry("CardExpMonth", kCardExpMonth, VT_BSTR),
        propertyEntry("CardExpYear", kCardExpYear, VT_BSTR),
        propertyEntry("CardNumber", kCardNumber, VT_BSTR),
        propertyEntry("CustomerAddress", kCustomerAddress, VT_BSTR),
        propertyEntry("CustomerCity", kCustomerCity, VT_BSTR),
        propertyEntry("CustomerCountry", kCustomerCountry, VT_BSTR),
        propertyEntry("CustomerEmail", kCustomerEmail, VT_BSTR),
        propertyEntry("CustomerFax", kCustomerFax, VT_BSTR),
        propertyEntry("CustomerFirstName", kCustomerFirstName, VT_BSTR),
        propertyEntry("CustomerId", kCustomerId, VT_BSTR),
        propertyEntry("CustomerLastName", kCustomerLastName, VT_BSTR),
        propertyEntry("CustomerPhone", kCustomerPhone, VT_BSTR),
        propertyEntry("CustomerState", kCustomerState, VT_BSTR),
        propertyEntry("CustomerZip", kCustomerZip, VT_BSTR),
        propertyEntry("FirewallHost", kFirewallHost, VT_BSTR),
        propertyEntry("FirewallPassword", kFirewallPassword, VT_BSTR),
        propertyEntry("FirewallPort", kFirewallPort, VT_I4),
        propertyEntry("FirewallType", kFirewallType, VT_I4),
        propertyEntry("FirewallUser", kFirewallUser, VT_BSTR),
        propertyEntry("Gateway", kGateway, VT_I4),
        propertyEntry("GatewayURL", kGatewayURL, VT_BSTR),
        propertyEntry("InvoiceNumber", kInvoiceNumber, VT_BSTR),
        propertyEntry("MerchantLogin", kMerchantLogin, VT_BSTR),
        propertyEntry("MerchantPassword", kMerchantPassword, VT_BSTR),
        propertyEntry("ProxyPassword", kProxyPassword, VT_BSTR),
        propertyEntry("ProxyPort", kProxyPort, VT_I4),
        propertyEntry("ProxyServer", kProxyServer, VT_BSTR),
        propertyEntry("ProxySSL", kProxySSL, VT_I4),
        propertyEntry("ProxyUser", kProxyUser, VT_BSTR),
        propertyEntry("SpecialFieldCount", kSpecialFieldCount, VT_I2),
        propertyEntry("SSLCertStore", kSSLCertStore, VT_BSTR),
        propertyEntry("SSLCertStorePassword", kSSLCertStorePassword, VT_BSTR),
        propertyEntry("SSLCertStoreType", kSSLCertStoreType, VT_I4),
        propertyEntry("SSLCertSubject", kSSLCertSubject, VT_BSTR),
        propertyEntry("Timeout", kTimeout, VT_I2),
        propertyEntry("TransactionAmount", kTransactionAmount, VT_BSTR),
        propertyEntry("TransactionDesc", kTransactionDesc, VT_BSTR),
        propertyEntry("TransactionId", kTransactionId, VT_BSTR),
        propertyEntry("TransactionType", kTransactionType, VT_I4),
    };
}

const activex::ControlClass& corviskClass() {
    static const activex::ControlClass cls{corviskModule(), CLSID_Corvisk, kProgId,   kCoCorvisk,
                                           kICorvisk,   &DIID__ICorviskEvents, kMiscStatus, persistedProperties()};
    return cls;
}

const payment_core::ControlIdentity kIdentity{CLSID_Corvisk, u"QuorrelPay.Corvisk.1", u"Corvisk.hlp"};

// Design-time glyph, 16 by 15: a card with its stripe. '.' is the transparent colour.
constexpr const char* kGlyph[15] = {
    "................", "................", ".##############.", ".#............#.", ".##############.",
    ".##############.", ".#............#.", ".#.####.......#.", ".#............#.", ".#.##.###.....#.",
    ".#............#.", ".##############.", "................", "................", "................",
};

bool isOneDimensionalByteArray(const VARIANT& v, SAFEARRAY*& array) {
    array = nullptr;
    if (v.vt == (VT_ARRAY | VT_UI1)) array = v.parray;
    else if (v.vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v.pparray) array = *v.pparray;
    return array && SafeArrayGetDim(array) == 1;
}

}  // namespace

class Corvisk final : public activex::Control<ICorvisk> {
public:
    static constexpr const CLSID& kClsid = CLSID_Corvisk;

    Corvisk() : Control(corviskClass()) {
        setExtentPixels(28, 28);
        IConnectionPoint* point = nullptr;
        if (SUCCEEDED(FindConnectionPoint(DIID__ICorviskEvents, &point)) && point) {
            events_ = std::make_unique<payment_core::PaymentEvents>(*static_cast<com::ConnectionPoint*>(point));
            point->Release();
            engine_.eventSink = events_.get();
        }
        engine_.firewall.FirewallPort = 80;
        engine_.ProxyPort = 80;
    }
    ~Corvisk() override { engine_.eventSink = nullptr; }

#define SLOT_TEXT(Name)                                                                                    \
    HRESULT get_##Name(BSTR* value) override { return outText(engine_.slot(RequestSlot::Name), value); } \
    HRESULT put_##Name(BSTR value) override { return putSlot(RequestSlot::Name, value, k##Name); }
#define RESPONSE_TEXT(Name)                                                                                    \
    HRESULT get_##Name(BSTR* value) override { return outText(engine_.answer.responseField(ResponseSlot::Name), value); } \
    HRESULT put_##Name(BSTR) override { return payment_core::raiseReadOnly(kIdentity, helpContextOf(k##Name)); }

    SLOT_TEXT(CardCVV2Data)
    HRESULT get_CardExpMonth(BSTR* value) override { return outText(engine_.slot(RequestSlot::CardExpMonth), value); }
    HRESULT put_CardExpMonth(BSTR value) override {
        return withText(value, kCardExpMonth, [&](const std::string& t) { return engine_.setCardExpMonth(t.c_str()); });
    }
    HRESULT get_CardExpYear(BSTR* value) override { return outText(engine_.slot(RequestSlot::CardExpYear), value); }
    HRESULT put_CardExpYear(BSTR value) override {
        return withText(value, kCardExpYear, [&](const std::string& t) { return engine_.setCardExpYear(t.c_str()); });
    }
    HRESULT get_CardNumber(BSTR* value) override { return outText(engine_.slot(RequestSlot::CardNumber), value); }
    HRESULT put_CardNumber(BSTR value) override {
        return withText(value, kCardNumber, [&](const std::string& t) { return engine_.setCardNumber(t.c_str()); });
    }
    HRESULT get_CardType(LONG* value) override { return outValue(value, engine_.cardType()); }
    HRESULT put_CardType(LONG value) override {
        if (value < card_control::ccUnknown || value > card_control::ccBankCard) return outOfRange(kCardType);
        return result(engine_.setCardType(value), kCardType);
    }
    SLOT_TEXT(CustomerAddress)
    SLOT_TEXT(CustomerCity)
    SLOT_TEXT(CustomerCountry)
    SLOT_TEXT(CustomerEmail)
    SLOT_TEXT(CustomerFax)
    SLOT_TEXT(CustomerFirstName)
    SLOT_TEXT(CustomerId)
    SLOT_TEXT(CustomerLastName)
    SLOT_TEXT(CustomerPhone)
    SLOT_TEXT(CustomerState)
    SLOT_TEXT(CustomerZip)

    HRESULT get_FirewallHost(BSTR* value) override { return outText(engine_.firewall.getFirewallHost(), value); }
    HRESULT put_FirewallHost(BSTR value) override {
        return withText(value, kFirewallHost, [&](const std::string& t) { return engine_.firewall.setFirewallHost(t.c_str()); });
    }
    HRESULT get_FirewallPassword(BSTR* value) override { return outText(engine_.firewall.FirewallPassword, value); }
    HRESULT put_FirewallPassword(BSTR value) override {
        return withText(value, kFirewallPassword,
                        [&](const std::string& t) { return engine_.firewall.setFirewallPassword(t.substr(0, 255).c_str()); });
    }
    HRESULT get_FirewallPort(LONG* value) override { return outValue(value, engine_.firewall.FirewallPort); }
    HRESULT put_FirewallPort(LONG value) override {
        engine_.firewall.FirewallPort = value;
        return S_OK;
    }
    HRESULT get_FirewallType(LONG* value) override { return outValue(value, engine_.firewall.FirewallType); }
    HRESULT put_FirewallType(LONG value) override {
        if (value < payment_core::fwNone || value > payment_core::fwSOCKS5) return outOfRange(kFirewallType);
        engine_.firewall.FirewallType = static_cast<unsigned char>(value);
        engine_.firewall.FirewallPort = value == payment_core::fwSOCKS4 || value == payment_core::fwSOCKS5 ? 1080 : 80;
        return S_OK;
    }
    HRESULT get_FirewallUser(BSTR* value) override { return outText(engine_.firewall.FirewallUser, value); }
    HRESULT put_FirewallUser(BSTR value) override {
        return withText(value, kFirewallUser,
                        [&](const std::string& t) { return engine_.firewall.setFirewallUser(t.substr(0, 255).c_str()); });
    }

    HRESULT get_Gateway(LONG* value) override { return outValue(value, engine_.gateway); }
    HRESULT put_Gateway(LONG value) override {
        if (value < 0 || value > 255) return outOfRange(kGateway);
        return result(engine_.setGateway(value), kGateway);
    }
    HRESULT get_GatewayURL(BSTR* value) override { return outText(engine_.GatewayURL, value); }
    HRESULT put_GatewayURL(BSTR value) override {
        return withText(value, kGatewayURL, [&](const std::string& t) { return engine_.GatewayURL.assign(t.size(), t.data()); });
    }
    SLOT_TEXT(InvoiceNumber)
    SLOT_TEXT(MerchantLogin)
    SLOT_TEXT(MerchantPassword)

    HRESULT get_ProxyAuthorization(BSTR* value) override { return outText(engine_.ProxyAuthorization, value); }
    HRESULT put_ProxyAuthorization(BSTR value) override {
        return withText(value, kProxyAuthorization,
                        [&](const std::string& t) { return engine_.ProxyAuthorization.assign(t.size(), t.data()); });
    }
    HRESULT get_ProxyPassword(BSTR* value) override { return outText(engine_.ProxyPassword, value); }
    HRESULT put_ProxyPassword(BSTR value) override {
        return withText(value, kProxyPassword, [&](const std::string& t) { return engine_.setProxyPassword(t.c_str()); });
    }
    HRESULT get_ProxyPort(LONG* value) override { return outValue(value, engine_.ProxyPort); }
    HRESULT put_ProxyPort(LONG value) override {
        engine_.ProxyPort = value;
        return S_OK;
    }
    HRESULT get_ProxyServer(BSTR* value) override { return outText(engine_.ProxyServer, value); }
    HRESULT put_ProxyServer(BSTR value) override {
        return withText(value, kProxyServer, [&](const std::string& t) { return engine_.ProxyServer.assign(t.size(), t.data()); });
    }
    HRESULT get_ProxySSL(LONG* value) override { return outValue(value, engine_.ProxySSL); }
    HRESULT put_ProxySSL(LONG value) override {
        if (value < payment_core::psAutomatic || value > payment_core::psTunnel) return outOfRange(kProxySSL);
        engine_.ProxySSL = static_cast<unsigned char>(value);
        engine_.firewall.FirewallType = value == payment_core::psTunnel ? payment_core::fwTunnel : payment_core::fwNone;
        engine_.firewall.FirewallPort = 80;
        return S_OK;
    }
    HRESULT get_ProxyUser(BSTR* value) override { return outText(engine_.ProxyUser, value); }
    HRESULT put_ProxyUser(BSTR value) override {
        return withText(value, kProxyUser, [&](const std::string& t) { return engine_.setProxyUser(t.c_str()); });
    }

    RESPONSE_TEXT(ResponseApprovalCode)
    RESPONSE_TEXT(ResponseAVS)
    RESPONSE_TEXT(ResponseCode)
    RESPONSE_TEXT(ResponseCVV2)
    HRESULT get_ResponseData(BSTR* value) override { return outText(engine_.ResponseData, value); }
    HRESULT put_ResponseData(BSTR) override { return payment_core::raiseReadOnly(kIdentity, helpContextOf(kResponseData)); }
    RESPONSE_TEXT(ResponseInvoiceNumber)
    RESPONSE_TEXT(ResponseText)
    RESPONSE_TEXT(ResponseTransactionId)

    HRESULT get_SpecialFieldCount(SHORT* value) override { return outValue(value, engine_.specialFieldCount()); }
    HRESULT put_SpecialFieldCount(SHORT value) override {
        return result(engine_.setSpecialFieldCount(value), kSpecialFieldCount);
    }
    HRESULT get_SpecialFieldNames(SHORT index, BSTR* value) override {
        return getSpecial(engine_.specialNames, index, value, kSpecialFieldNames);
    }
    HRESULT put_SpecialFieldNames(SHORT index, BSTR value) override {
        return withText(value, kSpecialFieldNames,
                        [&](const std::string& t) { return engine_.setSpecialField(engine_.specialNames, index, t.c_str()); });
    }
    HRESULT get_SpecialFieldValues(SHORT index, BSTR* value) override {
        return getSpecial(engine_.specialValues, index, value, kSpecialFieldValues);
    }
    HRESULT put_SpecialFieldValues(SHORT index, BSTR value) override {
        return withText(value, kSpecialFieldValues,
                        [&](const std::string& t) { return engine_.setSpecialField(engine_.specialValues, index, t.c_str()); });
    }

    HRESULT get_SSLAcceptServerCert(BSTR* value) override {
        payment_core::InlineString99 text;
        if (int rc = engine_.tls.acceptServerCertEncoded(text)) return result(rc, kSSLAcceptServerCert);
        return outText(text, value);
    }
    HRESULT put_SSLAcceptServerCert(BSTR value) override {
        return withText(value, kSSLAcceptServerCert, [&](const std::string& t) {
            return engine_.tls.setAcceptServerCert(t.data(), static_cast<int>(t.size()));
        });
    }
    HRESULT get_SSLCertEncoded(BSTR* value) override {
        payment_core::InlineString99 text;
        if (int rc = engine_.tls.certEncoded(text)) return result(rc, kSSLCertEncoded);
        return outText(text, value);
    }
    HRESULT put_SSLCertEncoded(BSTR value) override {
        return withText(value, kSSLCertEncoded, [&](const std::string& t) {
            return engine_.tls.setCertEncoded(t.data(), static_cast<int>(t.size()));
        });
    }
    HRESULT get_SSLCertStore(BSTR* value) override { return outText(engine_.tls.SSLCertStore, value); }
    HRESULT put_SSLCertStore(BSTR value) override {
        return withText(value, kSSLCertStore,
                        [&](const std::string& t) { return engine_.tls.setCertStore(t.data(), static_cast<int>(t.size())); });
    }
    HRESULT get_SSLCertStorePassword(BSTR* value) override { return outText(engine_.tls.SSLCertStorePassword, value); }
    HRESULT put_SSLCertStorePassword(BSTR value) override {
        return withText(value, kSSLCertStorePassword,
                        [&](const std::string& t) { return engine_.tls.setCertStorePassword(t.c_str()); });
    }
    HRESULT get_SSLCertStoreType(LONG* value) override { return outValue(value, engine_.tls.SSLCertStoreType); }
    HRESULT put_SSLCertStoreType(LONG value) override {
        if (value < 0 || value > 3) return outOfRange(kSSLCertStoreType);
        engine_.tls.setCertStoreType(value);
        return S_OK;
    }
    HRESULT get_SSLCertSubject(BSTR* value) override { return outText(engine_.tls.SSLCertSubject, value); }
    HRESULT put_SSLCertSubject(BSTR value) override {
        return withText(value, kSSLCertSubject, [&](const std::string& t) { return engine_.tls.setCertSubject(t.c_str()); });
    }
    HRESULT get_SSLServerCert(BSTR* value) override { return outText(engine_.tls.SSLServerCert, value); }
    HRESULT put_SSLServerCert(BSTR) override { return payment_core::raiseReadOnly(kIdentity, helpContextOf(kSSLServerCert)); }
    HRESULT get_SSLServerCertStatus(BSTR* value) override { return outText(engine_.tls.SSLServerCertStatus, value); }
    HRESULT put_SSLServerCertStatus(BSTR) override {
        return payment_core::raiseReadOnly(kIdentity, helpContextOf(kSSLServerCertStatus));
    }

    HRESULT get_Timeout(SHORT* value) override { return outValue(value, engine_.getTimeout()); }
    HRESULT put_Timeout(SHORT value) override {
        engine_.setTimeout(value);
        return S_OK;
    }
    SLOT_TEXT(TransactionAmount)
    HRESULT get_TransactionApproved(VARIANT_BOOL* value) override {
        if (!value) return E_POINTER;
        *value = engine_.transactionApproved() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT put_TransactionApproved(VARIANT_BOOL) override {
        return payment_core::raiseReadOnly(kIdentity, helpContextOf(kTransactionApproved));
    }
    SLOT_TEXT(TransactionDesc)
    SLOT_TEXT(TransactionId)
    HRESULT get_TransactionType(LONG* value) override { return outValue(value, engine_.transactionType()); }
    HRESULT put_TransactionType(LONG value) override {
        if (value < card_control::ttSale || value > card_control::ttAVSOnly) return outOfRange(kTransactionType);
        return result(engine_.setTransactionType(value), kTransactionType);
    }

    HRESULT get_SSLAcceptServerCertB(VARIANT* value) override {
        payment_core::InlineString99 bytes;
        if (int rc = engine_.tls.acceptServerCertEncoded(bytes)) return result(rc, kSSLAcceptServerCertB);
        return outBytes(bytes.data(), bytes.length(), value);
    }
    HRESULT put_SSLAcceptServerCertB(VARIANT value) override {
        return withBytes(value, kSSLAcceptServerCertB,
                         [&](const char* b, int n) { return engine_.tls.setAcceptServerCert(b, n); });
    }
    HRESULT get_SSLCertEncodedB(VARIANT* value) override {
        payment_core::InlineString99 bytes;
        if (int rc = engine_.tls.certEncoded(bytes)) return result(rc, kSSLCertEncodedB);
        return outBytes(bytes.data(), bytes.length(), value);
    }
    HRESULT put_SSLCertEncodedB(VARIANT value) override {
        return withBytes(value, kSSLCertEncodedB, [&](const char* b, int n) { return engine_.tls.setCertEncoded(b, n); });
    }
    HRESULT get_SSLCertStoreB(VARIANT* value) override {
        return outBytes(engine_.tls.SSLCertStore.data(), engine_.tls.SSLCertStore.length(), value);
    }
    HRESULT put_SSLCertStoreB(VARIANT value) override {
        return withBytes(value, kSSLCertStoreB, [&](const char* b, int n) { return engine_.tls.setCertStore(b, n); });
    }
    HRESULT get_SSLServerCertB(VARIANT* value) override {
        return outBytes(engine_.tls.SSLServerCert.data(), engine_.tls.SSLServerCert.length(), value);
    }
    HRESULT put_SSLServerCertB(VARIANT) override {
        return payment_core::raiseReadOnly(kIdentity, helpContextOf(kSSLServerCertB));
    }
    HRESULT get_SSLServerAuthenticationCertEncodedB(VARIANT* value) override {
        if (designMode()) return payment_core::raiseRuntimeOnly(kIdentity, helpContextOf(kSSLServerAuthenticationCertEncodedB));
        return outBytes(events_ ? events_->judgedCertificate() : nullptr, events_ ? events_->judgedCertificateLength() : 0,
                        value);
    }
    HRESULT put_SSLServerAuthenticationCertEncodedB(VARIANT) override {
        return payment_core::raiseReadOnly(kIdentity, helpContextOf(kSSLServerAuthenticationCertEncodedB));
    }

#undef SLOT_TEXT
#undef RESPONSE_TEXT

    HRESULT Config(BSTR configurationString, BSTR* answer) override {
        if (!answer) return E_POINTER;
        *answer = nullptr;
        std::string text;
        if (!toAnsi(configurationString, text)) return result(kOutOfMemory, kConfig);
        const char* reply = nullptr;
        const int rc = payment_core::dispatchConfig(engine_, text.c_str(), &reply);
        if (rc) return result(rc, kConfig);
        return payment_core::ansiToBstr(answer, reply ? reply : "", engine_.CodePage);
    }
    HRESULT AddSpecialField(BSTR name, BSTR value) override {
        std::string n, v;
        if (!toAnsi(name, n) || !toAnsi(value, v)) return result(kOutOfMemory, kAddSpecialField);
        return result(engine_.addSpecialField(n.c_str(), v.c_str()), kAddSpecialField);
    }
    HRESULT Authorize() override { return result(engine_.authorize(), kAuthorize); }
    HRESULT Capture(BSTR transactionId, BSTR transactionAmount) override {
        std::string id, amount;
        if (!toAnsi(transactionId, id) || !toAnsi(transactionAmount, amount)) return result(kOutOfMemory, kCapture);
        return result(engine_.capture(id.c_str(), amount.c_str()), kCapture);
    }
    HRESULT Credit(BSTR transactionId, BSTR transactionAmount) override {
        std::string id, amount;
        if (!toAnsi(transactionId, id) || !toAnsi(transactionAmount, amount)) return result(kOutOfMemory, kCredit);
        return result(engine_.credit(id.c_str(), amount.c_str()), kCredit);
    }
    HRESULT Interrupt() override {
        engine_.Interrupt();
        return S_OK;
    }
    HRESULT PreAuthorize() override { return result(engine_.preAuthorize(), kPreAuthorize); }
    HRESULT ResetData() override { return result(engine_.resetData(), kResetData); }
    HRESULT ResetSpecialFields() override { return result(engine_.resetSpecialFields(), kResetSpecialFields); }
    HRESULT VoidTransaction(BSTR transactionId) override {
        std::string id;
        if (!toAnsi(transactionId, id)) return result(kOutOfMemory, kVoidTransaction);
        return result(engine_.voidTransaction(id.c_str()), kVoidTransaction);
    }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override {
        RECT r = bounds;
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
        Rectangle(hdc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        SelectObject(hdc, oldBrush);
        SelectObject(hdc, oldPen);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x)
                if (kGlyph[y][x] == '#') SetPixel(hdc, bounds.left + 6 + x, bounds.top + 7 + y, RGB(0, 0, 128));
    }

private:
    HRESULT result(int code, DISPID id) {
        if (code == 0) return S_OK;
        return payment_core::raiseComError(engine_, kIdentity, code, helpContextOf(id));
    }
    HRESULT outOfRange(DISPID id) { return payment_core::raiseOutOfRange(kIdentity, helpContextOf(id)); }

    bool toAnsi(BSTR text, std::string& out) const {
        out.clear();
        const int length = static_cast<int>(SysStringLen(text));
        if (length == 0) return true;
        const auto cp = static_cast<UINT>(engine_.CodePage);
        const int n = WideCharToMultiByte(cp, 0, text, length, nullptr, 0, nullptr, nullptr);
        if (n <= 0) return false;
        out.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(cp, 0, text, length, out.data(), n, nullptr, nullptr);
        return true;
    }

    template <class F>
    HRESULT withText(BSTR value, DISPID id, F&& apply) {
        std::string text;
        if (!toAnsi(value, text)) return result(kOutOfMemory, id);
        engine_.lastError.reset();
        return result(apply(text), id);
    }
    template <class F>
    HRESULT withBytes(const VARIANT& value, DISPID id, F&& apply) {
        SAFEARRAY* array = nullptr;
        if (!isOneDimensionalByteArray(value, array))
            return payment_core::raiseNotByteArray(kIdentity, helpContextOf(id));
        LONG low = 0, high = -1;
        SafeArrayGetLBound(array, 1, &low);
        SafeArrayGetUBound(array, 1, &high);
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data))) return result(kOutOfMemory, id);
        const int n = high >= low ? static_cast<int>(high - low + 1) : 0;
        engine_.lastError.reset();
        const int rc = apply(static_cast<const char*>(data), n);
        SafeArrayUnaccessData(array);
        return result(rc, id);
    }

    HRESULT putSlot(RequestSlot slot, BSTR value, DISPID id) {
        return withText(value, id,
                        [&](const std::string& t) { return engine_.setRequestField(static_cast<int>(slot), t.c_str()); });
    }

    template <int N>
    HRESULT outText(const payment_core::InlineString<N>& text, BSTR* value) {
        if (!value) return E_POINTER;
        return payment_core::ansiToBstr(value, text.data(), engine_.CodePage, text.length());
    }
    HRESULT outText(const char* text, BSTR* value) {
        if (!value) return E_POINTER;
        return payment_core::ansiToBstr(value, text ? text : "", engine_.CodePage);
    }
    template <class T>
    static HRESULT outValue(T* value, int v) {
        if (!value) return E_POINTER;
        *value = static_cast<T>(v);
        return S_OK;
    }
    static HRESULT outBytes(const char* bytes, int length, VARIANT* value) {
        if (!value) return E_POINTER;
        payment_core::bytesToVariant(reinterpret_cast<const BYTE*>(bytes), length, value);
        return S_OK;
    }
    HRESULT getSpecial(const payment_core::StringList& list, SHORT index, BSTR* value, DISPID id) {
        if (!value) return E_POINTER;
        const char* text = nullptr;
        if (int rc = engine_.specialField(list, index, &text)) return result(rc, id);
        return payment_core::ansiToBstr(value, text, engine_.CodePage, list.itemLength(index - 1));
    }

    GatewayEngine engine_;
    std::unique_ptr<payment_core::PaymentEvents> events_;
};

activex::ClassEntry corviskClassEntry() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_Corvisk);
    r.className = "Corvisk Class";
    r.progId = kProgId;
    r.independentProgId = kIndependentProgId;
    r.insertable = true;
    r.miscStatus = kMiscStatus;
    r.typeLib = com::formatGuid(LIBID_CORVISKLib);
    r.version = "1.0";
    return activex::classEntry<Corvisk>(activex::controlScript(r));
}

}  // namespace corvisk
