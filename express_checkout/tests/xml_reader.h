#pragma once
// An independent reader for what the control sends: expat decides whether an envelope is
// well-formed (namespaces included) and gives the text each element carries, so that the
// control's own parser never judges its own output.

#include <expat.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace checkout_test {

struct ReadXml {
    bool wellFormed = false;
    std::string error;
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

inline ReadXml readXml(const std::string& document) {
    struct State {
        ReadXml out;
        std::vector<std::string> path;
        std::vector<std::string> text;
    } state;
    XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
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
