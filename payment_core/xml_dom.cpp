#include "payment_core/xml_dom.h"

#include <cstring>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr int kHeaderSize = 8;
}  // namespace

int XmlDom::reset() {
    buffer.reset();
    expected_ = 0;
    cursor = 0;
    root = 0;
    int offset;
    return addPrefix(0, "", "", &offset);
}

void XmlDom::expect(std::size_t inputLength) {
    const std::size_t room = InlineString99::kMaxLength - static_cast<std::size_t>(buffer.length());
    expected_ = static_cast<std::size_t>(buffer.length()) + (inputLength < room ? inputLength : room);
}

char* XmlDom::beginRecord(char recordType, std::size_t size, int* offset) {
    const int start = buffer.length();
    // Each record grows the buffer once; a failure leaves it as it was.
    if (size > InlineString99::kMaxLength - static_cast<std::size_t>(start)) return nullptr;
    const std::size_t needed = static_cast<std::size_t>(start) + size;
    if (needed > static_cast<std::size_t>(buffer.capacity()) && needed < expected_) {
        // One block for the whole document instead of a copy at every growth; without it the
        // buffer simply grows as it needs.
        buffer.assign(expected_, nullptr);
        expected_ = 0;
    }
    if (buffer.assign(needed, nullptr)) return nullptr;
    char* record = buffer.data() + start;
    const char header[kHeaderSize] = {recordType, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(record, header, sizeof header);
    const int recordSize = static_cast<int>(size);
    std::memcpy(record + kSizeField, &recordSize, sizeof recordSize);
    *offset = start;
    return record;
}

int XmlDom::addPrefix(int previous, const char* prefixText, const char* namespaceText, int* offset) {
    const std::size_t prefixLength = std::strlen(prefixText) + 1;
    const std::size_t namespaceLength = std::strlen(namespaceText) + 1;
    char* record = beginRecord(kPrefixRecord, kPrefixText + prefixLength + namespaceLength, offset);
    if (!record) return kOutOfMemory;
    std::memcpy(record + kPrefixPrevious, &previous, sizeof previous);
    std::memcpy(record + kPrefixText, prefixText, prefixLength);
    std::memcpy(record + kPrefixText + prefixLength, namespaceText, namespaceLength);
    return kOk;
}

int XmlDom::addElement(int parent, int namespaceRecord, int attributeCount, const char* name, int* offset) {
    const std::size_t nameLength = std::strlen(name) + 1;
    char* record = beginRecord(kElementRecord, kElementName + nameLength, offset);
    if (!record) return kOutOfMemory;
    const int fields[6] = {0, 0, parent, namespaceRecord, attributeCount, 0};
    std::memcpy(record + kElementEnd, fields, sizeof fields);
    std::memcpy(record + kElementName, name, nameLength);
    return kOk;
}

int XmlDom::addAttribute(int prefixRecord, const char* name, const char* value) {
    const std::size_t nameLength = std::strlen(name) + 1;
    const std::size_t valueLength = std::strlen(value) + 1;
    int offset;
    char* record = beginRecord(kAttributeRecord, kAttributeName + nameLength + valueLength, &offset);
    if (!record) return kOutOfMemory;
    std::memcpy(record + kAttributePrefix, &prefixRecord, sizeof prefixRecord);
    std::memcpy(record + kAttributeName, name, nameLength);
    std::memcpy(record + kAttributeName + nameLength, value, valueLength);
    return kOk;
}

int XmlDom::addText(const char* textBytes, std::size_t n, int* offset) {
    if (n > InlineString99::kMaxLength - kTextContent - 1) return kOutOfMemory;
    char* record = beginRecord(kTextRecord, kTextContent + n + 1, offset);
    if (!record) return kOutOfMemory;
    std::memcpy(record + kTextContent, textBytes, n);
    record[kTextContent + n] = 0;
    return kOk;
}

bool XmlDom::isRecord(int offset) const {
    if (offset < 0 || offset > buffer.length() - kHeaderSize) return false;
    const int n = size(offset);
    return n >= kHeaderSize && n <= buffer.length() - offset;
}

char XmlDom::type(int offset) const { return buffer.data()[offset]; }

int XmlDom::size(int offset) const { return field(offset, kSizeField); }

int XmlDom::field(int offset, int at) const {
    int value;
    std::memcpy(&value, buffer.data() + offset + at, sizeof value);
    return value;
}

void XmlDom::setField(int offset, int at, int value) { std::memcpy(buffer.data() + offset + at, &value, sizeof value); }

const char* XmlDom::nextText(int offset, int at) const {
    const char* first = text(offset, at);
    return first + std::strlen(first) + 1;
}

int XmlDom::childLimit(int element) const {
    const int end = field(element, kElementEnd);
    return end > element && end <= buffer.length() ? end : buffer.length();
}

int XmlDom::firstChild(int element) const {
    int p = element + size(element);
    const int attributes = field(element, kElementAttributeCount);
    for (int i = 0; i < attributes && isRecord(p) && type(p) == kAttributeRecord; ++i) p += size(p);
    const int limit = childLimit(element);
    while (p < limit && isRecord(p) && type(p) == kPrefixRecord) p += size(p);
    return p < limit && isRecord(p) && type(p) == kElementRecord ? p : 0;
}

int XmlDom::nextChild(int element, int child) const {
    const int limit = childLimit(element);
    const int end = field(child, kElementEnd);
    // A child that never closed holds everything after it.
    if (end <= child || end > limit) return 0;
    int p = end;
    while (p < limit && isRecord(p) && type(p) == kPrefixRecord) p += size(p);
    return p < limit && isRecord(p) && type(p) == kElementRecord ? p : 0;
}

bool XmlDom::isElementStart(int offset) const {
    int p = 0;
    while (p < offset && isRecord(p)) p += size(p);
    return p == offset && isRecord(p) && type(p) == kElementRecord;
}

const char* XmlDom::namespaceName(int element) const {
    const int record = field(element, kElementNamespace);
    return nextText(record, kPrefixText);
}

const char* XmlDom::prefix(int element) const { return text(field(element, kElementNamespace), kPrefixText); }

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
