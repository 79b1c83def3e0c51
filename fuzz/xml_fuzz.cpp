// The XML parser and document, in the build of the core it is linked with. The first byte
// chooses the parser's flags and code page, the text up to the first line feed is a path to
// select, and the rest is the document. In XML mode the element and prefix events must
// balance; with BuildDOM the recorded document must hold exactly the elements, attributes and
// texts the events told, and in UTF-8 a document of valid UTF-8 gives texts of valid UTF-8,
// its character references decoded.

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "payment_core/xml_object.h"

using namespace payment_core;

namespace {

struct Element {
    std::string localName;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    int depth = 0;
};

class Events : public XmlEventSink {
public:
    explicit Events(XmlObject& object) : object_(object) {}

    int onCharacters(const char* text, int length) override {
        FUZZ_CHECK(length > 0);
        if (!open_.empty()) elements[open_.back().index].text.append(text, static_cast<std::size_t>(length));
        return 0;
    }
    // A CDATA section is its element's text as written.
    int onSpecialSection(const char* keyword, const char* text) override {
        if (!open_.empty() && std::strcmp(keyword, "CDATA") == 0) elements[open_.back().index].text.append(text);
        return 0;
    }
    int onStartElement(const char*, const char* localName, const char* qualifiedName, bool isEmpty) override {
        FUZZ_CHECK(!broken);
        FUZZ_CHECK(!pendingEmpty_);
        Element element;
        element.localName = localName;
        element.depth = static_cast<int>(open_.size());
        const int count = object_.attributeCount();
        for (int i = 1; i <= count; ++i) {
            const char* name = nullptr;
            const char* value = nullptr;
            FUZZ_CHECK(object_.attributeName(i, &name) == 0);
            FUZZ_CHECK(object_.attributeValue(i, &value) == 0);
            element.attributes.emplace_back(name, value);
        }
        const char* unused = nullptr;
        FUZZ_CHECK(object_.attributeName(count + 1, &unused) == (count ? 101 : 102));
        open_.push_back({qualifiedName, elements.size()});
        elements.push_back(std::move(element));
        pendingEmpty_ = isEmpty;
        return 0;
    }
    int onEndElement(const char*, const char*, const char* qualifiedName, bool isEmpty) override {
        FUZZ_CHECK(!broken);
        FUZZ_CHECK(isEmpty == pendingEmpty_);
        pendingEmpty_ = false;
        if (!object_.parser.isXmlMode()) return 0;
        // A mismatched end is told once, then the parse stops with 201.
        if (open_.empty() || open_.back().qualifiedName != qualifiedName) {
            broken = true;
            return 0;
        }
        open_.pop_back();
        return 0;
    }
    int onStartPrefixMapping(const char* prefix, const char*) override {
        prefixes_.emplace_back(prefix);
        return 0;
    }
    int onEndPrefixMapping(const char* prefix) override {
        FUZZ_CHECK(!prefixes_.empty());
        FUZZ_CHECK(prefixes_.back() == prefix);
        prefixes_.pop_back();
        return 0;
    }

    bool balanced() const { return open_.empty() && prefixes_.empty() && !pendingEmpty_; }

    std::vector<Element> elements;
    bool broken = false;

private:
    struct Open {
        std::string qualifiedName;
        std::size_t index;
    };
    XmlObject& object_;
    std::vector<Open> open_;
    std::vector<std::string> prefixes_;
    bool pendingEmpty_ = false;
};

// Shortest forms only, no surrogates, nothing past U+10FFFF.
bool validUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        std::uint32_t c = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

int selectOffset(XmlObject& object, int offset) { return object.selectPath(("*" + std::to_string(offset)).c_str()); }

// The document in element order from the root, as the path queries reach it.
void walk(XmlObject& object, int element, int depth, std::vector<Element>& out) {
    FUZZ_CHECK(selectOffset(object, element) == 0);
    FUZZ_CHECK(object.parser.dom.cursor == element);
    Element seen;
    seen.localName = object.localName();
    seen.depth = depth;
    seen.text = object.elementText();
    const int attributes = object.attributeCount();
    for (int i = 1; i <= attributes; ++i) {
        const char* name = nullptr;
        const char* value = nullptr;
        FUZZ_CHECK(object.attributeName(i, &name) == 0);
        FUZZ_CHECK(object.attributeValue(i, &value) == 0);
        seen.attributes.emplace_back(name, value);
    }
    out.push_back(std::move(seen));
    const int children = object.childCount();
    for (int i = 1; i <= children; ++i) {
        FUZZ_CHECK(selectOffset(object, element) == 0);
        FUZZ_CHECK(object.selectPath(("[" + std::to_string(i) + "]").c_str()) == 0);
        const int child = object.parser.dom.cursor;
        FUZZ_CHECK(child != element);
        if (kCheckoutBuild) {
            FUZZ_CHECK(object.selectPath("..") == 0);
            FUZZ_CHECK(object.parser.dom.cursor == element);
        }
        walk(object, child, depth + 1, out);
    }
    FUZZ_CHECK(selectOffset(object, element) == 0);
    FUZZ_CHECK(object.selectPath(("[" + std::to_string(children + 1) + "]").c_str()) == 207);
}

std::string localPart(const std::string& name) {
    const std::size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

bool sameUpToNul(const std::string& told, const std::string& recorded) {
    return told.substr(0, told.find('\0')) == recorded;
}

void readSelection(XmlObject& object) {
    (void)std::strlen(object.elementText());
    (void)std::strlen(object.localName());
    (void)std::strlen(object.prefix());
    InlineString99 name;
    FUZZ_CHECK(object.qualifiedName(name) == 0);
    const int count = object.attributeCount();
    for (int i = 0; i <= count + 1; ++i) {
        const char* text = nullptr;
        if (object.attributeValue(i, &text) == 0) (void)std::strlen(text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned flags = data[0];
    const auto pieces = fuzz::split(fuzz::bytes(data + 1, size - 1), '\n', 2);
    const std::string path = fuzz::text(pieces[0]);
    const std::string document = pieces.size() > 1 ? fuzz::text(pieces[1]) : std::string();

    XmlObject object;
    object.setXmlMode(!(flags & 1));
    object.setBuildDOM(flags & 2);
    object.parser.flushAtNewline = !(flags & 4);
    object.parser.multibyteText = flags & 8;
    object.parser.options = (flags >> 4) & 3;
    static constexpr int kCodePages[] = {0, 65001, 932, 1252};
    object.parser.CodePage = kCodePages[(flags >> 6) & 3];
    Events events(object);
    object.parser.xmlEventSink = &events;
    const int result = object.parse(document.c_str());
    object.parser.xmlEventSink = nullptr;
    const bool xmlMode = object.parser.isXmlMode();

    if (events.broken) FUZZ_CHECK(result == 201);
    if (xmlMode && result == 0) FUZZ_CHECK(events.balanced());
    if (object.parser.CodePage == 65001 && validUtf8(document)) {
        for (const Element& element : events.elements) {
            FUZZ_CHECK(validUtf8(element.text));
            for (const auto& attribute : element.attributes) FUZZ_CHECK(validUtf8(attribute.second));
        }
    }

    const int selected = object.selectPath(path.c_str());
    if (path.empty()) {
        FUZZ_CHECK(selected == 0);
    } else if (!object.parser.dom.root) {
        FUZZ_CHECK(selected == 210);
    } else {
        FUZZ_CHECK(selected == 0 || selected == 207 || selected == 208 || selected == 209);
    }
    FUZZ_CHECK(object.parser.dom.cursor == 0 || object.parser.dom.isElementStart(object.parser.dom.cursor));
    readSelection(object);

    if (!object.parser.isBuildDOM() || result != 0 || !object.parser.dom.root) return 0;
    std::vector<Element> recorded;
    walk(object, object.parser.dom.root, 0, recorded);
    // The root's tree is the first run of elements up to the next one at the top.
    std::size_t rootTree = 1;
    while (rootTree < events.elements.size() && events.elements[rootTree].depth > 0) ++rootTree;
    FUZZ_CHECK(recorded.size() == rootTree);
    for (std::size_t i = 0; i < rootTree; ++i) {
        const Element& told = events.elements[i];
        const Element& seen = recorded[i];
        FUZZ_CHECK(told.localName == seen.localName);
        FUZZ_CHECK(told.depth == seen.depth);
        FUZZ_CHECK(told.attributes.size() == seen.attributes.size());
        for (std::size_t a = 0; a < told.attributes.size(); ++a) {
            // A name whose bad prefix was let through stands whole in the document, while the
            // start event's accessor still cuts at its first ":".
            FUZZ_CHECK(told.attributes[a].first == seen.attributes[a].first ||
                       told.attributes[a].first == localPart(seen.attributes[a].first));
            FUZZ_CHECK(told.attributes[a].second == seen.attributes[a].second);
        }
        FUZZ_CHECK(sameUpToNul(told.text, seen.text));
    }
    FUZZ_CHECK(object.selectPath("/") == 0 && object.parser.dom.cursor == object.parser.dom.root);
    if (kCheckoutBuild) FUZZ_CHECK(object.selectPath("..") == 208);
    return 0;
}
