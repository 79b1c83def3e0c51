#include <expat.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "payment_core/tests/core_test.h"
#include "payment_core/xml_object.h"
#include "win32/codepage.h"

using namespace payment_core;

namespace {
// Writes every event as one line so that a test can compare the whole order.
class RecordingSink : public XmlEventSink {
public:
    int onCharacters(const char* text, int length) override {
        // Adjacent pieces of text are one observation.
        const std::string piece(text, static_cast<std::size_t>(length));
        if (joinText && !events.empty() && events.back().rfind("chars ", 0) == 0) {
            events.back() += piece;
        } else {
            events.push_back("chars " + piece);
        }
        return 0;
    }
    int onComment(const char* text) override { return add("comment " + std::string(text)); }
    int onEndElement(const char* ns, const char* local, const char* qname, bool isEmpty) override {
        return add("end {" + std::string(ns) + "}" + local + " " + qname + (isEmpty ? " empty" : ""));
    }
    int onEndPrefixMapping(const char* prefix) override { return add("endprefix " + std::string(prefix)); }
    int onError(int code, const char* text) override { return add("error " + std::to_string(code) + " " + text); }
    int onEvalEntity(const char* name, InlineString99& value) override {
        if (std::string(name) == "custom") value.assignCString("[custom]");
        return 0;
    }
    int onIgnorableWhitespace(const char* text) override { return add("ws " + std::to_string(std::string(text).size())); }
    int onMeta(const char* text) override { return add("meta " + std::string(text)); }
    int onPI(const char* text) override { return add("pi " + std::string(text)); }
    int onSpecialSection(const char* keyword, const char* text) override {
        return add("section " + std::string(keyword) + " " + text);
    }
    int onStartElement(const char* ns, const char* local, const char* qname, bool isEmpty) override {
        std::string line = "start {" + std::string(ns) + "}" + local + " " + qname + (isEmpty ? " empty" : "");
        if (object) {
            for (int i = 1; i <= object->attributeCount(); ++i) {
                const char* name;
                const char* value;
                object->attributeName(i, &name);
                object->attributeValue(i, &value);
                line += std::string(" @") + name + "=" + value;
            }
        }
        return add(line);
    }
    int onStartPrefixMapping(const char* prefix, const char* ns) override {
        return add("prefix " + std::string(prefix) + "=" + ns);
    }
    int onRawByte(char) override {
        ++rawBytes;
        return 0;
    }

    std::vector<std::string> events;
    int rawBytes = 0;
    bool joinText = true;
    XmlObject* object = nullptr;

private:
    int add(const std::string& line) {
        events.push_back(line);
        return 0;
    }
};

struct ParseRun {
    int result;
    std::vector<std::string> events;
};

ParseRun run(const char* text, bool xmlMode = true, bool buildDom = false, int options = 0) {
    XmlParser parser;
    RecordingSink sink;
    parser.xmlEventSink = &sink;
    parser.setXmlMode(xmlMode);
    parser.setBuildDOM(buildDom);
    parser.options = options;
    int result = parser.feed(text);
    if (!result) result = parser.checkComplete();
    return {result, sink.events};
}

std::string attributes(int n) {
    std::string tag = "<a";
    for (int i = 0; i < n; ++i) tag += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return tag + "/>";
}

using Events = std::vector<std::string>;
}  // namespace

CORE_TEST(XmlParser, EventOrder) {
    const ParseRun r = run(
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE doc [<!ENTITY e \"x>y\">]>\n"
        "<!-- note -->"
        "<doc xmlns=\"urn:d\" xmlns:p=\"urn:p\" id='7'>"
        "text &amp; more<p:item a=b/>"
        "<![CDATA[<raw> & ]]]>"
        "</doc>");
    const Events expected = {
        "pi xml version=\"1.0\"",
        "ws 1",
        "meta DOCTYPE doc [<!ENTITY e \"x>y\">]",
        "ws 1",
        "comment  note ",
        "prefix =urn:d",
        "prefix p=urn:p",
        "start {urn:d}doc doc",
        "chars text &amp; more",
        "start {urn:p}item p:item empty",
        "end {urn:p}item p:item empty",
        "section CDATA <raw> & ]",
        "end {urn:d}doc doc",
        "endprefix p",
        "endprefix ",
    };
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.events, expected);
}

CORE_TEST(XmlParser, TextHandOnAtLineFeedsAndTags) {
    XmlParser parser;
    RecordingSink sink;
    sink.joinText = false;
    parser.xmlEventSink = &sink;
    ASSERT_EQ(parser.feed("<a>one  \ntwo  <b/>  </a>"), 0);
    // At the line feed the text goes without its trailing blanks, which wait for the next piece.
    const Events expected = {"start {}a a", "chars one", "chars   \ntwo", "ws 2", "start {}b b empty",
                             "end {}b b empty", "ws 2", "end {}a a"};
    EXPECT_EQ(sink.events, expected);

    parser.reset();
    sink.events.clear();
    parser.flushAtNewline = false;
    ASSERT_EQ(parser.feed("<a>one  \ntwo</a>"), 0);
    const Events whole = {"start {}a a", "chars one  \ntwo", "end {}a a"};
    EXPECT_EQ(sink.events, whole);
}

CORE_TEST(XmlParser, LongRunsOfLineFeedsParseInLinearTime) {
    // Rescanning the kept white space at every line feed would take hours over these megabytes.
    const std::string feeds(1000000, '\n');
    XmlObject object;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse(("<a>x" + feeds + "y</a>").c_str()), 0);
    ASSERT_EQ(object.selectPath("/a"), 0);
    EXPECT_EQ(std::string(object.elementText()), "x" + feeds + "y");

    std::string blanks;
    for (int i = 0; i < 250000; ++i) blanks += "   \n";
    const ParseRun html = run(("<p>x" + blanks + "z</p>").c_str(), false);
    const Events expected = {"start {}p p", "chars x" + blanks + "z", "end {}p p"};
    EXPECT_EQ(html.result, 0);
    EXPECT_EQ(html.events, expected);
}

CORE_TEST(XmlParser, ErrorTexts) {
    const struct {
        int code;
        const char* text;
    } table[] = {
        {200, "Out of memory."},
        {201, "Unbalanced element tag."},
        {202, "Unknown element prefix (can't find namespace)."},
        {203, "Unknown attribute prefix (can't find namespace)."},
        {204, "Invalid XML markup."},
        {205, "Invalid end state for parser."},
        {206, "Document contains unbalanced elements."},
        {207, "Invalid XPath."},
        {208, "No such child."},
        {209, "Top element does not match start of path."},
        {210, "DOM tree unavailable (set BuildDOM to true and reparse)."},
        {211, "xmlpimpl: unknown error"},
        {0, "xmlpimpl: unknown error"},
    };
    for (const auto& entry : table) EXPECT_STREQ(xmlErrorText(entry.code), entry.text) << entry.code;
}

CORE_TEST(XmlParser, ParseErrors) {
    struct Case {
        const char* text;
        bool xmlMode;
        bool buildDom;
        int code;
    };
    const Case cases[] = {
        {"<a></b>", true, false, 201},
        {"<a><b></a>", true, false, 201},
        {"</a>", true, false, 201},
        {"<x:a/>", true, false, 202},
        {"<a x:b='1'/>", true, true, 203},
        {"<a b=>", true, false, 204},
        {"<a></a x>", true, false, 204},
        {"<>", true, false, 204},
        {"<a>", true, false, 206},
        {"<a><!-- open", true, false, 206},
        {"<!-- open", true, false, 205},
        {"<a b='1", false, false, 205},
        {"<a></b>", false, false, 0},
        {"<a b=>x", false, false, 0},
        {"</a junk>", false, false, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.text, c.xmlMode, c.buildDom).result, c.code) << c.text;
}

CORE_TEST(XmlParser, FailureStopsFeedingUntilReset) {
    XmlParser parser;
    EXPECT_EQ(parser.feed("<a></b>"), 201);
    EXPECT_STREQ(parser.lastError.data(), "Unbalanced element tag.");
    EXPECT_EQ(parser.feedChar('x'), 201);
    parser.reset();
    EXPECT_EQ(parser.feed("<a></a>"), 0);
    EXPECT_EQ(parser.checkComplete(), 0);
}

CORE_TEST(XmlParser, SinkResultStopsTheParse) {
    struct Refusing : XmlEventSink {
        int onStartElement(const char*, const char* local, const char*, bool) override {
            return std::string(local) == "stop" ? 999 : 0;
        }
    } sink;
    XmlParser parser;
    parser.xmlEventSink = &sink;
    EXPECT_EQ(parser.feed("<a><stop/>"), 999);
    EXPECT_STREQ(parser.lastError.data(), "xmlpimpl: unknown error");
}

CORE_TEST(XmlParser, HtmlMode) {
    const ParseRun r = run("<p>a < b <br> x&amp;y<A HREF=x.html>l</a></P>", false);
    const Events expected = {
        "start {}p p", "chars a", "ws 1", "chars < b", "ws 1", "start {}br br", "ws 1",
        "chars x&amp;y", "start {}A A", "chars l", "end {}a a", "end {}P P",
    };
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.events, expected);
}

CORE_TEST(XmlParser, ScriptContentIsRawText) {
    const ParseRun r = run("<script>if(a<b&&c>d)x=\"<i>\";</b></SCRIPT><i>after</i>", false);
    const Events expected = {
        "start {}script script",
        "chars if(a<b&&c>d)x=\"<i>\";</b>",
        "end {}SCRIPT SCRIPT",
        "start {}i i",
        "chars after",
        "end {}i i",
    };
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.events, expected);
}

CORE_TEST(XmlParser, AttributeForms) {
    XmlObject object;
    RecordingSink sink;
    sink.object = &object;
    object.parser.xmlEventSink = &sink;
    object.setXmlMode(false);
    ASSERT_EQ(object.parse("<t a=1 b c='x y' d=\"q\" e=v/>"), 0);
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events[0], "start {}t t empty @a=1 @b= @c=x y @d=q @e=v");
}

CORE_TEST(XmlParser, PrefixStack) {
    const ParseRun r = run(
        "<a xmlns:p='urn:1'><p:b xmlns:p='urn:2'><p:c/></p:b><p:d/></a>");
    const Events expected = {
        "prefix p=urn:1",
        "start {}a a",
        "prefix p=urn:2",
        "start {urn:2}b p:b",
        "start {urn:2}c p:c empty",
        "end {urn:2}c p:c empty",
        "end {urn:2}b p:b",
        "endprefix p",
        "start {urn:1}d p:d empty",
        "end {urn:1}d p:d empty",
        "end {}a a",
        "endprefix p",
    };
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.events, expected);
    const ParseRun builtIn = run("<a xml:lang='en'><xml:b/></a>", true, true);
    EXPECT_EQ(builtIn.result, 0);
    EXPECT_EQ(builtIn.events[1], "start {http://www.w3.org/XML/1998/namespace}b xml:b empty");

    XmlObject object;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<a xml:lang='en' k='v'><xml:b/></a>"), 0);
    ASSERT_EQ(object.selectPath("/a"), 0);
    const char* name;
    const char* value;
    ASSERT_EQ(object.attributeName(1, &name), 0);
    ASSERT_EQ(object.attributeValue(2, &value), 0);
    EXPECT_STREQ(name, "lang");
    EXPECT_STREQ(value, "v");
    EXPECT_EQ(object.childCount(), 1);
    ASSERT_EQ(object.selectPath("/a/xml:b"), 0);
    EXPECT_STREQ(object.prefix(), "xml");
}

CORE_TEST(XmlParser, IgnoreBadPrefixKeys) {
    XmlParser parser;
    const char* answer = nullptr;
    struct Case {
        const char* text;
        int result;
        const char* answer;
        int options;
    };
    const Case cases[] = {
        {"IgnoreBadAttributePrefixes", 0, "False", 0},
        {"IgnoreBadAttributePrefixes=true", 0, nullptr, 1},
        {"ignorebadelementprefixes=YES", 0, nullptr, 3},
        {"IgnoreBadElementPrefixes", 0, "True", 3},
        {"IgnoreBadAttributePrefixes=0", 0, nullptr, 2},
        {"IgnoreBadAttributePrefixes", 0, "False", 2},
        {"CodePage=932", 0, nullptr, 2},
        {"IgnoreBadThings", -1, "", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dispatchConfig(parser, c.text, &answer), c.result) << c.text;
        if (c.answer) {
            EXPECT_STREQ(answer, c.answer) << c.text;
        }
        EXPECT_EQ(parser.options, c.options) << c.text;
    }
    EXPECT_EQ(parser.CodePage, 932);

    const ParseRun element = run("<x:a/>", true, false, XmlParser::kIgnoreBadElementPrefixes);
    const Events expected = {"error 202 Unknown element prefix (can't find namespace).", "start {}x:a x:a empty",
                             "error 202 Unknown element prefix (can't find namespace).", "end {}x:a x:a empty"};
    EXPECT_EQ(element.result, 0);
    EXPECT_EQ(element.events, expected);
    EXPECT_EQ(run("<a y:b='1'/>", true, true, XmlParser::kIgnoreBadElementPrefixes).result, 203);
    const ParseRun attribute = run("<a y:b='1'/>", true, true, XmlParser::kIgnoreBadAttributePrefixes);
    EXPECT_EQ(attribute.result, 0);
    EXPECT_EQ(attribute.events[1], "error 203 Unknown attribute prefix (can't find namespace).");
}

CORE_TEST(XmlParser, Entities) {
    struct Case {
        const char* text;
        bool buildDom;
        const char* characters;
    };
    const Case cases[] = {
        {"<a>&#65;</a>", true, "A"},
        {"<a>&#65;</a>", false, "&#65;"},
        {"<a>&lt;&gt;&amp;&apos;&quot;</a>", true, "<>&'\""},
        {"<a>&lt;&gt;</a>", false, "&lt;&gt;"},
        {"<a>&#x41;</a>", true, "A"},
        {"<a>&#x41;</a>", false, "&#x41;"},
        // Not character references: these stay as written.
        {"<a>&#X41;&#x;&#12a;&#;</a>", true, "&#X41;&#x;&#12a;&#;"},
        {"<a>&nbsp;</a>", true, "&nbsp;"},
        {"<a>&lt x</a>", true, "< x"},
        {"<a>&custom;</a>", false, "[custom]"},
    };
    for (const Case& c : cases) {
        const ParseRun r = run(c.text, true, c.buildDom);
        ASSERT_EQ(r.result, 0) << c.text;
        ASSERT_EQ(r.events.size(), 3u) << c.text;
        EXPECT_EQ(r.events[1], std::string("chars ") + c.characters) << c.text;
    }
    XmlObject object;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<a v=\"1&amp;2\" w='&#66;' u=&lt;x/>"), 0);
    object.selectPath("/a");
    const char* value;
    object.attributeValue(1, &value);
    EXPECT_STREQ(value, "1&2");
    object.attributeValue(2, &value);
    EXPECT_STREQ(value, "B");
    object.attributeValue(3, &value);
    EXPECT_STREQ(value, "<x");
}

CORE_TEST(XmlParser, MultibyteTextKeepsTrailBytes) {
    XmlParser parser;
    parser.multibyteText = true;
    parser.setBuildDOM(true);
    // 0x81 0x3C is one character whose second byte happens to be "<".
    ASSERT_EQ(parser.feed("<a>\x81<b</a>"), 0);
    ASSERT_EQ(parser.checkComplete(), 0);
    XmlObject object;
    object.parser.multibyteText = true;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<a>\x81<b</a>"), 0);
    object.selectPath("/a");
    EXPECT_STREQ(object.elementText(), "\x81<b");
}

CORE_TEST(XmlParser, RefusedElementsBecomeText) {
    struct OnlyKnown : XmlParser {
        bool acceptElement(const char* name) override { return std::string(name) != "u"; }
    } parser;
    RecordingSink sink;
    parser.xmlEventSink = &sink;
    parser.setXmlMode(false);
    ASSERT_EQ(parser.feed("<b>x<u>y</u>z</b>"), 0);
    ASSERT_EQ(parser.checkComplete(), 0);
    const Events expected = {"start {}b b", "chars x<u>y</u>z", "end {}b b"};
    EXPECT_EQ(sink.events, expected);
}

CORE_TEST(XmlParser, RawByteHookSeesEveryByte) {
    XmlParser parser;
    RecordingSink sink;
    parser.xmlEventSink = &sink;
    parser.feed("<a>xyz</a>");
    EXPECT_EQ(sink.rawBytes, 10);
    EXPECT_EQ(parser.charCount, 10);
}

CORE_TEST(PairTable, AttributeLimitOfTheBuild) {
    const int limit = PairTable::kCapacity;
    EXPECT_EQ(limit, kCheckoutBuild ? 256 : 128);
    EXPECT_EQ(run(attributes(limit).c_str()).result, 0);
    EXPECT_EQ(run(attributes(limit + 1).c_str()).result, 200);
    if (kCheckoutBuild) {
        EXPECT_EQ(run(attributes(200).c_str()).result, 0);
        EXPECT_EQ(run(attributes(300).c_str()).result, 200);
    }
    std::string deep;
    for (int i = 0; i < limit + 1; ++i) deep += "<e>";
    EXPECT_EQ(run(deep.c_str()).result, 200);

    PairTable table;
    for (int i = 0; i < limit; ++i) ASSERT_EQ(table.add("n", "v"), 0);
    EXPECT_EQ(table.add("n", "v"), 200);
    table.clear();
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.add("again", "v"), 0);
    EXPECT_TRUE(table.name(0).equals("again"));
}

namespace {
constexpr const char* kSoapAnswer =
    "<?xml version=\"1.0\"?>\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns=\"urn:ebay\">\n"
    "  <SOAP-ENV:Header/>\n"
    "  <SOAP-ENV:Body id=\"b1\">\n"
    "    <ns:SetResponse xmlns=\"urn:api\" kind=\"x\" ns:extra=\"y\">\n"
    "      <Timestamp>2024-01-01</Timestamp>\n"
    "      <Ack>Success</Ack>\n"
    "      <Note>one<br/>two<br/>three</Note>\n"
    "    </ns:SetResponse>\n"
    "  </SOAP-ENV:Body>\n"
    "</SOAP-ENV:Envelope>\n";

struct Document : ::testing::Test {
    void SetUp() override {
        object.setBuildDOM(true);
        ASSERT_EQ(object.parse(kSoapAnswer), 0);
    }
    std::string qualified() {
        InlineString99 name;
        object.qualifiedName(name);
        return name.data();
    }
    XmlObject object;
};
}  // namespace

#define CORE_DOCUMENT_TEST(name)           \
    using CORE_SUITE(Document) = Document; \
    TEST_F(CORE_SUITE(Document), name)

CORE_DOCUMENT_TEST(PathsBySoapNames) {
    ASSERT_EQ(object.selectPath("/Envelope/Body/[1]/Ack"), 0);
    EXPECT_STREQ(object.elementText(), "Success");
    EXPECT_STREQ(object.localName(), "Ack");
    EXPECT_EQ(qualified(), "Ack");
    struct Case {
        const char* path;
        const char* localName;
        const char* qualifiedName;
    };
    const Case cases[] = {
        {"/SOAP-ENV:Envelope", "Envelope", "SOAP-ENV:Envelope"},
        {"/Envelope/SOAP-ENV:Body", "Body", "SOAP-ENV:Body"},
        {"/Envelope/[2]/ns:SetResponse/urn:apiTimestamp", "Timestamp", "Timestamp"},
        {"/Envelope/Body/SetResponse", "SetResponse", "ns:SetResponse"},
        {"/Envelope/Body//SetResponse/", "SetResponse", "ns:SetResponse"},
        {"/", "Envelope", "SOAP-ENV:Envelope"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(object.selectPath(c.path), 0) << c.path;
        EXPECT_STREQ(object.localName(), c.localName) << c.path;
        EXPECT_EQ(qualified(), c.qualifiedName) << c.path;
    }
    // A relative path goes on from the selected element.
    ASSERT_EQ(object.selectPath("/Envelope/Body"), 0);
    ASSERT_EQ(object.selectPath("[1]/[3]"), 0);
    EXPECT_STREQ(object.localName(), "Note");
    EXPECT_STREQ(object.prefix(), "");
}

CORE_DOCUMENT_TEST(PathErrors) {
    struct Case {
        const char* path;
        int code;
        const char* stoppedAt;
    };
    const Case cases[] = {
        {"/X", 209, "Envelope"},
        {"/Envelope/[0]", 207, "Envelope"},
        {"/Envelope/Missing", 208, "Envelope"},
        {"/Envelope/Body/[1]/Ack/[1]", 207, "Ack"},
        {"/Envelope/Body/[2]", 207, "Body"},
        {"/Envelope/Body/[x]", 207, "Body"},
        {"/Envelope/Body/[1", 207, "Body"},
        {"/Envelope/Body/[1]x", 207, "Body"},
        {"/Envelope/Body/Set$Response", 207, "Body"},
        {"/1Envelope", 207, "Envelope"},
        {"/[1]", 207, "Envelope"},
        {"/Envelope/-x", 207, "Envelope"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(object.selectPath(c.path), c.code) << c.path;
        EXPECT_STREQ(object.lastError.data(), xmlErrorText(c.code)) << c.path;
        EXPECT_STREQ(object.localName(), c.stoppedAt) << c.path;
    }
}

CORE_DOCUMENT_TEST(TextAndChildren) {
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse/Note"), 0);
    // Text split by child elements is kept as one text.
    EXPECT_STREQ(object.elementText(), "onetwothree");
    EXPECT_EQ(object.childCount(), 2);
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse"), 0);
    EXPECT_EQ(object.childCount(), 3);
    EXPECT_STREQ(object.elementText(), "");
    ASSERT_EQ(object.selectPath("/Envelope"), 0);
    EXPECT_EQ(object.childCount(), 2);
}

CORE_DOCUMENT_TEST(AttributesByIndex) {
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse"), 0);
    EXPECT_EQ(object.attributeCount(), 2);
    const char* name = nullptr;
    const char* value = nullptr;
    ASSERT_EQ(object.attributeName(1, &name), 0);
    ASSERT_EQ(object.attributeValue(1, &value), 0);
    EXPECT_STREQ(name, "kind");
    EXPECT_STREQ(value, "x");
    ASSERT_EQ(object.attributeName(2, &name), 0);
    ASSERT_EQ(object.attributeValue(2, &value), 0);
    EXPECT_STREQ(name, "extra");
    EXPECT_STREQ(value, "y");
    struct Case {
        int index;
        int code;
        const char* text;
    };
    const Case cases[] = {{0, 101, "Invalid attribute index."}, {3, 101, "Invalid attribute index."},
                          {-1, 101, "Invalid attribute index."}};
    for (const Case& c : cases) {
        EXPECT_EQ(object.attributeValue(c.index, &value), c.code);
        EXPECT_STREQ(object.lastError.data(), c.text);
    }
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse/Ack"), 0);
    EXPECT_EQ(object.attributeName(1, &name), 102);
    EXPECT_STREQ(object.lastError.data(), "No attributes available.");
}

CORE_DOCUMENT_TEST(RecordOffsets) {
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse/Ack"), 0);
    const int ack = object.parser.dom.cursor;
    ASSERT_EQ(object.selectPath("/Envelope"), 0);
    const std::string jump = "*" + std::to_string(ack);
    ASSERT_EQ(object.selectPath(jump.c_str()), 0);
    EXPECT_STREQ(object.elementText(), "Success");
    // Only the start of an element record is a place to stand on.
    const std::string inside = "*" + std::to_string(ack + 1);
    EXPECT_EQ(object.selectPath(inside.c_str()), 207);
    EXPECT_EQ(object.selectPath("*0"), 207);
    EXPECT_STREQ(object.localName(), "Ack");
    const std::string past = "*" + std::to_string(object.parser.dom.length() + 10);
    EXPECT_EQ(object.selectPath(past.c_str()), 0);
    EXPECT_STREQ(object.localName(), "Ack");
    EXPECT_EQ(object.selectPath("*x"), 207);
}

#if PAYMENT_CORE_CHECKOUT
CORE_DOCUMENT_TEST(ParentSteps) {
    ASSERT_EQ(object.selectPath("/Envelope/Body/.."), 0);
    EXPECT_STREQ(object.localName(), "Envelope");
    ASSERT_EQ(object.selectPath("/Envelope/Body/SetResponse/../../Header"), 0);
    EXPECT_STREQ(object.localName(), "Header");
    EXPECT_EQ(object.selectPath("/Envelope/.."), 208);
}
#else
CORE_DOCUMENT_TEST(NoParentSteps) { EXPECT_EQ(object.selectPath("/Envelope/Body/.."), 207); }
#endif

CORE_TEST(XmlObject, RelativeStepsNeedASelectedElement) {
    XmlObject object;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<a><b>x</b></a>"), 0);
    // An offset past the end keeps the cursor where it was, so its steps start from nothing too.
    for (const char* path : {"..", "a", "b", "[1]", "a/b", "*99999b"}) {
        EXPECT_EQ(object.selectPath(path), 208) << path;
        EXPECT_STREQ(object.lastError.data(), "No such child.") << path;
        EXPECT_STREQ(object.elementText(), "") << path;
        EXPECT_STREQ(object.localName(), "") << path;
        EXPECT_EQ(object.childCount(), 0) << path;
    }
    ASSERT_EQ(object.selectPath("/a"), 0);
    ASSERT_EQ(object.selectPath("b"), 0);
    EXPECT_STREQ(object.elementText(), "x");
}

CORE_TEST(XmlObject, PathsNeedTheDocument) {
    XmlObject object;
    ASSERT_EQ(object.parse("<a><b/></a>"), 0);
    EXPECT_EQ(object.selectPath("/a"), 210);
    EXPECT_STREQ(object.lastError.data(), "DOM tree unavailable (set BuildDOM to true and reparse).");
    EXPECT_EQ(object.selectPath(""), 0);
    object.setXmlMode(false);
    object.setBuildDOM(true);
    EXPECT_TRUE(object.parser.isXmlMode());
    object.setXmlMode(false);
    EXPECT_FALSE(object.parser.isBuildDOM());
}

CORE_TEST(XmlObject, ParseFailureIsTheLastError) {
    XmlObject object;
    object.setBuildDOM(true);
    EXPECT_EQ(object.parse("<a><b></a>"), 201);
    EXPECT_STREQ(object.lastError.data(), "Unbalanced element tag.");
    EXPECT_EQ(object.parse("<a>"), 206);
    EXPECT_STREQ(object.lastError.data(), "Document contains unbalanced elements.");
    EXPECT_EQ(dispatchConfig(object, "IgnoreBadElementPrefixes=true", nullptr), 0);
    EXPECT_EQ(object.parser.options, XmlParser::kIgnoreBadElementPrefixes);
}

CORE_TEST(XmlObject, ElementsLeftOpenAreWalkedWithinTheBuffer) {
    XmlObject object;
    object.setBuildDOM(true);
    EXPECT_EQ(object.parse("<a><b><c>x</c><d>y"), 206);
    ASSERT_EQ(object.selectPath("/a/b/d"), 0);
    EXPECT_STREQ(object.elementText(), "");
    EXPECT_EQ(object.selectPath("/a/b/[2]"), 0);
    EXPECT_EQ(object.selectPath("/a/b/e"), 208);
    EXPECT_EQ(object.selectPath("/a/[1]/[1]"), 0);
    EXPECT_STREQ(object.elementText(), "x");
    EXPECT_EQ(object.selectPath("/a/b/[3]"), 207);
}

CORE_TEST(XmlObject, AttributesDuringStartElement) {
    XmlObject object;
    RecordingSink sink;
    sink.object = &object;
    object.parser.xmlEventSink = &sink;
    ASSERT_EQ(object.parse("<a xmlns:p='urn:p' p:x='1' y='2'><b/></a>"), 0);
    EXPECT_EQ(sink.events[1], "start {}a a @x=1 @y=2");
    EXPECT_EQ(sink.events[2], "start {}b b empty");
    EXPECT_EQ(object.attributeCount(), 0);
}

CORE_TEST(XmlObject, RootByNamespaceQualifiedName) {
    XmlObject object;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<r xmlns='urn:x'><c/></r>"), 0);
    EXPECT_EQ(object.selectPath("/urn:xr/urn:xc"), 0);
    EXPECT_EQ(object.selectPath("/r/c"), 0);
    EXPECT_EQ(object.selectPath("/urn:x:r"), 209);
}

CORE_TEST(XmlObject, CdataSectionsAreElementText) {
    XmlObject object;
    RecordingSink sink;
    object.parser.xmlEventSink = &sink;
    object.setBuildDOM(true);
    ASSERT_EQ(object.parse("<r><v><![CDATA[Approved & <ok>]]></v><w>a<![CDATA[b]]>c</w>"
                           "<x>  <![CDATA[ &amp; \n ]]> \n y</x><n>1<![CDATA[2]]><c/>3<![CDATA[]]>4</n>"
                           "<o><![OTHER[z]]></o></r>"),
              0);
    struct Case {
        const char* path;
        const char* text;
    };
    // In document order and byte for byte: no entity decoding, no trimming inside the section.
    const Case cases[] = {
        {"/r/v", "Approved & <ok>"}, {"/r/w", "abc"}, {"/r/x", " &amp; \n  \n y"}, {"/r/n", "1234"}, {"/r/o", ""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(object.selectPath(c.path), 0) << c.path;
        EXPECT_STREQ(object.elementText(), c.text) << c.path;
    }
    // The section hook still sees each section, and the character events are as before.
    const Events expected = {"start {}r r",          "start {}v v",          "section CDATA Approved & <ok>",
                             "end {}v v",            "start {}w w",          "chars a",
                             "section CDATA b",      "chars c",              "end {}w w",
                             "start {}x x",          "ws 2",                 "section CDATA  &amp; \n ",
                             "chars  \n y",          "end {}x x",            "start {}n n",
                             "chars 1",              "section CDATA 2",      "start {}c c empty",
                             "end {}c c empty",      "chars 3",              "section CDATA ",
                             "chars 4",              "end {}n n",            "start {}o o",
                             "section OTHER z",      "end {}o o",            "end {}r r"};
    EXPECT_EQ(sink.events, expected);
}

namespace {
// Everything a parse leaves behind that a caller can read.
std::string parserState(XmlParser& parser, int result) {
    std::string out = std::to_string(result) + "|" + parser.lastError.data() + "|" + std::to_string(parser.state) + "|" +
                      std::to_string(parser.charCount) + "|" + parser.previousChar + parser.charBeforePrevious + "|";
    const InlineString99* buffers[] = {&parser.text, &parser.name, &parser.entity, &parser.elementName,
                                       &parser.attributeName, &parser.sectionKeyword, &parser.dom.buffer};
    for (const InlineString99* b : buffers) out += std::string(b->data(), static_cast<std::size_t>(b->length())) + "|";
    return out + std::to_string(parser.dom.root) + "|" + std::to_string(parser.elementStack.count());
}

struct ParserSetup {
    bool xmlMode;
    bool buildDom;
    bool multibyte;
    const char* extraNameChars;
    const char* extraWhiteSpace;
};

void prepare(XmlParser& parser, const ParserSetup& setup) {
    parser.setXmlMode(setup.xmlMode);
    parser.setBuildDOM(setup.buildDom);
    parser.multibyteText = setup.multibyte;
    parser.extraNameChars = setup.extraNameChars;
    parser.extraWhiteSpace = setup.extraWhiteSpace;
}

// Fed whole, in pieces, and byte by byte; each way must leave the same parser behind.
void expectSameWhateverTheFeeding(const std::string& doc, const ParserSetup& setup, std::mt19937& random) {
    XmlParser whole;
    prepare(whole, setup);
    int result = whole.feed(doc.c_str());
    if (!result) result = whole.checkComplete();
    const std::string expected = parserState(whole, result);

    XmlParser bytes;
    prepare(bytes, setup);
    result = 0;
    for (std::size_t i = 0; i < doc.size() && !result; ++i) result = bytes.feedChar(doc[i]);
    if (!result) result = bytes.checkComplete();
    ASSERT_EQ(parserState(bytes, result), expected) << doc;

    XmlParser pieces;
    prepare(pieces, setup);
    result = 0;
    for (std::size_t at = 0; at < doc.size() && !result;) {
        const std::size_t n = std::min<std::size_t>(1 + random() % 9, doc.size() - at);
        result = pieces.feed(doc.substr(at, n).c_str());
        at += n;
    }
    if (!result) result = pieces.checkComplete();
    ASSERT_EQ(parserState(pieces, result), expected) << doc;
}
}  // namespace

CORE_TEST(XmlParser, FeedingWholeInPiecesOrByByteIsOneParse) {
    std::mt19937 random(3125);
    std::vector<std::string> docs = {
        kSoapAnswer,
        "<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY e 'x>y'>]><!-- c -- d --><d a=1 b c='x&amp;y' e=\"&#65;&q\" f=g/>"
        "<g>t&lt;&#66;&nbsp;u<![CDATA[ raw ]]>\n  v  \n</g><?pi x?></d>",
        "<p>a < b <br> x&amp;y<A HREF=x.html>l</a></P><script>if(a<b&&c>d)</b></SCRIPT>",
        "<a>\x81<b\xe0&c</a>",
        "<a b='1\"",
        "<a></b>",
        "<a x:y='1'/>",
        "<a><![CDATA[x]]]></a>",
        "<x$y a$=1>z w</x$y>",
    };
    const char* pieces[] = {"<a", " b='1'", ">", "text", "&amp;", "&#", "\n", "  ", "</a>", "<b/>", "<!--", "-->",
                            "<![CDATA[", "]]>", "<?p", "?>", "<c d=e>", "</c>", "x", "\t", "<", ">", "/", "=", "\"", "'"};
    for (int i = 0; i < 200; ++i) {
        std::string doc = "<r>";
        const int n = static_cast<int>(random() % 40);
        for (int k = 0; k < n; ++k) doc += pieces[random() % (sizeof pieces / sizeof *pieces)];
        docs.push_back(doc + "</r>");
    }
    const ParserSetup setups[] = {
        {true, false, false, nullptr, nullptr},
        {true, true, false, nullptr, nullptr},
        {false, false, false, nullptr, nullptr},
        {true, true, true, "$", "|"},
        {false, false, true, "$", "|"},
    };
    for (const std::string& doc : docs) {
        for (const ParserSetup& setup : setups) expectSameWhateverTheFeeding(doc, setup, random);
    }
}

CORE_TEST(XmlObject, StarvedParsesFailWithOutOfMemory) {
    // Every allocation in turn fails once the limit is reached; each parse either completes or says 200.
    const std::string longText = "<r><v>" + std::string(300, 'x') + "<![CDATA[" + std::string(200, 'c') + "]]>\n\n" +
                                 std::string(150, 'y') + "</v></r>";
    const struct {
        const char* doc;
        const char* path;
        std::string text;
    } cases[] = {
        {kSoapAnswer, "/Envelope/Body/[1]/Ack", "Success"},
        {longText.c_str(), "/r/v", std::string(300, 'x') + std::string(200, 'c') + "\n\n" + std::string(150, 'y')},
    };
    for (const auto& c : cases) {
        bool sawFailure = false;
        bool sawSuccess = false;
        for (long limit = 0; limit < 2000 && !sawSuccess; ++limit) {
            int result;
            {
                XmlObject object;
                object.setBuildDOM(true);
                AllocationLimit starve(limit);
                result = object.parse(c.doc);
                if (result == 0) {
                    EXPECT_EQ(object.selectPath(c.path), 0);
                    EXPECT_EQ(object.elementText(), c.text);
                }
            }
            ASSERT_TRUE(result == 0 || result == 200) << limit << " " << result;
            sawFailure |= result == 200;
            sawSuccess = result == 0;
        }
        EXPECT_TRUE(sawFailure) << c.path;
        EXPECT_TRUE(sawSuccess) << c.path;
    }
}

namespace {
// Builds random answers of the kinds the gateways send: nested elements, prefixes, attributes
// with references, text with references and line feeds, CDATA sections and comments.
class AnswerGenerator {
public:
    explicit AnswerGenerator(unsigned seed) : random_(seed) {}

    std::string document() {
        std::string doc = pick(2) ? "<?xml version=\"1.0\"?>\n" : "";
        element(doc, 0, {});
        return doc + "\n";
    }

private:
    unsigned pick(unsigned n) { return static_cast<unsigned>(random_() % n); }

    std::string word() {
        static const char* const kWords[] = {"Approved", "a", "1234", "x-y", "O'Doe", "Main", "\"q\"", "$1.99", "%20"};
        return kWords[pick(9)];
    }

    std::string reference() {
        static const char* const kNamed[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
        static const char* const kBeyondAscii[] = {"&#233;", "&#xE9;", "&#x20ac;", "&#1046;", "&#x1F600;", "&#x10FFFF;"};
        if (pick(2)) return kNamed[pick(5)];
        if (pick(4) == 0) return kBeyondAscii[pick(6)];
        return "&#" + std::to_string(33 + pick(94)) + ";";
    }

    // Never begins or ends with white space, so every parser keeps it whole.
    std::string textPiece() {
        static const char* const kGaps[] = {" ", "\n", "  \t ", " \n  "};
        std::string text = pick(4) ? word() : reference();
        for (unsigned n = pick(4); n > 0; --n) text += kGaps[pick(4)] + (pick(4) ? word() : reference());
        return text;
    }

    std::string cdata() {
        static const char* const kBits[] = {" ", "<b>", "&amp;", "]", "]]", "\n", "x", "  "};
        std::string content;
        for (unsigned n = pick(5); n > 0; --n) content += kBits[pick(8)];
        // Some byte that is not white space, so that only indentation reads as no text at all.
        content.insert(pick(2) ? 0 : content.size(), "c");
        return "<![CDATA[" + content + "]]>";
    }

    std::string name(const std::vector<std::string>& prefixes) {
        static const char* const kNames[] = {"Response", "Ack", "Amount", "Token", "e", "Field-1", "a.b", "_x"};
        std::string local = kNames[pick(8)];
        return prefixes.empty() || pick(2) ? local : prefixes[pick(static_cast<unsigned>(prefixes.size()))] + ":" + local;
    }

    void element(std::string& doc, int depth, std::vector<std::string> prefixes) {
        std::string declarations;
        if (pick(4) == 0) {
            const std::string prefix = "p" + std::to_string(depth);
            declarations += " xmlns:" + prefix + "='urn:" + prefix + "'";
            prefixes.push_back(prefix);
        }
        if (pick(6) == 0) declarations += " xmlns=\"urn:default\"";
        const std::string qualified = name(prefixes);
        doc += "<" + qualified + declarations;
        for (unsigned n = pick(3); n > 0; --n) {
            doc += " " + (prefixes.empty() || pick(2) ? std::string("v") : prefixes[0] + ":w") + std::to_string(n) + "=";
            std::string value;
            for (char c : word() + (pick(2) ? reference() : "") + " " + word()) {
                value += c == '"' ? "&quot;" : c == '\'' ? "&apos;" : std::string(1, c);
            }
            doc += pick(2) ? "\"" + value + "\"" : "'" + value + "'";
        }
        if (pick(8) == 0) {
            doc += "/>";
            return;
        }
        doc += ">";
        // Either mixed content with no bare white space, or element-only content indented.
        const bool mixed = pick(2);
        const unsigned items = depth >= 4 ? pick(3) : pick(6);
        for (unsigned i = 0; i < items; ++i) {
            const unsigned kind = pick(mixed ? 5 : 2);
            if (!mixed) doc += "\n" + std::string(static_cast<std::size_t>(depth + 1) * 2, ' ');
            if (kind == 0 && depth < 5) {
                element(doc, depth + 1, prefixes);
            } else if (kind <= 1) {
                doc += "<!-- note -->";
            } else if (kind == 2 || kind == 3) {
                // Two pieces in a row would meet without their gap; the comment keeps them apart.
                if (!doc.empty() && doc.back() != '>') doc += "<!---->";
                doc += textPiece();
            } else {
                doc += cdata();
            }
        }
        if (!mixed && items) doc += "\n" + std::string(static_cast<std::size_t>(depth) * 2, ' ');
        doc += "</" + qualified + ">";
    }

    std::mt19937 random_;
};

struct ExpatElement {
    std::string qualifiedName;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    int children = 0;
};

struct ExpatDocument {
    std::vector<ExpatElement> elements;
    std::vector<std::size_t> open;
};

bool parseWithExpat(const std::string& doc, ExpatDocument& out) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &out);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto& d = *static_cast<ExpatDocument*>(data);
            if (!d.open.empty()) ++d.elements[d.open.back()].children;
            ExpatElement element;
            element.qualifiedName = name;
            for (; *attributes; attributes += 2) {
                const std::string attribute = attributes[0];
                if (attribute == "xmlns" || attribute.rfind("xmlns:", 0) == 0) continue;
                element.attributes.emplace_back(attribute.substr(attribute.find(':') + 1), attributes[1]);
            }
            d.open.push_back(d.elements.size());
            d.elements.push_back(element);
        },
        [](void* data, const XML_Char*) { static_cast<ExpatDocument*>(data)->open.pop_back(); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
        auto& d = *static_cast<ExpatDocument*>(data);
        if (!d.open.empty()) d.elements[d.open.back()].text.append(text, static_cast<std::size_t>(length));
    });
    const bool ok = XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

// Walks our document in document order beside expat's list of elements.
void compareElement(XmlObject& object, const ExpatDocument& reference, std::size_t& next, const std::string& doc) {
    ASSERT_LT(next, reference.elements.size()) << doc;
    const ExpatElement& expected = reference.elements[next++];
    InlineString99 qualified;
    object.qualifiedName(qualified);
    const std::string ours = qualified.data();
    const std::string expectedLocal = expected.qualifiedName.substr(expected.qualifiedName.find(':') + 1);
    EXPECT_EQ(object.localName(), expectedLocal) << doc;
    EXPECT_EQ(ours, expected.qualifiedName) << doc;
    const bool onlyWhiteSpace = expected.text.find_first_not_of(" \t\n") == std::string::npos;
    // Indentation between elements is not text of the element; everything else is, as expat reads it.
    EXPECT_EQ(object.elementText(), onlyWhiteSpace ? std::string() : expected.text) << doc;
    ASSERT_EQ(object.attributeCount(), static_cast<int>(expected.attributes.size())) << doc;
    for (int i = 1; i <= object.attributeCount(); ++i) {
        const char* name;
        const char* value;
        ASSERT_EQ(object.attributeName(i, &name), 0);
        ASSERT_EQ(object.attributeValue(i, &value), 0);
        EXPECT_EQ(name, expected.attributes[static_cast<std::size_t>(i - 1)].first) << doc;
        EXPECT_EQ(value, expected.attributes[static_cast<std::size_t>(i - 1)].second) << doc;
    }
    const int children = object.childCount();
    ASSERT_EQ(children, expected.children) << doc;
    const std::string here = "*" + std::to_string(object.parser.dom.cursor);
    for (int i = 1; i <= children; ++i) {
        ASSERT_EQ(object.selectPath(here.c_str()), 0);
        ASSERT_EQ(object.selectPath(("[" + std::to_string(i) + "]").c_str()), 0) << doc;
        compareElement(object, reference, next, doc);
    }
}

// Reads the document in UTF-8, as expat does, and compares every element with expat's reading.
void expectReadAsExpatReads(const std::string& doc) {
    ExpatDocument reference;
    ASSERT_TRUE(parseWithExpat(doc, reference)) << doc;
    XmlObject object;
    object.setBuildDOM(true);
    object.parser.CodePage = CP_UTF8;
    ASSERT_EQ(object.parse(doc.c_str()), 0) << doc;
    ASSERT_EQ(object.selectPath("/"), 0);
    std::size_t next = 0;
    compareElement(object, reference, next, doc);
    EXPECT_EQ(next, reference.elements.size()) << doc;
}
}  // namespace

CORE_TEST(XmlObject, DocumentsReadAsExpatReadsThem) {
    AnswerGenerator generator(1125);
    for (int i = 0; i < 400; ++i) expectReadAsExpatReads(generator.document());
}

// Every character XML allows, at the edges of its ranges, and the ones it does not: a document
// either reads as expat reads it or fails where expat fails.
CORE_TEST(XmlObject, CharacterReferencesAsExpatReadsThem) {
    const std::string allowed[] = {
        "<a>Jos&#233;</a>",
        "<a>&#8364;=&#x20AC;=&#x20ac;</a>",
        "<a>x&#x9;y&#10;z&#xD;w&#32;v</a>",
        "<a>&#x7F;&#x80;&#x9F;&#xD7FF;&#xE000;&#xFFFD;&#x10000;&#x10FFFF;</a>",
        "<a>&#0065;&#x0041;&#000000000000000000000000233;</a>",
        "<a v='&#xE9;&#233;' w=\"&#x1F600;\"><b u='&#60;&#x3E;'>&#38;amp;</b></a>",
    };
    const std::string refused[] = {
        "<a>&#0;</a>",        "<a>&#x1;</a>",      "<a>&#xB;</a>",       "<a>&#12;</a>",
        "<a>&#27;</a>",       "<a>&#x1F;</a>",     "<a>&#xD800;</a>",    "<a>&#xDFFF;</a>",
        "<a>&#xFFFE;</a>",    "<a>&#65535;</a>",   "<a>&#x110000;</a>",  "<a>&#99999999999999999999;</a>",
        "<a>&#xFFFFFFFF41;</a>", "<a v='&#xB;'/>", "<a v=\"x&#0;\"/>",
    };
    for (const std::string& doc : allowed) expectReadAsExpatReads(doc);
    for (const std::string& doc : refused) {
        ExpatDocument reference;
        EXPECT_FALSE(parseWithExpat(doc, reference)) << doc;
        XmlObject object;
        object.setBuildDOM(true);
        object.parser.CodePage = CP_UTF8;
        EXPECT_EQ(object.parse(doc.c_str()), 204) << doc;
        EXPECT_STREQ(object.lastError.data(), "Invalid XML markup.") << doc;
    }
}

// Outside UTF-8 a reference becomes the code page's byte, or "?" where it has none.
CORE_TEST(XmlObject, CharacterReferencesInTheCodePage) {
    const struct {
        int codePage;
        const char* doc;
        const char* text;
    } cases[] = {
        {1252, "<a>&#233;&#xE9;&#8364;&#x201C;</a>", "\xE9\xE9\x80\x93"},
        {1252, "<a>&#x416;&#x1F600;&#x65E5;</a>", "???"},
        {0, "<a>&#233;&#x416;</a>", "\xE9?"},
        {932, "<a>&#x65E5;&#x672C;&#xFF71;</a>", "\x93\xFA\x96\x7B\xB1"},
        {932, "<a>&#x20AC;&#x1F600;</a>", "??"},
    };
    for (const auto& c : cases) {
        XmlObject object;
        object.setBuildDOM(true);
        object.parser.CodePage = c.codePage;
        ASSERT_EQ(object.parse(c.doc), 0) << c.doc;
        ASSERT_EQ(object.selectPath("/a"), 0);
        EXPECT_STREQ(object.elementText(), c.text) << c.codePage << " " << c.doc;
    }
}
