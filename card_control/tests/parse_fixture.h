#pragma once
// Parses canned answer bodies the way the engine does and compares the seven fields.

#include "card_control/response_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace card_control::testing_support {

using Expected = std::array<const char*, ResponseSlotCount>;  // null: the field stays empty

struct Answer {
    int gateway;
    std::string body;
    int rc;
    Expected fields;
};

// The special fields as selecting the gateway leaves them: the row's fixed pairs.
struct SpecialFields {
    explicit SpecialFields(int gateway) {
        for (int i = 0; i < GatewayTable::row(gateway).pairCount; ++i) {
            FixedPair pair = GatewayTable::fixedPair(gateway, i);
            names.add(pair.name);
            values.add(pair.value);
        }
    }
    payment_core::StringList names;
    payment_core::StringList values;
};

inline std::string text(const payment_core::InlineString99& s) {
    return {s.data(), static_cast<std::size_t>(s.length())};
}

class CardAnswers : public ::testing::Test {
protected:
    int parse(int gateway, const std::string& body, ParseInput input = {}) {
        SpecialFields special(gateway);
        input.gateway = gateway;
        if (!input.specialNames) {
            input.specialNames = &special.names;
            input.specialValues = &special.values;
        }
        parser.clearResponseFields();
        return parser.ParseResponse(input, body.data(), body.size());
    }

    void expectFields(const Expected& expected) {
        for (int slot = 0; slot < ResponseSlotCount; ++slot)
            EXPECT_EQ(parser.field(static_cast<ResponseSlot>(slot)),
                      std::string_view(expected[slot] ? expected[slot] : ""))
                << "slot " << slot;
    }

    void checkAnswers(const std::vector<Answer>& answers) {
        for (const Answer& a : answers) {
            SCOPED_TRACE(::testing::Message() << "gateway " << a.gateway << ": " << a.body);
            EXPECT_EQ(parse(a.gateway, a.body), a.rc);
            expectFields(a.fields);
        }
    }

    std::string error() const { return text(parser.lastError); }

    ResponseParser parser;
};

}  // namespace card_control::testing_support
