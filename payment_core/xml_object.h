#pragma once
// What the payment controls use to read an XML answer: parse it, select an element
// by path ("/Envelope/Body/[1]/Ack"), and read its text and attributes.

#include "payment_core/xml_parser.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class XmlObject : public CoreComponent {
public:
    XmlObject();
    ~XmlObject() override;

    int parse(const char* text);
    void setXmlMode(bool on) { parser.setXmlMode(on); }
    void setBuildDOM(bool on) { parser.setBuildDOM(on); }
    int selectPath(const char* path);
    int config(ConfigRequest& request, const char** answer) override;

    const char* elementText() const;
    int attributeCount() const;
    // Indexes count from 1; 102 when there are no attributes, 101 outside 1..count.
    int attributeName(int i, const char** out);
    int attributeValue(int i, const char** out);
    int childCount() const;
    // The prefix, ":" and the local name, or the local name alone.
    int qualifiedName(InlineString99& out) const;
    const char* prefix() const;
    const char* localName() const;

    XmlParser parser;
    InlineString99 lastPath;

private:
    int failWith(int code);
    int checkAttributeIndex(int i);
    int attributeRecord(int i) const;
    bool matches(int element, const char* step, std::size_t n) const;
    int selectRelative(const char* path);
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
