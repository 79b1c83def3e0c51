#pragma once
// Reads an HTML answer page loosely: its visible text and the name and value of every input element.

#include "payment_core/xml_parser.h"

#include <string>
#include <vector>

namespace card_control {

class HtmlFormScraper : public payment_core::XmlParser, private payment_core::XmlEventSink {
public:
    HtmlFormScraper();

    // Reads the whole page; the result is the reader's code, with its text in lastError.
    int read(const char* page);

    // Paired by position: an input without a value attribute has an empty value.
    std::vector<std::string> names;
    std::vector<std::string> values;
    // Each piece of text outside script elements, followed by a blank.
    std::string collectedText;

private:
    int onCharacters(const char* text, int length) override;
    int onStartElement(const char* namespaceName, const char* localName, const char* qualifiedName,
                       bool isEmpty) override;
    int onEndElement(const char* namespaceName, const char* localName, const char* qualifiedName,
                     bool isEmpty) override;

    bool inScript_ = false;
};

}  // namespace card_control
