#pragma once
// An independent reader for what the control sends: iconv reads the bytes in the encoding the
// declaration names, expat decides whether the envelope is well-formed (namespaces included)
// and gives the text each element carries, so that the control's own parser never judges its
// own output.

#include <expat.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "testing/iconv_text.h"

namespace checkout_test {

struct ReadXml {
    bool wellFormed = false;
    std::string error;
    // As the XML declaration names it; "" without one.
    std::string encoding;
    // Element paths of local names ("Envelope/Body/..."), each with the texts of its occurrences.
    std::map<std::string, std::vector<std::string>> texts;

    // The text of the only element with that local name anywhere in the document; "<absent>" or
    // "<repeated>" otherwise.
    std::string only(const std::string& name) const {
        const std::string* found = nullptr;
        int count = 0;
        for (const auto& [path, values] : texts) {
            const std::size_t slash = path.rfind('/');
            if (path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, name) != 0) continue;
            count += static_cast<int>(values.size());
            found = &values.front();
        }
        return count == 0 ? "<absent>" : count > 1 ? "<repeated>" : *found;
    }
    std::vector<std::string> all(const std::string& path) const {
        const auto it = texts.find(path);
        return it == texts.end() ? std::vector<std::string>{} : it->second;
    }
};

inline std::string declaredEncoding(const std::string& document) {
    if (document.rfind("<?xml", 0) != 0) return "";
    const std::size_t end = document.find("?>");
    const std::size_t key = document.find("encoding=\"");
    if (end == std::string::npos || key == std::string::npos || key > end) return "";
    const std::size_t start = key + 10;
    return document.substr(start, document.find('"', start) - start);
}

inline ReadXml readXml(const std::string& bytes) {
    struct State {
        ReadXml out;
        std::vector<std::string> path;
        std::vector<std::string> text;
    } state;
    state.out.encoding = declaredEncoding(bytes);
    std::string document;
    if (!fixtures::iconvConvert("UTF-8", state.out.encoding.empty() ? "UTF-8" : state.out.encoding.c_str(), bytes, document)) {
        state.out.error = "not " + state.out.encoding;
        return state.out;
    }
    // The text is UTF-8 now, whatever the declaration says.
    XML_Parser parser = XML_ParserCreateNS("UTF-8", '|');
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char**) {
            auto* s = static_cast<State*>(data);
            const char* bar = std::strrchr(name, '|');
            s->path.emplace_back(bar ? bar + 1 : name);
            s->text.emplace_back();
        },
        [](void* data, const XML_Char*) {
            auto* s = static_cast<State*>(data);
            std::string joined;
            for (const std::string& part : s->path) joined += (joined.empty() ? "" : "/") + part;
            s->out.texts[joined].push_back(s->text.back());
            s->path.pop_back();
            s->text.pop_back();
        });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* chars, int length) {
        auto* s = static_cast<State*>(data);
        if (!s->text.empty()) s->text.back().append(chars, static_cast<std::size_t>(length));
    });
    state.out.wellFormed = XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    if (!state.out.wellFormed) {
        state.out.error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at byte " +
                          std::to_string(XML_GetCurrentByteIndex(parser));
    }
    XML_ParserFree(parser);
    return state.out;
}

}  // namespace checkout_test
