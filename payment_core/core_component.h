#pragma once
// The root of every working object of the core: code page, last error text, charset
// mode, the owner's event sink, and the Config chain in which each class answers its
// own keys and hands the rest to its base.

#include "payment_core/inline_string.h"
#include "payment_core/result_codes.h"
#include "win32/base.h"

using HWND = struct HWND__*;

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// Implemented by the control that owns an engine; the core raises the common payment
// events through it. The core calls setCodePage with its CodePage before every event.
class ComponentEventSink {
public:
    virtual void setCodePage(int codePage) = 0;
    virtual HRESULT Error(int code, const char* text) = 0;
    virtual HRESULT SSLServerAuthentication(const char* certEncoded, int certLength, const char* subject,
                                            const char* issuer, const char* status, int* accept) = 0;
    virtual HRESULT SSLStatus(const char* message) = 0;

protected:
    ~ComponentEventSink() = default;
};

// One parsed Config text: "Name" queries, "Name=value" assigns, "Name[i]" or "Name(i)" indexes.
struct ConfigRequest {
    ConfigRequest();
    int parse(const char* text);
    int intValue() const;
    bool nameIs(const char* key) const;

    InlineString99 name;
    InlineString99 value;
    int index;
    unsigned char isQuery = 0;
};

// "true", "yes" or "1" in any case.
bool parseBoolValue(const ConfigRequest& request);
// Decimal, or hexadecimal after "0x" for the keys that allow it.
int parseIntValue(const ConfigRequest& request);

class CoreComponent {
public:
    CoreComponent();
    virtual ~CoreComponent();
    CoreComponent(const CoreComponent&) = delete;
    CoreComponent& operator=(const CoreComponent&) = delete;

    virtual void reserved();
    virtual LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A query sets *answer; the text stays valid until lastError is next written.
    virtual int config(ConfigRequest& request, const char** answer);

    void reset();
    int setLastError(const char* text);
    // The text of one result code: raised with another code, it gives way to that code's text.
    int setLastError(const char* text, int code);
    // lastError is still the text set for a code other than this one.
    bool lastErrorBelongsElsewhere(int code) const;
    int answerText(const char** answer, const char* text);
    int answerInt(const char** answer, int value);
    // The static texts "True" and "False".
    static int answerBool(const char** answer, bool value);

    int CodePage = 0;
    InlineString99 lastError;
    unsigned char CharsetMode = 0;
    ComponentEventSink* eventSink = nullptr;
    HWND notifyWindow = nullptr;

private:
    int lastErrorCode_ = 0;
    InlineString99 lastErrorOfCode_;
};

int dispatchConfig(CoreComponent& component, const char* text, const char** answer);

// The ANSI code page of the system the core runs on.
int systemAnsiCodePage();

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
