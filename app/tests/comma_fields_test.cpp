#include "comma_fields.h"

#include <gtest/gtest.h>

#include "run_error.h"

namespace {

std::vector<std::string> allTexts(const std::string& content) {
    CommaFieldReader reader(content);
    std::vector<std::string> fields;
    while (!reader.atEnd()) fields.push_back(reader.readText());
    return fields;
}

TEST(CommaFields, TextFieldsEndAtCommasAndLineEnds) {
    struct Case {
        std::string content;
        std::vector<std::string> fields;
    } cases[] = {
        {"", {}},
        {"a,b,c", {"a", "b", "c"}},
        {"a,b\r\nc\r\n", {"a", "b", "c"}},
        {"a\nb\rc", {"a", "b", "c"}},
        {"  lead,trail  ,  both  ", {"lead", "trail", "both"}},
        {"\"x,y\",z", {"x,y", "z"}},
        {"\"say \"\"hi\"\"\",next", {"say \"hi\"", "next"}},
        {"\"two\r\nlines\",end", {"two\r\nlines", "end"}},
        {"a,,c", {"a", "", "c"}},
        {"\"q\"junk,after", {"q", "after"}},
    };
    for (const auto& c : cases) EXPECT_EQ(allTexts(c.content), c.fields) << c.content;
}

TEST(CommaFields, NumbersEndAtBlanksAndReadZeroWhenNotANumber) {
    CommaFieldReader reader("12 34,abc,-7,2.5,3.5,\"44\",,99999999999");
    EXPECT_EQ(reader.readNumber(), 12);
    EXPECT_EQ(reader.readNumber(), 34);
    EXPECT_EQ(reader.readNumber(), 0);
    EXPECT_EQ(reader.readNumber(), -7);
    EXPECT_EQ(reader.readNumber(), 2);
    EXPECT_EQ(reader.readNumber(), 4);
    EXPECT_EQ(reader.readNumber(), 44);
    EXPECT_EQ(reader.readNumber(), 0);
    try {
        reader.readNumber();
        FAIL() << "no overflow";
    } catch (const RunError& error) {
        EXPECT_EQ(error.number, 6);
    }
}

TEST(CommaFields, ReadingPastTheLastFieldIsError62) {
    CommaFieldReader reader("only\r\n");
    EXPECT_EQ(reader.readText(), "only");
    EXPECT_TRUE(reader.atEnd());
    try {
        reader.readText();
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_EQ(error.number, 62);
        EXPECT_EQ(error.description(), "Input past end of file");
    }
}

TEST(CommaFields, QuotedFieldsReadBackAsWritten) {
    for (std::string field : {"plain", "", "AT&T, Inc.", "say \"hi\"", " lead", "trail ", "a\r\nb", "\""}) {
        CommaFieldReader reader(quoteFieldWhenNeeded(field) + ",next");
        EXPECT_EQ(reader.readText(), field);
        EXPECT_EQ(reader.readText(), "next");
    }
    EXPECT_EQ(quoteFieldWhenNeeded("Verizon Wireless"), "Verizon Wireless");
    EXPECT_EQ(quoteFieldWhenNeeded("a,b"), "\"a,b\"");
}

}  // namespace
