#pragma once
// The lowest network level: the hidden window that socket notifications are posted to, the
// Winsock load, the Timeout deadline and the modal wait that pumps the thread's messages while
// an operation is pending. The event slots are declared here so that each level above can
// take over the ones it owns.

#include <cstdint>

#include "payment_core/core_component.h"
#include "payment_core/inline_string.h"
#include "windows/windows.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// The message that socket notifications arrive with.
constexpr UINT kSocketMessage = 1125;
inline constexpr const char* kNotifyWindowClass = "__nvq_socket_wnd__";

class NetComponent : public CoreComponent {
public:
    NetComponent();
    ~NetComponent() override;

    LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int config(ConfigRequest& request, const char** answer) override;

    virtual const char* getLocalHost();
    virtual int setLocalHost(const char* text);
    // One cycle of the modal wait: 1 keep waiting, 0 stop (lastError says why when it was the
    // deadline or an interrupt).
    virtual int waitEvents(int milliseconds, HWND window);
    virtual int readAvailable(int kind);
    virtual void onTcpConnected(int code) = 0;
    virtual void onTcpDisconnected(int code) = 0;
    virtual void onTcpDataIn(const char* bytes, int length, int eolFound);
    virtual void onTcpError(int code, const char* text);
    virtual void onTcpReadyToSend();
    virtual void onTcpStatus(const char* text, int code);
    virtual void onConnected(int code);
    virtual void onDataIn(const char* bytes, int length, int eolFound);
    virtual void onDisconnected(int code);
    virtual void fireConnected(int code, const char* text);
    virtual void fireDataIn(const char* bytes, int length, int eolFound);
    virtual void fireDisconnected(int code, const char* text);
    virtual void fireError(int code, const char* text);
    virtual void fireReadyToSend();
    virtual void fireStatus(const char* text, int code, const char* description);
    virtual void fireSSLStatus(const char* text);
    virtual void fireSSLServerAuthentication(const char* certEncoded, int certLength, const char* subject,
                                             const char* issuer, const char* status, int* accept);
    // Called by sends that report progress, with the bytes sent so far; non-zero stops the send.
    virtual int transferProgress(int bytesSoFar);

    // Creates the hidden window (once per component), optionally takes a Winsock load; 0 when
    // the window cannot be created.
    int createNotifyWindow(bool loadWinsock);
    void setWinsockLoaded(bool on);
    bool isWinsockLoaded() const { return winsockLoaded != 0; }

    int getTimeout() const { return Timeout / 1000; }
    void setTimeout(int seconds);
    void armDeadline();
    void Interrupt();

    // "OK" for 0; otherwise lastError, taken from the socket error table when it is empty.
    const char* resultText(int code);
    // inet_addr, then the first address of a name look-up. A failed look-up stores 0 and returns
    // the socket error; "not initialised" counts as success with address 0.
    int resolveAddress(const char* text, ULONG& address);
    const char* dottedAddress(ULONG address);

    int Timeout = 0;            // milliseconds
    std::uint64_t deadline = 0;  // on the monotonic clock; 0 = none
    char localHostText[101] = {};
    int waitSlice = 20;
    unsigned char winsockLoaded = 0;
    ULONG localAddress = 0;
    unsigned char AbsoluteTimeout = 0;
    unsigned char interruptRequested = 0;
    unsigned char interrupted = 0;
    char addressText[16] = {};
    int SSLEnabledProtocols = 255;
    int SSLSecurityFlags = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
