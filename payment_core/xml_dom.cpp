#include "payment_core/xml_dom.h"

#include <cstring>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr int kHeaderSize = 8;
}  // namespace

int XmlDom::reset() {
    buffer.reset();
    cursor = 0;
    root = 0;
    int offset;
    return addPrefix(0, "", "", &offset);
}

int XmlDom::append(const void* bytes, std::size_t n) { return buffer.append(bytes, n); }

int XmlDom::beginRecord(char recordType, int* offset) {
    *offset = buffer.length();
    const char header[kHeaderSize] = {recordType, 0, 0, 0, 0, 0, 0, 0};
    return append(header, sizeof header);
}

void XmlDom::finishRecord(int offset) { setField(offset, kSizeField, buffer.length() - offset); }

int XmlDom::addPrefix(int previous, const char* prefixText, const char* namespaceText, int* offset) {
    const int start = buffer.length();
    int result = beginRecord(kPrefixRecord, offset);
    if (!result) result = append(&previous, sizeof previous);
    if (!result) result = append(prefixText, std::strlen(prefixText) + 1);
    if (!result) result = append(namespaceText, std::strlen(namespaceText) + 1);
    if (result) {
        buffer.assign(static_cast<std::size_t>(start), nullptr);
        return result;
    }
    finishRecord(*offset);
    return kOk;
}

int XmlDom::addElement(int parent, int namespaceRecord, int attributeCount, const char* name, int* offset) {
    const int start = buffer.length();
    const int fields[6] = {0, 0, parent, namespaceRecord, attributeCount, 0};
    int result = beginRecord(kElementRecord, offset);
    if (!result) result = append(fields, sizeof fields);
    if (!result) result = append(name, std::strlen(name) + 1);
    if (result) {
        buffer.assign(static_cast<std::size_t>(start), nullptr);
        return result;
    }
    finishRecord(*offset);
    return kOk;
}

int XmlDom::addAttribute(int prefixRecord, const char* name, const char* value) {
    const int start = buffer.length();
    int offset;
    int result = beginRecord(kAttributeRecord, &offset);
    if (!result) result = append(&prefixRecord, sizeof prefixRecord);
    if (!result) result = append(name, std::strlen(name) + 1);
    if (!result) result = append(value, std::strlen(value) + 1);
    if (result) {
        buffer.assign(static_cast<std::size_t>(start), nullptr);
        return result;
    }
    finishRecord(offset);
    return kOk;
}

int XmlDom::addText(const char* textBytes, std::size_t n, int* offset) {
    const int start = buffer.length();
    int result = beginRecord(kTextRecord, offset);
    if (!result) result = append(textBytes, n);
    if (!result) result = buffer.appendChar('\0');
    if (result) {
        buffer.assign(static_cast<std::size_t>(start), nullptr);
        return result;
    }
    finishRecord(*offset);
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
