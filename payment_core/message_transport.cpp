#include "payment_core/message_transport.h"

#include "payment_core/com_bridge.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr const char* kDataInOutOfMemory = "Out of memory in DataIn [QelMsg].";

// The socket level leaves no text with its codes (10000 and up); the TLS level's carry theirs.
int withSocketText(CoreComponent& component, int code) {
    if (code >= 10000) setWinsockErrorText(component, code);
    return code;
}
}  // namespace

MessageTransport::MessageTransport() { initMessageTransport(); }

MessageTransport::~MessageTransport() {
    closeLocalFile();
    message.reset();
    statusText.reset();
}

int MessageTransport::initMessageTransport() {
    message.reset();
    waitingForItem = 0;
    disconnectResult = 0;
    connectResult = 0;
    dataInResult = 0;
    stopAfterItem = 1;
    return 1;
}

// Keeps the text the wait left ("Timeout.", "Interrupted.") across the disconnect's events.
void MessageTransport::tearDown() {
    InlineString99 reason;
    reason.assign(static_cast<std::size_t>(lastError.length()), lastError.data());
    connectSecure(false, 0);
    lastError.assign(static_cast<std::size_t>(reason.length()), reason.data());
}

int MessageTransport::connectAndWait() {
    interruptRequested = 0;
    if (isReady()) return kOk;
    message.reset();
    connectResult = 0;
    dataInResult = 0;
    setAcceptData(false);
    const int started = connectSecure(true, 0);
    if (started) {
        if (lastError.empty()) setWinsockErrorText(*this, started);
        return started;
    }
    for (;;) {
        const int keepWaiting = waitEvents(waitSlice, notifyWindow);
        if (isReady() || connectResult) {
            setAcceptData(true);
            if (connectResult) {
                lastError.assign(static_cast<std::size_t>(statusText.length()), statusText.data());
                // A refused tunnel leaves the socket to this level: a failed connect keeps none.
                if (socket != INVALID_SOCKET) tearDown();
            }
            return connectResult;
        }
        if (!keepWaiting) {
            tearDown();
            return kInterrupted;
        }
    }
}

int MessageTransport::disconnectAndWait() {
    interruptRequested = 0;
    if (!isReady()) {
        // A connection still being set up is dropped too.
        if (socket != INVALID_SOCKET) tearDown();
        return kOk;
    }
    const int requested = connectSecure(false, 0);
    if (requested) return requested;
    disconnectResult = 0;
    for (;;) {
        if (!isReady()) return kOk;
        if (disconnectResult) return disconnectResult;
        if (!waitEvents(waitSlice, notifyWindow)) return kInterrupted;
    }
}

int MessageTransport::sendAll(const void* bytes, int length, bool notify) {
    interruptRequested = 0;
    if (length == 0) return kOk;
    const char* data = static_cast<const char*>(bytes);
    int sent = 0;
    for (;;) {
        const int result = sendData(data + sent, length - sent);
        if (result != WSAEWOULDBLOCK) return withSocketText(*this, result);
        sent += tlsOn ? bytesSentTls : bytesSent;
        if (sent >= length) return flushBacklog();
        // Only a full socket is waited for: a record that went out whole means more follow.
        if (sendWouldBlock() && !waitEvents(waitSlice, notifyWindow)) return kInterrupted;
        if (notify) {
            const int stop = transferProgress(sent);
            if (stop) return stop;
        }
    }
}

// Every byte taken is only sent once the encrypted backlog has gone out too.
int MessageTransport::flushBacklog() {
    for (;;) {
        const int result = sendData(nullptr, 0);
        if (result != WSAEWOULDBLOCK) return withSocketText(*this, result);
        if (sendWouldBlock() && !waitEvents(waitSlice, notifyWindow)) return kInterrupted;
    }
}

void MessageTransport::closeLocalFile() {
    if (localFile != INVALID_HANDLE_VALUE) CloseHandle(localFile);
    localFile = INVALID_HANDLE_VALUE;
}

void MessageTransport::onConnected(int code) {
    if (code && lastError.empty()) setWinsockErrorText(*this, code);
    connectResult = code;
    statusText.assign(static_cast<std::size_t>(lastError.length()), lastError.data());
    fireConnected(code, resultText(code));
}

void MessageTransport::onDisconnected(int code) {
    if (dataInResult) code = dataInResult;
    disconnectResult = code;
    closeLocalFile();
    fireDisconnected(code, resultText(code));
}

void MessageTransport::fireDataIn(const char* bytes, int length, int eolFound) {
    if (dataInResult) return;
    if (message.append(bytes, static_cast<std::size_t>(length))) {
        // Dropping the bytes would hand the levels above a corrupted message: the exchange ends.
        dataInResult = kOutOfMemory;
        lastError.assignCString(kDataInOutOfMemory);
        fireError(kOutOfMemory, kDataInOutOfMemory);
        connectSecure(false, 0);
        return;
    }
    if (eolFound) {
        waitingForItem = 0;
        if (stopAfterItem) setAcceptData(false);
    }
}

int MessageTransport::transferProgress(int bytesSoFar) { return requestProgress(bytesSoFar); }

int MessageTransport::requestProgress(int) { return 0; }

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
