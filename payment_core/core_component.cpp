#include "payment_core/core_component.h"

#include "win32/codepage.h"

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";
}  // namespace

// The express-checkout control tells an index of 0 from no index at all.
ConfigRequest::ConfigRequest() : index(kCheckoutBuild ? -1 : 0) {}

int ConfigRequest::parse(const char* text) {
    if (!text) return kOk;
    InlineString99 indexText;
    bool inBrackets = false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c == '=') {
            return p[1] ? value.assignCString(p + 1) : kOk;
        }
        int result = kOk;
        if (inBrackets) {
            if (c == ']' || c == ')') {
                inBrackets = false;
                index = parseInt(indexText);
            } else {
                result = indexText.appendChar(c);
            }
        } else if (c == '[' || c == '(') {
            inBrackets = true;
            indexText.reset();
        } else {
            result = name.appendChar(c);
        }
        if (result) return result;
    }
    isQuery = 1;
    return kOk;
}

int ConfigRequest::intValue() const { return parseInt(value); }

bool ConfigRequest::nameIs(const char* key) const { return compareTextNoCase(name.data(), key) == 0; }

bool parseBoolValue(const ConfigRequest& request) {
    const char* v = request.value.data();
    return equalsNoCase(v, "true") || equalsNoCase(v, "yes") || equalsNoCase(v, "1");
}

int parseIntValue(const ConfigRequest& request) {
    const char* v = request.value.data();
    if (v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) return parseHex(v + 2);
    return parseInt(v);
}

CoreComponent::CoreComponent() = default;

CoreComponent::~CoreComponent() {
    lastError.reset();
    lastErrorOfCode_.reset();
}

void CoreComponent::reserved() {}

LRESULT CoreComponent::onWindowMessage(UINT, WPARAM, LPARAM) { return 0; }

int CoreComponent::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("CodePage")) {
        if (request.isQuery) return answerInt(answer, CodePage);
        CodePage = request.intValue();
        return kOk;
    }
    if (request.nameIs("CharsetMode")) {
        if (request.isQuery) return answerInt(answer, CharsetMode);
        CharsetMode = static_cast<unsigned char>(request.intValue());
        return kOk;
    }
    if (answer) *answer = "";
    lastError.assignCString(kUnknownConfigSettingText);
    return kUnknownConfigSetting;
}

void CoreComponent::reset() {
    lastError.reset();
    CharsetMode = systemAnsiCodePage() == 932 ? 1 : 0;
}

int CoreComponent::setLastError(const char* text) { return lastError.assignCString(text); }

int CoreComponent::setLastError(const char* text, int code) {
    int result = lastError.assignCString(text);
    if (!result) result = lastErrorOfCode_.assignCString(text);
    lastErrorCode_ = result ? 0 : code;
    return result;
}

bool CoreComponent::lastErrorBelongsElsewhere(int code) const {
    return lastErrorCode_ && lastErrorCode_ != code && lastError.equals(lastErrorOfCode_.data(), lastErrorOfCode_.length());
}

int CoreComponent::answerText(const char** answer, const char* text) {
    const int result = lastError.assignCString(text);
    if (answer) *answer = lastError.data();
    return result;
}

int CoreComponent::answerBool(const char** answer, bool value) {
    if (answer) *answer = value ? kTrue : kFalse;
    return kOk;
}

int CoreComponent::answerInt(const char** answer, int value) {
    lastError.reset();
    lastError.appendInt(value);
    if (answer) *answer = lastError.data();
    return kOk;
}

int dispatchConfig(CoreComponent& component, const char* text, const char** answer) {
    ConfigRequest request;
    const int result = request.parse(text);
    if (result) return result;
    return component.config(request, answer);
}

// The platform's ANSI code page is Windows-1252.
int systemAnsiCodePage() { return static_cast<int>(GetACP()); }

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
