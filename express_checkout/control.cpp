#include "activex/control.h"
#include "express_checkout/checkout_engine.h"
#include "express_checkout/client_certificate.h"
#include "express_checkout/interface.h"
#include "payment_core/com_bridge.h"
#include "payment_core/text_utils.h"
#include "win32/codepage.h"

#include <algorithm>
#include <memory>
#include <string>

namespace express_checkout {
namespace {

using payment_core::InlineString99;
using payment_core::kOk;

constexpr DWORD kItemIndexError = 432;
constexpr const char16_t kHelpFile[] = u"Pelloran.hlp";
constexpr const char kAckPath[] = "/Envelope/Body/[1]/";

extern activex::Module module;

std::vector<activex::PropertyEntry> persistedProperties() {
    using activex::propertyEntry;
    return {propertyEntry("BuyerEmail", 2, VT_BSTR),      propertyEntry("CancelURL", 3, VT_BSTR),
            propertyEntry("InvoiceNumber", 5, VT_BSTR),   propertyEntry("ItemCount", 7, VT_I2),
            propertyEntry("OrderDescription", 12, VT_BSTR), propertyEntry("OrderTotal", 13, VT_BSTR),
            propertyEntry("Password", 14, VT_BSTR),       propertyEntry("PayerId", 20, VT_BSTR),
            propertyEntry("PaymentAction", 27, VT_I4),    propertyEntry("ReturnURL", 40, VT_BSTR),
            propertyEntry("ShippingTotal", 41, VT_BSTR),  propertyEntry("SSLCertStore", 44, VT_BSTR),
            propertyEntry("SSLCertStorePassword", 45, VT_BSTR), propertyEntry("SSLCertStoreType", 46, VT_I4),
            propertyEntry("SSLCertSubject", 47, VT_BSTR), propertyEntry("TaxTotal", 50, VT_BSTR),
            propertyEntry("Timeout", 51, VT_I2),          propertyEntry("Token", 52, VT_BSTR),
            propertyEntry("URL", 53, VT_BSTR),            propertyEntry("Username", 54, VT_BSTR)};
}

const activex::ControlClass kControlClass{module,
                                          CLSID_ExpressCheckout,
                                          kProgId,
                                          kCoExpressCheckout,
                                          kIExpressCheckout,
                                          &DIID__IExpressCheckoutEvents,
                                          kMiscStatus,
                                          persistedProperties()};

constexpr DWORD propertyHelp(DISPID id) { return kPropertyHelpBase + static_cast<DWORD>(id); }
constexpr DWORD methodHelp(DISPID id) { return kMethodHelpBase + static_cast<DWORD>(id); }

// The bytes of a one-dimensional byte array, or false for anything else.
bool byteArray(const VARIANT& value, const BYTE*& bytes, int& count) {
    const VARIANT* v = &value;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    SAFEARRAY* array = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1)) array = v->parray;
    if (v->vt == (VT_ARRAY | VT_UI1 | VT_BYREF) && v->pparray) array = *v->pparray;
    if (!array || SafeArrayGetDim(array) != 1) return false;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    count = static_cast<int>(upper - lower + 1);
    bytes = static_cast<const BYTE*>(array->pvData);
    return true;
}

class ExpressCheckoutControl final : public activex::Control<IExpressCheckout> {
public:
    static constexpr const CLSID& kClsid = CLSID_ExpressCheckout;

    ExpressCheckoutControl() : Control(kControlClass) {
        IConnectionPoint* point = nullptr;
        FindConnectionPoint(DIID__IExpressCheckoutEvents, &point);
        events_ = std::make_unique<payment_core::PaymentEvents>(*static_cast<com::ConnectionPoint*>(point));
        point->Release();
        engine_.eventSink = events_.get();
        setExtentPixels(28, 28);
        engine_.setTimeout(30);
    }
    ~ExpressCheckoutControl() override { engine_.eventSink = nullptr; }

#define TEXT_PROPERTY(name, id, field)                                                                      \
    HRESULT get_##name(BSTR* value) override { return textOut(value, engine_.field.data(), engine_.field.length()); } \
    HRESULT put_##name(BSTR value) override { return textIn(value, engine_.field, id); }
    TEXT_PROPERTY(BuyerEmail, 2, BuyerEmail)
    TEXT_PROPERTY(CancelURL, 3, CancelURL)
    TEXT_PROPERTY(InvoiceNumber, 5, InvoiceNumber)
    TEXT_PROPERTY(OrderDescription, 12, OrderDescription)
    TEXT_PROPERTY(OrderTotal, 13, OrderTotal)
    TEXT_PROPERTY(Password, 14, ApiPassword)
    TEXT_PROPERTY(PayerId, 20, PayerId)
    TEXT_PROPERTY(ReturnURL, 40, ReturnURL)
    TEXT_PROPERTY(ShippingTotal, 41, ShippingTotal)
    TEXT_PROPERTY(TaxTotal, 50, TaxTotal)
    TEXT_PROPERTY(Token, 52, Token)
    TEXT_PROPERTY(URL, 53, Endpoint)
    TEXT_PROPERTY(Username, 54, ApiUsername)
#undef TEXT_PROPERTY

#define ANSWER_PROPERTY(name, id, base, rest)                                                 \
    HRESULT get_##name(BSTR* value) override { return textOut(value, engine_.responseText(base, rest)); } \
    HRESULT put_##name(BSTR) override { return readOnly(id); }
    ANSWER_PROPERTY(Ack, 1, kAckPath, "Ack")
    ANSWER_PROPERTY(ContactPhone, 4, kDetailsPath, "ContactPhone")
    ANSWER_PROPERTY(PayerBusiness, 15, kDetailsPath, "PayerInfo/PayerBusiness")
    ANSWER_PROPERTY(PayerCity, 16, kDetailsPath, "PayerInfo/Address/CityName")
    ANSWER_PROPERTY(PayerCountryCode, 17, kDetailsPath, "PayerInfo/Address/Country")
    ANSWER_PROPERTY(PayerEmail, 18, kDetailsPath, "PayerInfo/Payer")
    ANSWER_PROPERTY(PayerFirstName, 19, kDetailsPath, "PayerInfo/PayerName/FirstName")
    ANSWER_PROPERTY(PayerLastName, 21, kDetailsPath, "PayerInfo/PayerName/LastName")
    ANSWER_PROPERTY(PayerPostalCode, 22, kDetailsPath, "PayerInfo/Address/PostalCode")
    ANSWER_PROPERTY(PayerState, 23, kDetailsPath, "PayerInfo/Address/StateOrProvince")
    ANSWER_PROPERTY(PayerStatus, 24, kDetailsPath, "PayerInfo/PayerStatus")
    ANSWER_PROPERTY(PayerStreet1, 25, kDetailsPath, "PayerInfo/Address/Street1")
    ANSWER_PROPERTY(PayerStreet2, 26, kDetailsPath, "PayerInfo/Address/Street2")
    ANSWER_PROPERTY(PaymentDate, 28, kPaymentInfoPath, "PaymentDate")
    ANSWER_PROPERTY(PaymentExchangeRate, 29, kPaymentInfoPath, "ExchangeRate")
    ANSWER_PROPERTY(PaymentFeeAmount, 30, kPaymentInfoPath, "FeeAmount")
    ANSWER_PROPERTY(PaymentGrossAmount, 31, kPaymentInfoPath, "GrossAmount")
    ANSWER_PROPERTY(PaymentPendingReason, 32, kPaymentInfoPath, "PendingReason")
    ANSWER_PROPERTY(PaymentSettleAmount, 33, kPaymentInfoPath, "SettleAmount")
    ANSWER_PROPERTY(PaymentStatus, 34, kPaymentInfoPath, "PaymentStatus")
    ANSWER_PROPERTY(PaymentTaxAmount, 35, kPaymentInfoPath, "TaxAmount")
    ANSWER_PROPERTY(PaymentTransactionId, 36, kPaymentInfoPath, "TransactionID")
    ANSWER_PROPERTY(PaymentTransactionType, 37, kPaymentInfoPath, "TransactionType")
    ANSWER_PROPERTY(PaymentType, 38, kPaymentInfoPath, "PaymentType")
#undef ANSWER_PROPERTY

    HRESULT get_ResponseToken(BSTR* value) override { return textOut(value, engine_.responseToken()); }
    HRESULT put_ResponseToken(BSTR) override { return readOnly(39); }

#define ITEM_PROPERTY(name, id)                                                                           \
    HRESULT get_##name(SHORT index, BSTR* value) override {                                              \
        const HRESULT hr = checkItemRead(index);                                                         \
        if (FAILED(hr)) return hr;                                                                        \
        return textOut(value, engine_.name.get(index), engine_.name.itemLength(index));                  \
    }                                                                                                     \
    HRESULT put_##name(SHORT index, BSTR value) override {                                               \
        std::string text;                                                                                 \
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(id));            \
        engine_.lastError.reset();                                                                        \
        return raise(engine_.name.set(index, text.data(), text.size()), propertyHelp(id));               \
    }
    ITEM_PROPERTY(ItemAmount, 6)
    ITEM_PROPERTY(ItemName, 8)
    ITEM_PROPERTY(ItemNumber, 9)
    ITEM_PROPERTY(ItemSalesTax, 11)
#undef ITEM_PROPERTY

    HRESULT get_ItemQuantity(SHORT index, SHORT* value) override {
        if (!value) return E_POINTER;
        const HRESULT hr = checkItemRead(index);
        if (FAILED(hr)) return hr;
        *value = static_cast<SHORT>(engine_.ItemQuantity.itemAsInt(index));
        return S_OK;
    }
    HRESULT put_ItemQuantity(SHORT index, SHORT value) override {
        engine_.lastError.reset();
        return raise(engine_.ItemQuantity.setItemInt(index, value), propertyHelp(10));
    }

    HRESULT get_ItemCount(SHORT* value) override {
        if (!value) return E_POINTER;
        *value = static_cast<SHORT>(engine_.itemCount());
        return S_OK;
    }
    HRESULT put_ItemCount(SHORT value) override {
        if (value < 0) return payment_core::raiseOutOfRange(identity(), propertyHelp(7));
        return raise(engine_.setItemCount(value), propertyHelp(7));
    }

    HRESULT get_PaymentAction(LONG* value) override {
        if (!value) return E_POINTER;
        *value = engine_.PaymentAction;
        return S_OK;
    }
    HRESULT put_PaymentAction(LONG value) override {
        if (value < aSale || value > aAuthorization) return payment_core::raiseOutOfRange(identity(), propertyHelp(27));
        engine_.PaymentAction = static_cast<int>(value);
        return S_OK;
    }

    HRESULT get_SSLAcceptServerCert(BSTR* value) override {
        InlineString99 text;
        const int result = engine_.tls.acceptServerCertEncoded(text);
        if (result) return raise(result, 0);
        return textOut(value, text.data(), text.length());
    }
    HRESULT put_SSLAcceptServerCert(BSTR value) override {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(42));
        return setAcceptServerCert(text.data(), static_cast<int>(text.size()), propertyHelp(42));
    }
    HRESULT get_SSLCertEncoded(BSTR* value) override {
        InlineString99 text;
        const int result = engine_.tls.certEncoded(text);
        if (result) return raise(result, 0);
        return textOut(value, text.data(), text.length());
    }
    HRESULT put_SSLCertEncoded(BSTR value) override {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(43));
        return setCertEncoded(text.data(), static_cast<int>(text.size()), propertyHelp(43));
    }
    HRESULT get_SSLCertStore(BSTR* value) override {
        return textOut(value, engine_.tls.SSLCertStore.data(), engine_.tls.SSLCertStore.length());
    }
    HRESULT put_SSLCertStore(BSTR value) override {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(44));
        return setCertStore(text.data(), static_cast<int>(text.size()), propertyHelp(44));
    }
    HRESULT get_SSLCertStorePassword(BSTR* value) override {
        return textOut(value, engine_.tls.SSLCertStorePassword.data(), engine_.tls.SSLCertStorePassword.length());
    }
    HRESULT put_SSLCertStorePassword(BSTR value) override {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(45));
        return raise(engine_.tls.setCertStorePassword(text.c_str()), propertyHelp(45));
    }
    HRESULT get_SSLCertStoreType(LONG* value) override {
        if (!value) return E_POINTER;
        *value = engine_.tls.SSLCertStoreType;
        return S_OK;
    }
    HRESULT put_SSLCertStoreType(LONG value) override {
        if (value < 0 || value > kLastStoreType) return payment_core::raiseOutOfRange(identity(), propertyHelp(46));
        engine_.setCertStoreType(static_cast<int>(value));
        return S_OK;
    }
    HRESULT get_SSLCertSubject(BSTR* value) override {
        return textOut(value, engine_.tls.SSLCertSubject.data(), engine_.tls.SSLCertSubject.length());
    }
    HRESULT put_SSLCertSubject(BSTR value) override {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(47));
        return raise(engine_.setCertSubject(text.c_str()), propertyHelp(47));
    }
    HRESULT get_SSLServerCert(BSTR* value) override {
        return textOut(value, engine_.tls.SSLServerCert.data(), engine_.tls.SSLServerCert.length());
    }
    HRESULT put_SSLServerCert(BSTR) override { return readOnly(48); }
    HRESULT get_SSLServerCertStatus(BSTR* value) override {
        return textOut(value, engine_.tls.SSLServerCertStatus.data(), engine_.tls.SSLServerCertStatus.length());
    }
    HRESULT put_SSLServerCertStatus(BSTR) override { return readOnly(49); }

    HRESULT get_Timeout(SHORT* value) override {
        if (!value) return E_POINTER;
        *value = static_cast<SHORT>(engine_.getTimeout());
        return S_OK;
    }
    HRESULT put_Timeout(SHORT value) override {
        engine_.setTimeout(value);
        return S_OK;
    }

    HRESULT get_SSLAcceptServerCertB(VARIANT* value) override {
        if (!value) return E_POINTER;
        PCCERT_CONTEXT cert = engine_.tls.SSLAcceptServerCert;
        payment_core::bytesToVariant(cert ? cert->pbCertEncoded : nullptr, cert ? static_cast<int>(cert->cbCertEncoded) : 0,
                                     value);
        return S_OK;
    }
    HRESULT put_SSLAcceptServerCertB(VARIANT value) override {
        const BYTE* bytes = nullptr;
        int count = 0;
        if (!byteArray(value, bytes, count)) return payment_core::raiseNotByteArray(identity(), 22001);
        return setAcceptServerCert(reinterpret_cast<const char*>(bytes), count, 22001);
    }
    HRESULT get_SSLCertEncodedB(VARIANT* value) override {
        if (!value) return E_POINTER;
        PCCERT_CONTEXT cert = engine_.tls.clientCertificate;
        payment_core::bytesToVariant(cert ? cert->pbCertEncoded : nullptr, cert ? static_cast<int>(cert->cbCertEncoded) : 0,
                                     value);
        return S_OK;
    }
    HRESULT put_SSLCertEncodedB(VARIANT value) override {
        const BYTE* bytes = nullptr;
        int count = 0;
        if (!byteArray(value, bytes, count)) return payment_core::raiseNotByteArray(identity(), 22002);
        return setCertEncoded(reinterpret_cast<const char*>(bytes), count, 22002);
    }
    HRESULT get_SSLCertStoreB(VARIANT* value) override {
        if (!value) return E_POINTER;
        payment_core::bytesToVariant(reinterpret_cast<const BYTE*>(engine_.tls.SSLCertStore.data()),
                                     engine_.tls.SSLCertStore.length(), value);
        return S_OK;
    }
    HRESULT put_SSLCertStoreB(VARIANT value) override {
        const BYTE* bytes = nullptr;
        int count = 0;
        if (!byteArray(value, bytes, count)) return payment_core::raiseNotByteArray(identity(), 22003);
        return setCertStore(reinterpret_cast<const char*>(bytes), count, 22003);
    }
    HRESULT get_SSLServerCertB(VARIANT* value) override {
        if (!value) return E_POINTER;
        InlineString99 der;
        der.assign(static_cast<std::size_t>(engine_.tls.SSLServerCert.length()), engine_.tls.SSLServerCert.data());
        if (payment_core::base64Decode(der)) return raise(payment_core::kOutOfMemory, 0);
        payment_core::bytesToVariant(reinterpret_cast<const BYTE*>(der.data()), der.length(), value);
        return S_OK;
    }
    HRESULT put_SSLServerCertB(VARIANT) override { return payment_core::raiseReadOnly(identity(), 22004); }
    HRESULT get_SSLServerAuthenticationCertEncodedB(VARIANT* value) override {
        if (!value) return E_POINTER;
        if (designMode()) return payment_core::raiseRuntimeOnly(identity(), 0);
        payment_core::bytesToVariant(reinterpret_cast<const BYTE*>(events_->judgedCertificate()),
                                     events_->judgedCertificateLength(), value);
        return S_OK;
    }
    HRESULT put_SSLServerAuthenticationCertEncodedB(VARIANT) override {
        return payment_core::raiseReadOnly(identity(), 32002);
    }

    HRESULT Config(BSTR configurationString, BSTR* result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        std::string text;
        if (!toAnsi(configurationString, text)) return raise(payment_core::kOutOfMemory, methodHelp(501));
        // The configuration reader stops at a NUL, so a setting holding one is refused rather than cut short.
        if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
            const std::string name = text.substr(0, std::min(nul, text.find('=')));
            engine_.setLastError((name + " holds a character that XML cannot carry (U+0000).").c_str());
            return raise(kUnsendableValue, methodHelp(501));
        }
        const char* answer = "";
        const int code = payment_core::dispatchConfig(engine_, text.c_str(), &answer);
        if (code) return raise(code, methodHelp(501));
        return textOut(result, answer);
    }
    HRESULT CheckoutPayment() override { return raise(engine_.checkoutPayment(), methodHelp(502)); }
    HRESULT GetCheckoutDetails(BSTR token) override {
        std::string text;
        if (!toAnsi(token, text)) return raise(payment_core::kOutOfMemory, methodHelp(503));
        return raise(engine_.getCheckoutDetails(text.data(), static_cast<int>(text.size())), methodHelp(503));
    }
    HRESULT Reset() override {
        if (const int busy = engine_.refuseWhileBusy()) return raise(busy, methodHelp(504));
        engine_.resetRequestFields();
        engine_.resetOrder();
        engine_.resetConnection();
        return S_OK;
    }
    HRESULT SetCheckout() override { return raise(engine_.setCheckout(), methodHelp(505)); }

protected:
    // The design-time look: a raised box with a frame and the control's glyph.
    void onDraw(HDC hdc, const RECT& bounds) override {
        RECT r = bounds;
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
        Rectangle(hdc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        // A coin over a card, 16 by 15 pixels at (6, 7).
        const int x = bounds.left + 6, y = bounds.top + 7;
        HBRUSH card = CreateSolidBrush(RGB(0, 0, 128));
        RECT face{x, y + 3, x + 16, y + 13};
        FillRect(hdc, &face, card);
        DeleteObject(card);
        HBRUSH coin = CreateSolidBrush(RGB(255, 200, 0));
        SelectObject(hdc, coin);
        Ellipse(hdc, x + 8, y, x + 16, y + 8);
        SelectObject(hdc, oldBrush);
        SelectObject(hdc, oldPen);
        DeleteObject(coin);
    }

private:
    payment_core::ControlIdentity identity() const {
        return payment_core::ControlIdentity{CLSID_ExpressCheckout, u"QuorrelPayPal.ExpressCheckout.1", kHelpFile};
    }
    HRESULT raise(int code, DWORD helpContext) {
        return payment_core::raiseComError(engine_, identity(), code, helpContext);
    }
    HRESULT readOnly(DISPID id) { return payment_core::raiseReadOnly(identity(), propertyHelp(id)); }

    HRESULT checkItemRead(SHORT index) {
        if (designMode()) return payment_core::raiseRuntimeOnly(identity(), 0);
        if (index < 0 || index >= engine_.itemCount()) {
            engine_.setLastError("Invalid index.");
            return raise(kItemIndexError, 0);
        }
        return S_OK;
    }

    bool toAnsi(BSTR value, std::string& out) const {
        const std::u16string_view text = com::view(value);
        out.clear();
        if (text.empty()) return true;
        const UINT cp = static_cast<UINT>(engine_.CodePage);
        const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        if (n <= 0) return false;
        out.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
        return true;
    }
    HRESULT textOut(BSTR* value, const char* text, int length = -1) {
        if (!value) return E_POINTER;
        *value = nullptr;
        const HRESULT hr = payment_core::ansiToBstr(value, text, engine_.CodePage, length);
        return FAILED(hr) ? raise(payment_core::kOutOfMemory, 0) : S_OK;
    }
    HRESULT textIn(BSTR value, InlineString99& field, DISPID id) {
        std::string text;
        if (!toAnsi(value, text)) return raise(payment_core::kOutOfMemory, propertyHelp(id));
        return raise(field.assign(text.size(), text.data()), propertyHelp(id));
    }
    HRESULT setCertStore(const char* bytes, int length, DWORD help) {
        return raise(engine_.setCertStore(bytes, length), help);
    }
    HRESULT setCertEncoded(const char* bytes, int length, DWORD help) {
        return raise(engine_.setCertEncoded(bytes, length), help);
    }
    HRESULT setAcceptServerCert(const char* bytes, int length, DWORD help) {
        InlineString99 der;
        int result = extractPemBlock("CERTIFICATE", bytes, length, der);
        if (!result) result = engine_.tls.setAcceptServerCert(der.data(), der.length());
        return raise(result, help);
    }

    CheckoutEngine engine_;
    std::unique_ptr<payment_core::PaymentEvents> events_;
};

activex::RegistryScript controlScript() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_ExpressCheckout);
    r.className = "ExpressCheckout Class";
    r.progId = kProgId;
    r.independentProgId = kIndependentProgId;
    r.insertable = true;
    r.miscStatus = kMiscStatus;
    r.typeLib = com::formatGuid(LIBID_EXPRESSCHECKOUTLib);
    r.version = "1.0";
    return activex::controlScript(r);
}

activex::Module module(&kExpressCheckoutLib, {activex::classEntry<ExpressCheckoutControl>(controlScript())});

}  // namespace
}  // namespace express_checkout

ACTIVEX_SERVER_ENTRY_POINTS(express_checkout::module)
