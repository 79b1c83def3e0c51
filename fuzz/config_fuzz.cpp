// Config requests: any text parses into the name, value, index and query flag that the
// setting syntax defines; the components answer a query for what an assignment stored, and a
// key no level knows with -1 and "Unknown config setting.".

#include <string>

#include "fuzz/fuzz_check.h"
#include "payment_core/mime_message.h"
#include "payment_core/text_utils.h"
#include "payment_core/xml_object.h"

using namespace payment_core;

namespace {

struct Expected {
    std::string name;
    std::string value;
    int index = 0;
    bool isQuery = true;
};

Expected expectedRequest(const std::string& text) {
    Expected e;
    std::string indexText;
    bool inBrackets = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=') {
            e.isQuery = false;
            e.value = text.substr(i + 1);
            return e;
        }
        if (inBrackets) {
            if (c == ']' || c == ')') {
                inBrackets = false;
                e.index = parseInt(indexText.c_str());
            } else {
                indexText.push_back(c);
            }
        } else if (c == '[' || c == '(') {
            inBrackets = true;
            indexText.clear();
        } else {
            e.name.push_back(c);
        }
    }
    return e;
}

std::string ask(CoreComponent& component, const std::string& text, int* result = nullptr) {
    const char* answer = nullptr;
    const int r = dispatchConfig(component, text.c_str(), &answer);
    if (result) *result = r;
    return answer ? answer : "";
}

bool isTrue(const std::string& value) {
    return equalsNoCase(value.c_str(), "true") || equalsNoCase(value.c_str(), "yes") || value == "1";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzz::text(fuzz::bytes(data, size));
    ConfigRequest request;
    FUZZ_CHECK(request.parse(text.c_str()) == 0);
    const Expected expected = expectedRequest(text);
    FUZZ_CHECK(expected.name == request.name.data());
    FUZZ_CHECK(expected.value == request.value.data());
    FUZZ_CHECK(expected.index == request.index);
    FUZZ_CHECK(expected.isQuery == (request.isQuery != 0));

    XmlObject xml;
    MimeMessage mime;
    for (CoreComponent* component : {static_cast<CoreComponent*>(&xml), static_cast<CoreComponent*>(&mime)}) {
        int result = 0;
        const std::string answer = ask(*component, text, &result);
        if (result == -1) {
            FUZZ_CHECK(answer.empty());
            FUZZ_CHECK(std::string(component->lastError.data()) == "Unknown config setting.");
        }
    }

    // What an assignment stores, a query answers.
    const std::string value = expected.value;
    FUZZ_CHECK(ask(mime, "TempFilePath=" + value).empty());
    FUZZ_CHECK(ask(mime, "tempfilepath") == value);
    ask(xml, "IgnoreBadElementPrefixes=" + value);
    FUZZ_CHECK(ask(xml, "IGNOREBADELEMENTPREFIXES") == (isTrue(value) ? "True" : "False"));
    ask(mime, "CodePage=" + value);
    FUZZ_CHECK(ask(mime, "CodePage") == std::to_string(parseInt(value.c_str())));
    return 0;
}
