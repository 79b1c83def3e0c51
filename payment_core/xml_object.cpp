#include "payment_core/xml_object.h"

#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
bool startsName(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }

bool equalsPart(const char* a, std::size_t aLength, const char* b, std::size_t bLength, const char* c, std::size_t n) {
    return aLength + bLength == n && std::memcmp(a, c, aLength) == 0 && std::memcmp(b, c + aLength, bLength) == 0;
}

// Splits "local" or "prefix:local".
const char* localPart(const char* qualifiedName) {
    const char* colon = std::strchr(qualifiedName, ':');
    return colon ? colon + 1 : qualifiedName;
}
}  // namespace

XmlObject::XmlObject() = default;

XmlObject::~XmlObject() {
    lastPath.reset();
    parser.releaseTables();
}

int XmlObject::failWith(int code) {
    const char* text = code == kInvalidAttributeIndex ? "Invalid attribute index."
                       : code == kNoAttributes        ? "No attributes available."
                                                      : xmlErrorText(code);
    lastError.assignCString(text);
    return code;
}

int XmlObject::parse(const char* text) {
    parser.reset();
    int result = parser.feed(text);
    if (!result) result = parser.checkComplete();
    if (result) lastError.assignCString(parser.lastError.data());
    return result;
}

int XmlObject::config(ConfigRequest& request, const char** answer) {
    const int result = parser.config(request, answer);
    if (result) lastError.assignCString(parser.lastError.data());
    return result;
}

bool XmlObject::matches(int element, const char* step, std::size_t n) const {
    const XmlDom& dom = parser.dom;
    const char* local = dom.localName(element);
    const std::size_t localLength = std::strlen(local);
    const char* namespaceName = dom.namespaceName(element);
    const char* prefixText = dom.prefix(element);
    if (*namespaceName && equalsPart(namespaceName, std::strlen(namespaceName), local, localLength, step, n)) return true;
    if (*prefixText) {
        const std::size_t prefixLength = std::strlen(prefixText);
        if (n == prefixLength + 1 + localLength && std::memcmp(step, prefixText, prefixLength) == 0 &&
            step[prefixLength] == ':' && std::memcmp(step + prefixLength + 1, local, localLength) == 0) {
            return true;
        }
    }
    return n == localLength && std::memcmp(step, local, n) == 0;
}

int XmlObject::selectPath(const char* path) {
    XmlDom& dom = parser.dom;
    if (!path) path = "";
    lastPath.assignCString(path);
    if (!*path) return kOk;
    if (!dom.root) return failWith(kDomUnavailable);
    if (path[0] == '*') {
        const char* p = path + 1;
        if (!(*p >= '0' && *p <= '9')) return failWith(kInvalidXPath);
        const int offset = parseInt(p);
        while (*p >= '0' && *p <= '9') ++p;
        if (offset < dom.length()) {
            // Only the start of an element record is a place to stand on.
            if (!dom.isElementStart(offset)) return failWith(kInvalidXPath);
            dom.cursor = offset;
        }
        return selectRelative(p);
    }
    if (path[0] == '/') {
        dom.cursor = dom.root;
        const char* step = path + 1;
        if (!*step) return kOk;
        const char* end = std::strchr(step, '/');
        const std::size_t n = end ? static_cast<std::size_t>(end - step) : std::strlen(step);
        InlineString99 name;
        if (name.assign(n, step)) return failWith(kOutOfMemory);
        if (!XmlParser::isValidName(name.data())) return failWith(kInvalidXPath);
        if (!matches(dom.root, step, n)) return failWith(kTopElementMismatch);
        return selectRelative(step + n);
    }
    return selectRelative(path);
}

int XmlObject::selectRelative(const char* p) {
    XmlDom& dom = parser.dom;
    while (*p) {
        if (*p == '/') {
            ++p;
            continue;
        }
        const char* end = std::strchr(p, '/');
        const std::size_t n = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
        // Until a path has selected an element the cursor stands on the leading prefix
        // record, whose fields are no element's.
        if (!dom.cursor || dom.type(dom.cursor) != XmlDom::kElementRecord) return failWith(kNoSuchChild);
        if (kCheckoutBuild && n == 2 && p[0] == '.' && p[1] == '.') {
            const int parent = dom.field(dom.cursor, XmlDom::kElementParent);
            if (!parent) return failWith(kNoSuchChild);
            dom.cursor = parent;
        } else if (startsName(*p)) {
            InlineString99 name;
            if (name.assign(n, p)) return failWith(kOutOfMemory);
            if (!XmlParser::isValidName(name.data())) return failWith(kInvalidXPath);
            int child = dom.firstChild(dom.cursor);
            while (child && !matches(child, p, n)) child = dom.nextChild(dom.cursor, child);
            if (!child) return failWith(kNoSuchChild);
            dom.cursor = child;
        } else if (*p == '[') {
            const char* q = p + 1;
            if (!(*q >= '0' && *q <= '9')) return failWith(kInvalidXPath);
            const int index = parseInt(q);
            while (*q >= '0' && *q <= '9') ++q;
            if (*q != ']' || q + 1 != p + n) return failWith(kInvalidXPath);
            if (index <= 0 || index > dom.field(dom.cursor, XmlDom::kElementChildCount)) return failWith(kInvalidXPath);
            int child = dom.firstChild(dom.cursor);
            for (int k = 1; child && k < index; ++k) child = dom.nextChild(dom.cursor, child);
            if (!child) return failWith(kInvalidXPath);
            dom.cursor = child;
        } else {
            return failWith(kInvalidXPath);
        }
        p += n;
    }
    return kOk;
}

const char* XmlObject::elementText() const {
    const XmlDom& dom = parser.dom;
    if (!dom.cursor) return "";
    const int record = dom.field(dom.cursor, XmlDom::kElementText);
    return record ? dom.text(record, XmlDom::kTextContent) : "";
}

int XmlObject::attributeCount() const {
    if (parser.inStartElement()) return parser.pendingAttributes.count();
    const XmlDom& dom = parser.dom;
    return dom.cursor ? dom.field(dom.cursor, XmlDom::kElementAttributeCount) : 0;
}

int XmlObject::checkAttributeIndex(int i) {
    const int count = attributeCount();
    if (count == 0) return failWith(kNoAttributes);
    if (i < 1 || i > count) return failWith(kInvalidAttributeIndex);
    return kOk;
}

int XmlObject::attributeRecord(int i) const {
    const XmlDom& dom = parser.dom;
    int p = dom.cursor + dom.size(dom.cursor);
    for (int k = 1; k < i; ++k) p += dom.size(p);
    return p;
}

int XmlObject::attributeName(int i, const char** out) {
    const int result = checkAttributeIndex(i);
    if (result) return result;
    if (parser.inStartElement()) {
        *out = localPart(parser.pendingAttributes.name(i - 1).data());
    } else {
        *out = parser.dom.text(attributeRecord(i), XmlDom::kAttributeName);
    }
    return kOk;
}

int XmlObject::attributeValue(int i, const char** out) {
    const int result = checkAttributeIndex(i);
    if (result) return result;
    if (parser.inStartElement()) {
        *out = parser.pendingAttributes.value(i - 1).data();
    } else {
        *out = parser.dom.nextText(attributeRecord(i), XmlDom::kAttributeName);
    }
    return kOk;
}

int XmlObject::childCount() const {
    const XmlDom& dom = parser.dom;
    return dom.cursor ? dom.field(dom.cursor, XmlDom::kElementChildCount) : 0;
}

int XmlObject::qualifiedName(InlineString99& out) const {
    out.reset();
    const char* prefixText = prefix();
    int result = kOk;
    if (*prefixText) {
        result = out.appendCString(prefixText);
        if (!result) result = out.appendChar(':');
    }
    if (!result) result = out.appendCString(localName());
    return result;
}

const char* XmlObject::prefix() const {
    const XmlDom& dom = parser.dom;
    return dom.cursor ? dom.prefix(dom.cursor) : "";
}

const char* XmlObject::localName() const {
    const XmlDom& dom = parser.dom;
    return dom.cursor ? dom.localName(dom.cursor) : "";
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
