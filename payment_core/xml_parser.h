#pragma once
// A push parser for XML answers and loose HTML: bytes go in one at a time, events
// come out, and with BuildDOM the document is recorded for path queries.

#include <cstdint>

#include "payment_core/core_component.h"
#include "payment_core/pair_table.h"
#include "payment_core/xml_dom.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// Receives the parse events; a non-zero result stops the parse with that code.
class XmlEventSink {
public:
    virtual ~XmlEventSink() = default;
    virtual int onCharacters(const char* text, int length);
    virtual int onComment(const char* text);
    virtual int onEndElement(const char* namespaceName, const char* localName, const char* qualifiedName, bool isEmpty);
    virtual int onEndPrefixMapping(const char* prefix);
    virtual int onError(int code, const char* text);
    virtual int onEvalEntity(const char* name, InlineString99& value);
    virtual int onIgnorableWhitespace(const char* text);
    virtual int onMeta(const char* text);
    virtual int onPI(const char* text);
    virtual int onSpecialSection(const char* keyword, const char* text);
    virtual int onStartElement(const char* namespaceName, const char* localName, const char* qualifiedName, bool isEmpty);
    virtual int onStartPrefixMapping(const char* prefix, const char* namespaceName);
    virtual int onRawByte(char byte);
};

const char* xmlErrorText(int code);

class XmlParser : public CoreComponent {
public:
    static constexpr int kIgnoreBadAttributePrefixes = 1;
    static constexpr int kIgnoreBadElementPrefixes = 2;

    XmlParser();
    ~XmlParser() override;

    int feedChar(char byte);
    int feed(const char* text);
    void reset();
    int checkComplete();
    virtual bool acceptElement(const char* name);
    int config(ConfigRequest& request, const char** answer) override;

    // DOM on forces XML mode on; XML mode off forces DOM off.
    void setXmlMode(bool on);
    void setBuildDOM(bool on);
    bool isXmlMode() const { return xmlMode; }
    bool isBuildDOM() const { return BuildDOM; }
    // True while onStartElement is being delivered (the pending attributes are readable).
    bool inStartElement() const { return inStartElement_; }
    // Frees every table slot; the parser stays usable.
    void releaseTables();

    bool flushAtNewline = true;
    bool multibyteText = false;
    int options = 0;
    int state = 0;
    char previousChar = 0;
    char charBeforePrevious = 0;
    int charCount = 0;

    InlineString99 text;
    InlineString99 name;
    InlineString99 entity;
    InlineString99 entityValue;
    InlineString99 elementName;
    InlineString99 attributeName;
    InlineString99 sectionKeyword;

    PairTable pendingAttributes;
    PairTable elementStack;
    PairTable prefixes;
    XmlDom dom;

    XmlEventSink* xmlEventSink = nullptr;
    // Optional bytes that also count as name characters or white space.
    const char* extraNameChars = nullptr;
    const char* extraWhiteSpace = nullptr;

    bool isNameChar(char c) const { return isBaseNameChar(c) || (extraNameChars && isExtra(extraNameChars, c)); }
    bool isWhiteSpace(char c) const { return isBaseWhiteSpace(c) || (extraWhiteSpace && isExtra(extraWhiteSpace, c)); }
    static bool isValidName(const char* name);

private:
    static bool isBaseNameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
               c == ':' || c == '_';
    }
    static bool isBaseWhiteSpace(char c) {
        return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    }
    static bool isExtra(const char* list, char c);
    // What each byte is to the run scanner of `feed`, with the extra lists folded in.
    struct ByteClasses {
        static constexpr std::uint8_t kName = 1;
        static constexpr std::uint8_t kWhite = 2;
        static constexpr std::uint8_t kLead = 4;
        static constexpr std::uint8_t kTextStop = 8;
        static constexpr std::uint8_t kTextStopRaw = 16;
        void build(const char* extraName, const char* extraWhite);
        std::uint8_t kind[256];
    };

    int step(char c);
    // The end of the bytes from p on that the current state only collects (into target) or skips.
    const char* skipRun(const ByteClasses& classes, const char* p, InlineString99*& target);
    int handOn(int mode);
    void clearText();
    // Where the white space at the end of `text` begins; scans only what was added since the last call.
    int trailingWhiteSpace();
    int deliverText(const char* bytes, int n);
    int openStartTag();
    int endStartTag(bool isEmpty);
    int closeElement(const char* qualifiedName, bool isEmpty);
    int storeAttribute();
    int resolveEntity(bool hadSemicolon, InlineString99& target);
    int resolve(const char* qualifiedName, bool isAttribute, const char*& namespaceName, const char*& localName,
                int& record);
    int xmlPrefixRecord(int& record);
    int fail(int code);

    bool xmlMode = true;
    bool BuildDOM = false;
    bool rawContent_ = false;
    bool inStartElement_ = false;
    int failure_ = 0;
    int xmlRecord_ = 0;
    // The bytes of `text` before whiteChecked_ have been scanned; from whiteFrom_ on they are all white space.
    int whiteFrom_ = 0;
    int whiteChecked_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
