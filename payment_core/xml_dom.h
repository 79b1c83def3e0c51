#pragma once
// The compact document the parser records when BuildDOM is on: typed records back to
// back in one buffer, linked by byte offsets (0 meaning none).

#include <cstddef>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class XmlDom {
public:
    static constexpr char kPrefixRecord = 'P';
    static constexpr char kElementRecord = 'E';
    static constexpr char kAttributeRecord = 'A';
    static constexpr char kTextRecord = 'T';

    // Byte offsets of the fixed fields inside a record.
    static constexpr int kTypeField = 0;
    static constexpr int kSizeField = 4;
    static constexpr int kPrefixPrevious = 8;
    static constexpr int kPrefixText = 12;
    static constexpr int kElementEnd = 8;
    static constexpr int kElementChildCount = 12;
    static constexpr int kElementParent = 16;
    static constexpr int kElementNamespace = 20;
    static constexpr int kElementAttributeCount = 24;
    static constexpr int kElementText = 28;
    static constexpr int kElementName = 32;
    static constexpr int kAttributePrefix = 8;
    static constexpr int kAttributeName = 12;
    static constexpr int kTextContent = 8;

    // Back to the one empty prefix record every document starts with.
    int reset();
    // The length of the text about to be parsed: the buffer's next growth makes room for about
    // as many bytes of records, the size such a document usually needs.
    void expect(std::size_t inputLength);

    int addPrefix(int previous, const char* prefix, const char* namespaceName, int* offset);
    int addElement(int parent, int namespaceRecord, int attributeCount, const char* localName, int* offset);
    int addAttribute(int prefixRecord, const char* localName, const char* value);
    int addText(const char* text, std::size_t n, int* offset);

    int length() const { return buffer.length(); }
    // A record that fits the buffer starts here.
    bool isRecord(int offset) const;
    char type(int offset) const;
    int size(int offset) const;
    int field(int offset, int at) const;
    void setField(int offset, int at, int value);
    const char* text(int offset, int at) const { return buffer.data() + offset + at; }
    // The text that follows the NUL-terminated text at offset + at.
    const char* nextText(int offset, int at) const;

    // Where the children of an element end: its end, or the buffer's end while it is open.
    int childLimit(int element) const;
    int firstChild(int element) const;
    int nextChild(int element, int child) const;
    // The offset of the element record the buffer holds at exactly this offset, or false.
    bool isElementStart(int offset) const;

    const char* localName(int element) const { return text(element, kElementName); }
    const char* namespaceName(int element) const;
    const char* prefix(int element) const;

    InlineString99 buffer;
    int cursor = 0;
    int root = 0;

private:
    std::size_t expected_ = 0;
    // Grows the buffer by one record of this size with its header written; null when it cannot grow.
    char* beginRecord(char recordType, std::size_t size, int* offset);
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
