#include "card_control/answer_reading.h"
#include "card_control/html_form_scraper.h"

#include "payment_core/text_utils.h"
#include "payment_core/xml_object.h"

#include <cstdio>
#include <string>

namespace card_control::answer {

namespace {

using payment_core::XmlObject;

const char* textOf(const payment_core::InlineString99& s) { return s.data(); }

void prepare(const Parse& p, XmlObject& xml) {
    xml.setBuildDOM(true);
    xml.parser.CodePage = p.input.codePage;
}

int parseDocument(Parse& p, XmlObject& xml, const std::string& text) {
    prepare(p, xml);
    if (int rc = xml.parse(text.c_str())) return p.fail(rc, textOf(xml.lastError));
    return 0;
}

bool select(XmlObject& xml, const std::string& path) { return xml.selectPath(path.c_str()) == 0; }

// Each slot's key below the prefix; a path the answer lacks leaves its field alone.
int readByPath(Parse& p, XmlObject& xml, const std::string& prefix) {
    for (int slot = 0; slot < ResponseSlotCount; ++slot) {
        const char* key = p.row.answerKeys[slot];
        if (isNullKey(key) || !select(xml, prefix + key)) continue;
        if (int rc = p.parser.setResponseField(slot, xml.elementText())) return rc;
    }
    return 0;
}

}  // namespace

int parsePayFuse(Parse& p, std::string_view body) {
    XmlObject xml;
    int rc = parseDocument(p, xml, std::string(body));
    if (rc || (rc = readByPath(p, xml, ""))) return rc;
    if (select(xml, "/EngineDocList/EngineDoc/MessageList/Message/Text"))
        return p.store(ResponseSlot::ResponseText, xml.elementText());
    return 0;
}

int parseLinkPoint(Parse& p, std::string_view body) {
    XmlObject xml;
    int rc = parseDocument(p, xml, "<root>" + std::string(body) + "</root>");
    if (rc || (rc = readByPath(p, xml, "/root/"))) return rc;
    // The address result's fourth character is the security-code result.
    std::string_view avs = p.field(ResponseSlot::ResponseCVV2);
    return p.store(ResponseSlot::ResponseCVV2, avs.size() < 4 ? std::string_view() : avs.substr(3, 1));
}

int parseOrbital(Parse& p, std::string_view body) {
    XmlObject xml;
    if (int rc = parseDocument(p, xml, std::string(body))) return rc;
    if (!select(xml, "/Response/QuickResponse")) {
        bool followUp = p.input.transactionType == ttVoid || p.input.transactionType == ttCredit;
        return readByPath(
            p, xml, followUp ? "/Response/[1]" : "/Response/ACResponse/CommonDataResponse/CommonMandatoryResponse");
    }
    if (int rc = xml.selectPath("/Response/QuickResponse/ProcStatus"))
        return p.fail(rc, "Unable to find ProcStatus in QuickResponse.");
    std::string code = std::string("Orbital Server Error: ") + xml.elementText();
    if (int rc = p.store(ResponseSlot::ResponseCode, code)) return rc;
    if (select(xml, "/Response/QuickResponse/StatusMsg")) return p.store(ResponseSlot::ResponseText, xml.elementText());
    return 0;
}

int parseEcho(Parse& p, std::string_view body) {
    std::size_t open = body.find("<ECHOTYPE1>");
    std::size_t close = open == std::string_view::npos ? open : body.find("</ECHOTYPE1>", open);
    if (close != std::string_view::npos) {
        std::size_t start = open + std::strlen("<ECHOTYPE1>");
        if (int rc = p.store(ResponseSlot::ResponseText, body.substr(start, close - start))) return rc;
    }
    std::size_t blockStart = body.find("<ECHOTYPE3>");
    if (blockStart == std::string_view::npos) return 0;
    // Without its end tag the block runs to the end of the body, and the parse reports what is missing.
    std::size_t blockEnd = body.find("</ECHOTYPE3>", blockStart);
    blockEnd = blockEnd == std::string_view::npos ? body.size() : blockEnd + std::strlen("</ECHOTYPE3>");
    XmlObject xml;
    if (int rc = parseDocument(p, xml, std::string(body.substr(blockStart, blockEnd - blockStart)))) return rc;
    if (int rc = xml.selectPath("/ECHOTYPE3")) return p.fail(rc, textOf(xml.lastError));
    int children = xml.childCount();
    for (int i = 1; i <= children; ++i) {
        char path[32];
        std::snprintf(path, sizeof path, "/ECHOTYPE3/[%i]", i);
        if (int rc = xml.selectPath(path)) return p.fail(rc, textOf(xml.lastError));
        payment_core::InlineString99 name;
        if (int rc = xml.qualifiedName(name)) return rc;
        for (int slot = 0; slot < ResponseSlotCount; ++slot) {
            const char* key = p.row.answerKeys[slot];
            if (isNullKey(key) || !name.equals(key)) continue;
            if (int rc = p.parser.setResponseField(slot, xml.elementText())) return rc;
        }
    }
    return 0;
}

// The attributes become pairs directly, so a value holding "&" or a line feed stays whole.
int parseOgone(Parse& p, std::string_view body) {
    XmlObject xml;
    prepare(p, xml);
    std::string text(body);
    if (xml.parse(text.c_str()) || xml.selectPath("/ogone/ncresponse"))
        return p.fail(InvalidXmlAnswer, "Unable to parse response: Invalid XML");
    NameValuePairs pairs;
    for (int i = 1; i <= xml.attributeCount(); ++i) {
        const char* name = "";
        const char* value = "";
        if (int rc = xml.attributeName(i, &name)) return p.fail(rc, textOf(xml.lastError));
        if (int rc = xml.attributeValue(i, &value)) return p.fail(rc, textOf(xml.lastError));
        pairs.names.emplace_back(name);
        pairs.values.emplace_back(value);
    }
    return p.storeByName(pairs);
}

int parseHtmlForm(Parse& p, std::string_view body) {
    HtmlFormScraper scraper;
    std::string text(body);
    if (int rc = scraper.read(text.c_str())) return p.fail(rc, textOf(scraper.lastError));
    if (int rc = p.storeByName({scraper.names, scraper.values})) return rc;
    if (p.field(ResponseSlot::ResponseText).empty() && !scraper.collectedText.empty())
        return p.store(ResponseSlot::ResponseText, scraper.collectedText);
    return 0;
}

}  // namespace card_control::answer
