#pragma once
// Between the core's result codes and 8-bit texts and the COM world of its hosts: HRESULTs with
// error info, text conversions in the component's code page, and the three common events.

#include "com/com.h"
#include "payment_core/core_component.h"

#include <string_view>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// Who raises: the control's class (its ProgID comes from the registry, or this one when the
// class is not registered) and its help file.
struct ControlIdentity {
    CLSID clsid;
    std::u16string_view progId;
    std::u16string_view helpFile;
};

constexpr DWORD kConfigHelpContext = 42401;

// Installs an error object (source: the control's ProgID; help file only with a help context)
// and returns hr.
HRESULT reportComError(const ControlIdentity& control, std::u16string_view description, DWORD helpContext,
                       HRESULT hr);
// The HRESULT of a core result code, with its description taken from the engine's last error.
HRESULT raiseComError(CoreComponent& engine, const ControlIdentity& control, int code, DWORD helpContext);

HRESULT raiseRuntimeOnly(const ControlIdentity& control, DWORD helpContext);
HRESULT raiseInvalidArrayIndex(const ControlIdentity& control, DWORD helpContext);
HRESULT raiseReadOnly(const ControlIdentity& control, DWORD helpContext);
HRESULT raiseNotByteArray(const ControlIdentity& control, DWORD helpContext);
HRESULT raiseOutOfRange(const ControlIdentity& control, DWORD helpContext);

// Fills an empty last error from a code; returns the code.
int setErrorFromCode(CoreComponent& engine, int code);
// "[code] text" from the socket error table; 1 when the table has no entry, else 0.
int setWinsockErrorText(CoreComponent& engine, int code);

// length -1: up to the terminating zero. E_OUTOFMEMORY when the text cannot be made.
HRESULT ansiToBstr(BSTR* out, const char* bytes, int codePage, int length = -1);
// VT_UI1 | VT_ARRAY holding a copy of the bytes, or VT_EMPTY for none.
void bytesToVariant(const BYTE* bytes, int count, VARIANT* out);

// The control's side of the core's event sink: fires Error (1), SSLServerAuthentication (2) and
// SSLStatus (3) to the clients of the control's event connection point.
class PaymentEvents : public ComponentEventSink {
public:
    static constexpr DISPID kError = 1;
    static constexpr DISPID kSSLServerAuthentication = 2;
    static constexpr DISPID kSSLStatus = 3;

    explicit PaymentEvents(com::ConnectionPoint& point) : point_(point) {}

    void setCodePage(int codePage) override { codePage_ = codePage; }
    HRESULT Error(int code, const char* text) override;
    HRESULT SSLServerAuthentication(const char* certEncoded, int certLength, const char* subject, const char* issuer,
                                    const char* status, int* accept) override;
    HRESULT SSLStatus(const char* message) override;

    // The certificate being judged, while SSLServerAuthentication is being fired.
    const char* judgedCertificate() const { return certBytes_; }
    int judgedCertificateLength() const { return certLength_; }

private:
    com::ConnectionPoint& point_;
    int codePage_ = 0;
    const char* certBytes_ = nullptr;
    int certLength_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
