#include "payment_core/xml_parser.h"

#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr const char* kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

enum : int {
    kText = 0,
    kTagName = 1,
    kAfterLt = 2,
    kBetweenAttributes = 3,
    kAttributeName = 4,
    kAfterAttributeName = 5,
    kBeforeValue = 6,
    kUnquotedValue = 7,
    kAfterMarkup = 8,
    kSingleQuotedValue = 9,
    kDoubleQuotedValue = 10,
    kEndTagName = 11,
    kAfterEndTagName = 12,
    kEntityInText = 13,
    kEntityInUnquoted = 14,
    kEntityInSingleQuoted = 15,
    kEntityInDoubleQuoted = 16,
    kEndTagJunk = 17,
    kAfterLtBangDash = 18,
    kComment = 19,
    kProcessingInstruction = 20,
    kAfterLtBang = 21,
    kDeclaration = 22,
    kSectionContent = 23,
    kSectionKeyword = 24,
    kDeclarationSingleQuoted = 25,
    kDeclarationDoubleQuoted = 26,
    kDeclarationBracketed = 27,
    kSecondByte = 28,
};

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLeadByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 129 && u <= 159) || (u >= 224 && u <= 239);
}

bool endsWith(const InlineString99& s, const char* tail) {
    const int n = static_cast<int>(std::strlen(tail));
    return s.length() >= n && std::memcmp(s.data() + s.length() - n, tail, static_cast<std::size_t>(n)) == 0;
}

// "#" and decimal digits, or "#x" and hexadecimal digits of either case: the character's
// number, held at 0x110000 (no character) once it grows past every character.
bool characterReference(const char* name, char32_t& value) {
    if (name[0] != '#') return false;
    const bool hex = name[1] == 'x';
    const char* p = name + (hex ? 2 : 1);
    if (!*p) return false;
    value = 0;
    for (; *p; ++p) {
        const int digit = hex ? hexDigit(static_cast<unsigned char>(*p)) : isDigit(*p) ? *p - '0' : -1;
        if (digit < 0) return false;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        if (value > 0x10FFFF) value = 0x110000;
    }
    return true;
}

// Drops the last n bytes.
void dropTail(InlineString99& s, int n) { s.assign(static_cast<std::size_t>(s.length() > n ? s.length() - n : 0), nullptr); }
}  // namespace

void XmlParser::ByteClasses::build(const char* extraName, const char* extraWhite) {
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        std::uint8_t k = 0;
        if (isBaseNameChar(c) || (c && extraName && std::strchr(extraName, c))) k |= kName;
        if (isBaseWhiteSpace(c) || (c && extraWhite && std::strchr(extraWhite, c))) k |= kWhite;
        if (isLeadByte(c)) k |= kLead;
        if (c == 0 || c == '\n' || c == '<') k |= kTextStop | kTextStopRaw;
        if (c == '&') k |= kTextStop;
        kind[i] = k;
    }
}

int XmlEventSink::onCharacters(const char*, int) { return 0; }
int XmlEventSink::onComment(const char*) { return 0; }
int XmlEventSink::onEndElement(const char*, const char*, const char*, bool) { return 0; }
int XmlEventSink::onEndPrefixMapping(const char*) { return 0; }
int XmlEventSink::onError(int, const char*) { return 0; }
int XmlEventSink::onEvalEntity(const char*, InlineString99&) { return 0; }
int XmlEventSink::onIgnorableWhitespace(const char*) { return 0; }
int XmlEventSink::onMeta(const char*) { return 0; }
int XmlEventSink::onPI(const char*) { return 0; }
int XmlEventSink::onSpecialSection(const char*, const char*) { return 0; }
int XmlEventSink::onStartElement(const char*, const char*, const char*, bool) { return 0; }
int XmlEventSink::onStartPrefixMapping(const char*, const char*) { return 0; }
int XmlEventSink::onRawByte(char) { return 0; }

const char* xmlErrorText(int code) {
    switch (code) {
    case 200: return "Out of memory.";
    case 201: return "Unbalanced element tag.";
    case 202: return "Unknown element prefix (can't find namespace).";
    case 203: return "Unknown attribute prefix (can't find namespace).";
    case 204: return "Invalid XML markup.";
    case 205: return "Invalid end state for parser.";
    case 206: return "Document contains unbalanced elements.";
    case 207: return "Invalid XPath.";
    case 208: return "No such child.";
    case 209: return "Top element does not match start of path.";
    case 210: return "DOM tree unavailable (set BuildDOM to true and reparse).";
    default: return "xmlpimpl: unknown error";
    }
}

XmlParser::XmlParser() { reset(); }

XmlParser::~XmlParser() { releaseTables(); }

void XmlParser::releaseTables() {
    pendingAttributes.release();
    elementStack.release();
    prefixes.release();
}

void XmlParser::setXmlMode(bool on) {
    xmlMode = on;
    if (!on) BuildDOM = false;
}

void XmlParser::setBuildDOM(bool on) {
    BuildDOM = on;
    if (on) xmlMode = true;
}

bool XmlParser::isExtra(const char* list, char c) { return c && std::strchr(list, c); }

bool XmlParser::isValidName(const char* n) {
    if (!n || !(isLetter(*n) || *n == '_' || *n == ':')) return false;
    for (++n; *n; ++n) {
        if (!(isLetter(*n) || isDigit(*n) || *n == '-' || *n == '.' || *n == ':' || *n == '_')) return false;
    }
    return true;
}

bool XmlParser::acceptElement(const char*) { return true; }

void XmlParser::reset() {
    state = kText;
    previousChar = charBeforePrevious = 0;
    charCount = 0;
    clearText();
    name.reset();
    entity.reset();
    entityValue.reset();
    elementName.reset();
    attributeName.reset();
    sectionKeyword.reset();
    pendingAttributes.clear();
    elementStack.clear();
    prefixes.clear();
    rawContent_ = false;
    inStartElement_ = false;
    xmlRecord_ = 0;
    // Without its first record the document cannot be built; the next byte reports it.
    failure_ = dom.reset();
}

int XmlParser::config(ConfigRequest& request, const char** answer) {
    const struct {
        const char* key;
        int bit;
    } flags[] = {{"IgnoreBadAttributePrefixes", kIgnoreBadAttributePrefixes},
                 {"IgnoreBadElementPrefixes", kIgnoreBadElementPrefixes}};
    for (const auto& flag : flags) {
        if (!request.nameIs(flag.key)) continue;
        if (request.isQuery) return answerBool(answer, (options & flag.bit) != 0);
        options = parseBoolValue(request) ? options | flag.bit : options & ~flag.bit;
        return kOk;
    }
    return CoreComponent::config(request, answer);
}

int XmlParser::fail(int code) {
    failure_ = code;
    lastError.assignCString(xmlErrorText(code));
    return code;
}

int XmlParser::feedChar(char byte) {
    if (failure_) return failure_;
    if (xmlEventSink) {
        const int result = xmlEventSink->onRawByte(byte);
        if (result) return fail(result);
    }
    ++charCount;
    const int result = step(byte);
    charBeforePrevious = previousChar;
    previousChar = byte;
    return result ? fail(result) : kOk;
}

int XmlParser::feed(const char* bytes) {
    if (!bytes) return kOk;
    // The raw-byte hook sees every byte before the tokenizer does, so with a sink the bytes go one by one.
    if (xmlEventSink) {
        for (; *bytes; ++bytes) {
            const int result = feedChar(*bytes);
            if (result) return result;
        }
        return kOk;
    }
    if (failure_) return failure_;
    if (BuildDOM) dom.expect(std::strlen(bytes));
    ByteClasses classes;
    classes.build(extraNameChars, extraWhiteSpace);
    const char* p = bytes;
    while (*p) {
        const char* run = p;
        InlineString99* target = nullptr;
        p = skipRun(classes, p, target);
        if (p != run) {
            // The bytes of a run only accumulate: they go in as one span, as if fed one by one.
            const std::size_t n = static_cast<std::size_t>(p - run);
            if (target) {
                const int result = target->append(run, n);
                if (result) return fail(result);
            }
            charCount += static_cast<int>(n);
            charBeforePrevious = n > 1 ? p[-2] : previousChar;
            previousChar = p[-1];
            if (!*p) break;
        }
        if (state == kAfterMarkup && !(classes.kind[static_cast<unsigned char>(*p)] & ByteClasses::kWhite)) {
            // Ignorable white space has no receiver here: the text goes, and the byte is read as text.
            clearText();
            state = kText;
            continue;
        }
        ++charCount;
        const int result = step(*p);
        charBeforePrevious = previousChar;
        previousChar = *p++;
        if (result) return fail(result);
    }
    return kOk;
}

const char* XmlParser::skipRun(const ByteClasses& classes, const char* p, InlineString99*& target) {
    const auto is = [&](std::uint8_t kind, const char* q) { return (classes.kind[static_cast<unsigned char>(*q)] & kind) != 0; };
    switch (state) {
    case kText: {
        target = &text;
        const std::uint8_t stop = rawContent_ ? ByteClasses::kTextStopRaw : ByteClasses::kTextStop;
        const std::uint8_t stops = multibyteText ? static_cast<std::uint8_t>(stop | ByteClasses::kLead) : stop;
        while (*p && !is(stops, p)) ++p;
        return p;
    }
    case kAfterLt:
        // What follows "<" is read as a tag name whenever it can start one.
        if (!xmlMode && !is(ByteClasses::kName, p)) return p;
        state = kTagName;
        [[fallthrough]];
    case kTagName:
    case kEndTagName:
        target = &name;
        while (is(ByteClasses::kName, p)) ++p;
        return p;
    case kEntityInText:
    case kEntityInUnquoted:
    case kEntityInSingleQuoted:
    case kEntityInDoubleQuoted:
        target = &entity;
        while (is(ByteClasses::kName, p) || *p == '#') ++p;
        return p;
    case kAttributeName:
        target = &name;
        while (*p && !is(ByteClasses::kWhite, p) && *p != '/' && *p != '=' && *p != '>') ++p;
        return p;
    case kUnquotedValue:
        target = &name;
        while (*p && !is(ByteClasses::kWhite, p) && *p != '&' && *p != '>') ++p;
        return p;
    case kSingleQuotedValue:
    case kDoubleQuotedValue: {
        target = &name;
        const char quote = state == kSingleQuotedValue ? '\'' : '"';
        while (*p && *p != quote && *p != '&') ++p;
        return p;
    }
    case kComment:
    case kProcessingInstruction:
    case kSectionContent:
        target = &name;
        while (*p && *p != '>') ++p;
        return p;
    case kDeclaration:
        target = &name;
        while (*p && *p != '>' && *p != '[' && *p != '"' && *p != '\'') ++p;
        return p;
    case kAfterMarkup:
        target = &text;
        while (is(ByteClasses::kWhite, p)) ++p;
        return p;
    case kBetweenAttributes:
        while (is(ByteClasses::kWhite, p) || *p == '/') ++p;
        return p;
    case kAfterEndTagName:
    case kBeforeValue:
    case kAfterAttributeName:
        while (is(ByteClasses::kWhite, p)) ++p;
        return p;
    default:
        return p;
    }
}

int XmlParser::checkComplete() {
    if (failure_) return failure_;
    int result = handOn(2);
    if (!result && xmlMode && elementStack.count() > 0) result = kUnbalancedElements;
    if (!result && state != kText && state != kAfterMarkup) result = kInvalidEndState;
    return result ? fail(result) : kOk;
}

int XmlParser::deliverText(const char* bytes, int n) {
    if (n <= 0) return kOk;
    if (xmlEventSink) {
        const int result = xmlEventSink->onCharacters(bytes, n);
        if (result) return result;
    }
    if (BuildDOM && elementStack.count() > 0) {
        return elementStack.value(elementStack.count() - 1).append(bytes, static_cast<std::size_t>(n));
    }
    return kOk;
}

void XmlParser::clearText() {
    text.reset();
    whiteFrom_ = whiteChecked_ = 0;
}

int XmlParser::trailingWhiteSpace() {
    const char* d = text.data();
    const int n = text.length();
    if (whiteChecked_ > n) whiteFrom_ = whiteChecked_ = 0;
    // Backwards over the new bytes only, stopping at the last one that is not white space.
    int i = n;
    while (i > whiteChecked_ && isWhiteSpace(d[i - 1])) --i;
    if (i > whiteChecked_) whiteFrom_ = i;
    whiteChecked_ = n;
    return whiteFrom_;
}

int XmlParser::handOn(int mode) {
    if (text.empty()) return kOk;
    int result = kOk;
    if (mode == 0) {
        result = deliverText(text.data(), text.length());
        clearText();
        return result;
    }
    if (mode == 1) {
        if (xmlEventSink) result = xmlEventSink->onIgnorableWhitespace(text.data());
        clearText();
        return result;
    }
    const int k = trailingWhiteSpace();
    if (k > 0) {
        // The text goes out terminated where the white space begins.
        char* d = text.data();
        const char saved = d[k];
        d[k] = 0;
        result = deliverText(d, k);
        text.data()[k] = saved;
    }
    if (!result && mode == 2 && k < text.length() && xmlEventSink) {
        result = xmlEventSink->onIgnorableWhitespace(text.data() + k);
    }
    if (mode == 2) {
        clearText();
    } else if (k > 0) {
        text.removePrefix(k);
        whiteFrom_ = 0;
        whiteChecked_ = text.length();
    }
    return result;
}

int XmlParser::xmlPrefixRecord(int& record) {
    if (!xmlRecord_) {
        const int previous = prefixes.count() ? prefixes.offset(prefixes.count() - 1) : 0;
        const int result = dom.addPrefix(previous, "xml", kXmlNamespace, &xmlRecord_);
        if (result) return result;
    }
    record = xmlRecord_;
    return kOk;
}

int XmlParser::resolve(const char* qualifiedName, bool isAttribute, const char*& namespaceName, const char*& localName,
                       int& record) {
    const char* colon = std::strchr(qualifiedName, ':');
    const std::size_t prefixLength = colon ? static_cast<std::size_t>(colon - qualifiedName) : 0;
    localName = colon ? colon + 1 : qualifiedName;
    for (int i = prefixes.count() - 1; i >= 0; --i) {
        if (prefixes.name(i).equals(qualifiedName, static_cast<int>(prefixLength))) {
            namespaceName = prefixes.value(i).data();
            record = prefixes.offset(i);
            return kOk;
        }
    }
    if (prefixLength == 3 && std::memcmp(qualifiedName, "xml", 3) == 0) {
        namespaceName = kXmlNamespace;
        record = 0;
        return BuildDOM ? xmlPrefixRecord(record) : kOk;
    }
    namespaceName = "";
    record = 0;
    if (prefixLength == 0) return kOk;
    const int code = isAttribute ? kUnknownAttributePrefix : kUnknownElementPrefix;
    const int bit = isAttribute ? kIgnoreBadAttributePrefixes : kIgnoreBadElementPrefixes;
    if (!(options & bit)) return code;
    localName = qualifiedName;
    return xmlEventSink ? xmlEventSink->onError(code, xmlErrorText(code)) : kOk;
}

int XmlParser::openStartTag() {
    const int result = handOn(0);
    if (result) return result;
    const int copied = elementName.assign(static_cast<std::size_t>(name.length()), name.data());
    name.reset();
    return copied;
}

int XmlParser::storeAttribute() {
    const char* attribute = attributeName.data();
    int result;
    const bool declaresDefault = std::strcmp(attribute, "xmlns") == 0;
    if (xmlMode && (declaresDefault || std::strncmp(attribute, "xmlns:", 6) == 0)) {
        const char* prefix = declaresDefault ? "" : attribute + 6;
        result = prefixes.add(prefix, name.data());
        if (result) return result;
        const int entry = prefixes.count() - 1;
        prefixes.level(entry) = elementStack.count() + 1;
        if (BuildDOM) {
            const int previous = entry > 0 ? prefixes.offset(entry - 1) : 0;
            int record;
            result = dom.addPrefix(previous, prefix, name.data(), &record);
            if (result) return result;
            prefixes.offset(entry) = record;
        }
        if (xmlEventSink) {
            result = xmlEventSink->onStartPrefixMapping(prefixes.name(entry).data(), prefixes.value(entry).data());
            if (result) return result;
        }
    } else {
        result = pendingAttributes.add(attribute, static_cast<std::size_t>(attributeName.length()), name.data(),
                                       static_cast<std::size_t>(name.length()));
        if (result) return result;
    }
    name.reset();
    attributeName.reset();
    return kOk;
}

int XmlParser::endStartTag(bool isEmpty) {
    state = kAfterMarkup;
    int result;
    int depth = elementStack.count();
    if (xmlMode) {
        result = elementStack.add(elementName.data(), static_cast<std::size_t>(elementName.length()), "", 0);
        if (result) return result;
        depth = elementStack.count();
    } else if (equalsNoCase(elementName.data(), "SCRIPT")) {
        rawContent_ = true;
    }
    const char* namespaceName = "";
    const char* localName = elementName.data();
    int namespaceRecord = 0;
    if (xmlMode) {
        result = resolve(elementName.data(), false, namespaceName, localName, namespaceRecord);
        if (result) return result;
    }
    if (xmlEventSink) {
        inStartElement_ = true;
        result = xmlEventSink->onStartElement(namespaceName, localName, elementName.data(), isEmpty);
        inStartElement_ = false;
        if (result) return result;
    }
    if (BuildDOM) {
        // Attribute prefixes are resolved first: resolving "xml" may write its prefix record,
        // which must not come between the element record and its attribute records.
        for (int i = 0; i < pendingAttributes.count(); ++i) {
            const char* attributeNamespace;
            const char* attributeLocal;
            int prefixRecord;
            const char* qualified = pendingAttributes.name(i).data();
            result = resolve(qualified, true, attributeNamespace, attributeLocal, prefixRecord);
            if (result) return result;
            pendingAttributes.offset(i) = prefixRecord;
            pendingAttributes.level(i) = static_cast<int>(attributeLocal - qualified);
        }
        const int parent = depth > 1 ? elementStack.offset(depth - 2) : 0;
        int record;
        // The attribute count grows with each record written, so a failure leaves it true.
        result = dom.addElement(parent, namespaceRecord, 0, localName, &record);
        if (result) return result;
        elementStack.offset(depth - 1) = record;
        if (parent) dom.setField(parent, XmlDom::kElementChildCount, dom.field(parent, XmlDom::kElementChildCount) + 1);
        if (!dom.root) dom.root = record;
        for (int i = 0; i < pendingAttributes.count(); ++i) {
            const char* attributeLocal = pendingAttributes.name(i).data() + pendingAttributes.level(i);
            result = dom.addAttribute(pendingAttributes.offset(i), attributeLocal, pendingAttributes.value(i).data());
            if (result) return result;
            dom.setField(record, XmlDom::kElementAttributeCount, i + 1);
        }
    }
    pendingAttributes.clear();
    return isEmpty ? closeElement(elementName.data(), true) : kOk;
}

int XmlParser::closeElement(const char* qualifiedName, bool isEmpty) {
    int result = handOn(0);
    if (result) return result;
    const char* namespaceName = "";
    const char* localName = qualifiedName;
    int namespaceRecord = 0;
    const int depth = elementStack.count();
    if (xmlMode) {
        if (depth == 0 || !elementStack.name(depth - 1).equals(qualifiedName)) return kUnbalancedElementTag;
        result = resolve(qualifiedName, false, namespaceName, localName, namespaceRecord);
        if (result) return result;
    } else if (equalsNoCase(qualifiedName, "SCRIPT")) {
        rawContent_ = false;
    }
    if (xmlEventSink) {
        result = xmlEventSink->onEndElement(namespaceName, localName, qualifiedName, isEmpty);
        if (result) return result;
    }
    if (!xmlMode) return kOk;
    if (BuildDOM) {
        const int record = elementStack.offset(depth - 1);
        const InlineString99& collected = elementStack.value(depth - 1);
        if (!collected.empty()) {
            int textRecord;
            result = dom.addText(collected.data(), static_cast<std::size_t>(collected.length()), &textRecord);
            if (result) return result;
            dom.setField(record, XmlDom::kElementText, textRecord);
        }
        dom.setField(record, XmlDom::kElementEnd, dom.length());
    }
    while (prefixes.count() > 0 && prefixes.level(prefixes.count() - 1) == depth) {
        if (xmlEventSink) {
            result = xmlEventSink->onEndPrefixMapping(prefixes.name(prefixes.count() - 1).data());
            if (result) return result;
        }
        prefixes.removeLast();
    }
    elementStack.removeLast();
    return kOk;
}

int XmlParser::resolveEntity(bool hadSemicolon, InlineString99& target) {
    const char* n = entity.data();
    entityValue.reset();
    bool decoded = false;
    if (BuildDOM) {
        static constexpr struct {
            const char* name;
            char value;
        } kNamed[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
        for (const auto& named : kNamed) {
            if (std::strcmp(n, named.name) == 0) {
                decoded = entityValue.appendChar(named.value) == kOk;
                break;
            }
        }
        char32_t value;
        if (characterReference(n, value)) {
            if (!isXmlChar(value)) return kInvalidXmlMarkup;
            const int result = appendCharacter(entityValue, value, CodePage);
            if (result) return result;
            decoded = true;
        }
    }
    int result = kOk;
    if (!decoded) {
        entityValue.reset();
        result = entityValue.appendChar('&');
        if (!result) result = entityValue.append(entity.data(), static_cast<std::size_t>(entity.length()));
        if (!result && hadSemicolon) result = entityValue.appendChar(';');
        if (result) return result;
    }
    if (xmlEventSink) {
        result = xmlEventSink->onEvalEntity(entity.data(), entityValue);
        if (result) return result;
    }
    return target.append(entityValue.data(), static_cast<std::size_t>(entityValue.length()));
}

int XmlParser::step(char c) {
    for (;;) {
        int result = kOk;
        switch (state) {
        case kText:
            if (c == '\n') {
                result = text.appendChar(c);
                if (!result && flushAtNewline) result = handOn(3);
            } else if (c == '&' && !rawContent_) {
                entity.reset();
                state = kEntityInText;
            } else if (c == '<') {
                result = handOn(2);
                name.reset();
                state = kAfterLt;
            } else {
                result = text.appendChar(c);
                if (multibyteText && isLeadByte(c)) state = kSecondByte;
            }
            return result;

        case kTagName:
            if (isNameChar(c)) return name.appendChar(c);
            if (name.empty() && !rawContent_ && c == '!') {
                state = kAfterLtBang;
                return kOk;
            }
            if (name.empty() && !rawContent_ && c == '?') {
                state = kProcessingInstruction;
                return kOk;
            }
            if (name.empty() && c == '/') {
                state = kEndTagName;
                return kOk;
            }
            if (rawContent_ || !acceptElement(name.data())) {
                result = text.appendChar('<');
                if (!result) result = text.append(name.data(), static_cast<std::size_t>(name.length()));
                name.reset();
                if (result) return result;
                state = kText;
                continue;
            }
            if (name.empty()) return kInvalidXmlMarkup;
            result = openStartTag();
            if (result) return result;
            if (c == '>') return endStartTag(false);
            state = kBetweenAttributes;
            continue;

        case kAfterLt:
            if (!xmlMode && !(isNameChar(c) || c == '!' || c == '/' || c == '?')) {
                result = text.appendChar('<');
                if (result) return result;
                state = kText;
                continue;
            }
            state = kTagName;
            continue;

        case kBetweenAttributes:
            if (isWhiteSpace(c) || c == '/') return kOk;
            if (c == '>') return endStartTag(previousChar == '/');
            name.reset();
            state = kAttributeName;
            return name.appendChar(c);

        case kAttributeName:
            if (isWhiteSpace(c) || c == '/' || c == '=' || c == '>') {
                result = attributeName.assign(static_cast<std::size_t>(name.length()), name.data());
                name.reset();
                if (result) return result;
                if (isWhiteSpace(c)) {
                    state = kAfterAttributeName;
                    return kOk;
                }
                if (c == '=') {
                    state = kBeforeValue;
                    return kOk;
                }
                result = storeAttribute();
                if (result) return result;
                state = kBetweenAttributes;
                return c == '>' ? endStartTag(false) : kOk;
            }
            return name.appendChar(c);

        case kAfterAttributeName:
            if (isWhiteSpace(c)) return kOk;
            if (c == '=') {
                state = kBeforeValue;
                return kOk;
            }
            result = storeAttribute();
            if (result) return result;
            if (c == '>') return endStartTag(false);
            state = kBetweenAttributes;
            continue;

        case kBeforeValue:
            if (isWhiteSpace(c)) return kOk;
            if (c == '"') {
                state = kDoubleQuotedValue;
                return kOk;
            }
            if (c == '\'') {
                state = kSingleQuotedValue;
                return kOk;
            }
            if (c == '&') {
                entity.reset();
                state = kEntityInUnquoted;
                return kOk;
            }
            if (c == '>') {
                if (xmlMode) return kInvalidXmlMarkup;
                result = storeAttribute();
                return result ? result : endStartTag(false);
            }
            state = kUnquotedValue;
            return name.appendChar(c);

        case kUnquotedValue:
            if (c == '&') {
                entity.reset();
                state = kEntityInUnquoted;
                return kOk;
            }
            if (isWhiteSpace(c)) {
                state = kBetweenAttributes;
                return storeAttribute();
            }
            if (c == '>') {
                const bool isEmpty = previousChar == '/';
                if (isEmpty) dropTail(name, 1);
                result = storeAttribute();
                return result ? result : endStartTag(isEmpty);
            }
            return name.appendChar(c);

        case kSingleQuotedValue:
        case kDoubleQuotedValue:
            if (c == (state == kSingleQuotedValue ? '\'' : '"')) {
                state = kBetweenAttributes;
                return storeAttribute();
            }
            if (c == '&') {
                entity.reset();
                state = state == kSingleQuotedValue ? kEntityInSingleQuoted : kEntityInDoubleQuoted;
                return kOk;
            }
            return name.appendChar(c);

        case kEndTagName:
            if (isNameChar(c)) return name.appendChar(c);
            state = kAfterEndTagName;
            continue;

        case kAfterEndTagName:
            if (isWhiteSpace(c)) return kOk;
            if ((rawContent_ && !equalsNoCase(name.data(), "SCRIPT")) || !acceptElement(name.data())) {
                result = text.append("</", 2);
                if (!result) result = text.append(name.data(), static_cast<std::size_t>(name.length()));
                name.reset();
                if (result) return result;
                state = kText;
                continue;
            }
            result = elementName.assign(static_cast<std::size_t>(name.length()), name.data());
            name.reset();
            if (!result) result = closeElement(elementName.data(), false);
            if (result) return result;
            if (c == '>') {
                state = kAfterMarkup;
                return kOk;
            }
            state = kEndTagJunk;
            continue;

        case kEntityInText:
        case kEntityInUnquoted:
        case kEntityInSingleQuoted:
        case kEntityInDoubleQuoted: {
            if (isNameChar(c) || c == '#') return entity.appendChar(c);
            const int entered = state;
            result = resolveEntity(c == ';', entered == kEntityInText ? text : name);
            if (result) return result;
            state = entered == kEntityInText        ? kText
                    : entered == kEntityInUnquoted  ? kUnquotedValue
                    : entered == kEntityInSingleQuoted ? kSingleQuotedValue
                                                       : kDoubleQuotedValue;
            if (c == ';') return kOk;
            continue;
        }

        case kEndTagJunk:
            if (xmlMode) return kInvalidXmlMarkup;
            if (c == '>') state = kText;
            return kOk;

        case kAfterLtBangDash:
            name.reset();
            if (c == '-') {
                state = kComment;
                return kOk;
            }
            state = kDeclaration;
            result = name.appendChar('-');
            if (result) return result;
            continue;

        case kComment:
            if (c == '>' && endsWith(name, "--")) {
                dropTail(name, 2);
                if (xmlEventSink) result = xmlEventSink->onComment(name.data());
                name.reset();
                state = kAfterMarkup;
                return result;
            }
            return name.appendChar(c);

        case kProcessingInstruction:
            if (c == '>' && (!xmlMode || previousChar == '?')) {
                if (endsWith(name, "?")) dropTail(name, 1);
                if (xmlEventSink) result = xmlEventSink->onPI(name.data());
                name.reset();
                state = kAfterMarkup;
                return result;
            }
            return name.appendChar(c);

        case kAfterLtBang:
            name.reset();
            if (c == '[') {
                sectionKeyword.reset();
                state = kSectionKeyword;
                return kOk;
            }
            if (c == '-') {
                state = kAfterLtBangDash;
                return kOk;
            }
            state = kDeclaration;
            continue;

        case kDeclaration:
            if (c == '>') {
                if (xmlEventSink) result = xmlEventSink->onMeta(name.data());
                name.reset();
                state = kAfterMarkup;
                return result;
            }
            if (c == '[') state = kDeclarationBracketed;
            if (c == '"') state = kDeclarationDoubleQuoted;
            if (c == '\'') state = kDeclarationSingleQuoted;
            return name.appendChar(c);

        case kSectionContent:
            if (c == '>' && endsWith(name, "]]")) {
                dropTail(name, 2);
                if (xmlEventSink) result = xmlEventSink->onSpecialSection(sectionKeyword.data(), name.data());
                // A CDATA section is text of its element as written; the answer fields are read from there.
                if (!result && BuildDOM && elementStack.count() > 0 && sectionKeyword.equals("CDATA")) {
                    result = elementStack.value(elementStack.count() - 1).append(name.data(),
                                                                                static_cast<std::size_t>(name.length()));
                }
                name.reset();
                state = kText;
                return result;
            }
            return name.appendChar(c);

        case kSectionKeyword:
            if (c == '[') {
                state = kSectionContent;
                return kOk;
            }
            if (isWhiteSpace(c)) return kOk;
            return sectionKeyword.appendChar(c);

        case kDeclarationSingleQuoted:
        case kDeclarationDoubleQuoted:
        case kDeclarationBracketed: {
            const char close = state == kDeclarationSingleQuoted ? '\'' : state == kDeclarationDoubleQuoted ? '"' : ']';
            if (c == close) state = kDeclaration;
            return name.appendChar(c);
        }

        case kSecondByte:
            state = kText;
            return text.appendChar(c);

        default:
            if (isWhiteSpace(c)) return text.appendChar(c);
            result = handOn(1);
            if (result) return result;
            state = kText;
            continue;
        }
    }
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
