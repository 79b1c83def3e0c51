#include "card_control/html_form_scraper.h"

#include "payment_core/text_utils.h"

namespace card_control {

namespace {

using payment_core::equalsNoCase;

const char* tagName(const char* localName, const char* qualifiedName) {
    return localName && *localName ? localName : (qualifiedName ? qualifiedName : "");
}

}  // namespace

HtmlFormScraper::HtmlFormScraper() {
    setXmlMode(false);
    xmlEventSink = this;
}

int HtmlFormScraper::read(const char* page) {
    reset();
    names.clear();
    values.clear();
    collectedText.clear();
    inScript_ = false;
    int rc = feed(page);
    if (!rc) rc = checkComplete();
    return rc;
}

int HtmlFormScraper::onCharacters(const char* text, int length) {
    if (inScript_) return 0;
    collectedText.append(text, static_cast<std::size_t>(length));
    collectedText += ' ';
    return 0;
}

int HtmlFormScraper::onStartElement(const char*, const char* localName, const char* qualifiedName, bool) {
    const char* tag = tagName(localName, qualifiedName);
    if (equalsNoCase(tag, "script")) inScript_ = true;
    if (!equalsNoCase(tag, "input")) return 0;
    const payment_core::PairTable& attributes = pendingAttributes;
    int nameIndex = -1;
    int valueIndex = -1;
    for (int i = 0; i < attributes.count(); ++i) {
        if (nameIndex < 0 && equalsNoCase(attributes.name(i).data(), "name")) nameIndex = i;
        if (valueIndex < 0 && equalsNoCase(attributes.name(i).data(), "value")) valueIndex = i;
    }
    if (nameIndex < 0) return 0;
    const payment_core::InlineString99& name = attributes.value(nameIndex);
    names.emplace_back(name.data(), static_cast<std::size_t>(name.length()));
    if (valueIndex < 0) {
        values.emplace_back();
    } else {
        const payment_core::InlineString99& value = attributes.value(valueIndex);
        values.emplace_back(value.data(), static_cast<std::size_t>(value.length()));
    }
    return 0;
}

int HtmlFormScraper::onEndElement(const char*, const char* localName, const char* qualifiedName, bool) {
    if (equalsNoCase(tagName(localName, qualifiedName), "script")) inScript_ = false;
    return 0;
}

}  // namespace card_control
