#include "payment_core/net_component.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "payment_core/com_bridge.h"
#include "payment_core/winsock_binding.h"
#include "win32/base.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

LRESULT notifyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* component = reinterpret_cast<CoreComponent*>(GetWindowLongPtrA(hwnd, 0)))
        return component->onWindowMessage(message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool registerNotifyClass() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        WNDCLASSA wc{};
        wc.style = 0x4000;
        wc.lpfnWndProc = notifyWindowProc;
        wc.cbWndExtra = 12;
        wc.lpszClassName = kNotifyWindowClass;
        // The other build of the core may have registered the class already; its procedure
        // reaches components of this build the same way, through their first window long.
        registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    });
    return registered;
}

}  // namespace

NetComponent::NetComponent() = default;

NetComponent::~NetComponent() {
    setWinsockLoaded(false);
    if (notifyWindow) {
        SetWindowLongPtrA(notifyWindow, 0, 0);
        DestroyWindow(notifyWindow);
        notifyWindow = nullptr;
    }
}

int NetComponent::createNotifyWindow(bool loadWinsock) {
    reset();
    winsockLoaded = 0;
    waitSlice = 20;
    Timeout = 0;
    deadline = 0;
    localAddress = 0;
    AbsoluteTimeout = 0;
    interruptRequested = 0;
    interrupted = 0;
    if (!notifyWindow) {
        if (!registerNotifyClass()) return 0;
        notifyWindow = CreateWindowExA(0, kNotifyWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        if (!notifyWindow) return 0;
        SetWindowLongPtrA(notifyWindow, 0, reinterpret_cast<LONG_PTR>(static_cast<CoreComponent*>(this)));
    }
    if (loadWinsock) setWinsockLoaded(true);
    SSLEnabledProtocols = 255;
    SSLSecurityFlags = 0;
    return 1;
}

void NetComponent::setWinsockLoaded(bool on) {
    if (on && !winsockLoaded) {
        winsockLoaded = startWinsock() ? 1 : 0;
    } else if (!on && winsockLoaded) {
        stopWinsock();
        winsockLoaded = 0;
    }
}

LRESULT NetComponent::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return notifyWindow ? DefWindowProcA(notifyWindow, message, wParam, lParam) : 0;
}

int NetComponent::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("AbsoluteTimeout")) {
        if (request.isQuery) return answerBool(answer, AbsoluteTimeout != 0);
        AbsoluteTimeout = parseBoolValue(request) ? 1 : 0;
        return kOk;
    }
    if (request.isQuery) {
        if (request.nameIs("WinsockLoaded")) return answerBool(answer, isWinsockLoaded());
        if (request.nameIs("WinsockMaxDatagramSize")) return answerInt(answer, winsockMaxDatagramSize());
        if (request.nameIs("WinsockInfo")) {
            const int result = winsockInfo(lastError);
            if (answer) *answer = lastError.data();
            return result;
        }
        if (request.nameIs("WinsockMaxSockets")) return answerInt(answer, winsockMaxSockets());
        if (request.nameIs("WinsockPath")) {
            const int result = winsockPath(lastError);
            if (answer) *answer = lastError.data();
            return result;
        }
        if (request.nameIs("WinsockStatus")) {
            const int result = winsockStatus(lastError);
            if (answer) *answer = lastError.data();
            return result;
        }
    }
    if (request.nameIs("SSLSecurityFlags")) {
        if (request.isQuery) return answerInt(answer, SSLSecurityFlags);
        SSLSecurityFlags = parseIntValue(request);
        return kOk;
    }
    if (request.nameIs("SSLEnabledProtocols")) {
        if (request.isQuery) return answerInt(answer, SSLEnabledProtocols);
        SSLEnabledProtocols = parseIntValue(request);
        return kOk;
    }
    return CoreComponent::config(request, answer);
}

void NetComponent::setTimeout(int seconds) {
    Timeout = seconds * 1000;
    deadline = 0;
}

// The deadline lives on a 64-bit monotonic clock, so no tick wrap can end a wait early.
void NetComponent::armDeadline() {
    deadline = Timeout > 0 ? win32::monotonicMilliseconds() + static_cast<std::uint64_t>(Timeout) : 0;
}

void NetComponent::Interrupt() {
    interrupted = 0;
    interruptRequested = 1;
}

const char* NetComponent::dottedAddress(ULONG address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    std::snprintf(addressText, sizeof addressText, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    return addressText;
}

const char* NetComponent::getLocalHost() {
    if (localAddress) {
        std::snprintf(localHostText, sizeof localHostText, "%s", dottedAddress(localAddress));
        return localHostText;
    }
    WinsockTable& ws = winsockTable();
    char name[sizeof localHostText] = {};
    if (ws.gethostname(name, sizeof name - 1) == 0) {
        std::memcpy(localHostText, name, sizeof localHostText);
    } else {
        setWinsockErrorText(*this, ws.WSAGetLastError());
    }
    return localHostText;
}

int NetComponent::resolveAddress(const char* text, ULONG& address) {
    address = 0;
    if (!text || !*text) return kOk;
    WinsockTable& ws = winsockTable();
    if (ws.WSAIsBlocking()) ws.WSACancelBlockingCall();
    const ULONG numeric = ws.inet_addr(text);
    if (numeric != INADDR_NONE) {
        address = numeric;
        return kOk;
    }
    hostent_ws* host = ws.gethostbyname(text);
    if (host && host->h_addr_list && host->h_addr_list[0]) {
        std::memcpy(&address, host->h_addr_list[0], sizeof address);
        return kOk;
    }
    const int error = ws.WSAGetLastError();
    if (error == 10093) return kOk;
    if (error) setWinsockErrorText(*this, error);
    return error;
}

int NetComponent::setLocalHost(const char* text) {
    lastError.reset();
    return resolveAddress(text, localAddress);
}

int NetComponent::waitEvents(int milliseconds, HWND window) {
    if (interruptRequested) {
        interruptRequested = 0;
        interrupted = 1;
        lastError.assignCString("Interrupted.");
        return 0;
    }
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_CLOSE || !IsWindow(window)) return 0;
    } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
    }
    if (interruptRequested) {
        interruptRequested = 0;
        interrupted = 1;
        lastError.assignCString("Interrupted.");
        return 0;
    }
    if (deadline && win32::monotonicMilliseconds() >= deadline) {
        lastError.assignCString("Timeout.");
        return 0;
    }
    return IsWindow(window) ? 1 : 0;
}

int NetComponent::readAvailable(int) { return 0; }
void NetComponent::onTcpDataIn(const char* bytes, int length, int eolFound) { onDataIn(bytes, length, eolFound); }
void NetComponent::onTcpError(int code, const char* text) { fireError(code, text); }
void NetComponent::onTcpReadyToSend() { fireReadyToSend(); }
void NetComponent::onTcpStatus(const char* text, int code) {
    const char* description = code ? winsockErrorText(code) : "OK";
    fireStatus(text, code, description ? description : "");
}
void NetComponent::onConnected(int code) { fireConnected(code, resultText(code)); }
void NetComponent::onDataIn(const char* bytes, int length, int eolFound) { fireDataIn(bytes, length, eolFound); }
void NetComponent::onDisconnected(int code) { fireDisconnected(code, resultText(code)); }
void NetComponent::fireConnected(int, const char*) {}
void NetComponent::fireDataIn(const char*, int, int) {}
void NetComponent::fireDisconnected(int, const char*) {}
void NetComponent::fireReadyToSend() {}
void NetComponent::fireStatus(const char*, int, const char*) {}
int NetComponent::transferProgress(int) { return 0; }

void NetComponent::fireError(int code, const char* text) {
    if (eventSink) {
        eventSink->setCodePage(CodePage);
        eventSink->Error(code, text);
    }
}

void NetComponent::fireSSLStatus(const char* text) {
    if (eventSink) {
        eventSink->setCodePage(CodePage);
        eventSink->SSLStatus(text);
    }
}

void NetComponent::fireSSLServerAuthentication(const char* certEncoded, int certLength, const char* subject,
                                               const char* issuer, const char* status, int* accept) {
    if (eventSink) {
        eventSink->setCodePage(CodePage);
        eventSink->SSLServerAuthentication(certEncoded, certLength, subject, issuer, status, accept);
    }
}

const char* NetComponent::resultText(int code) {
    if (code == 0) return "OK";
    if (lastError.empty()) setWinsockErrorText(*this, code);
    return lastError.data();
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
