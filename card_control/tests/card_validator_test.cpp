#include "card_control/card_validator.h"

#include <gtest/gtest.h>

#include <string>

using namespace card_control;

namespace {

std::string text(const payment_core::InlineString99& s) { return {s.data(), static_cast<std::size_t>(s.length())}; }
std::string text(const payment_core::InlineString20& s) { return {s.data(), static_cast<std::size_t>(s.length())}; }
std::string lastError(const payment_core::CoreComponent& c) { return text(c.lastError); }

// A fixed "today" for every expiry decision of these tests.
void setToday(CardValidator& v, int year, int month) {
    v.setDateSource([=] { return UtcYearMonth{year, month}; });
}

}  // namespace

TEST(CardValidator, NumberDropsBlanksAndDashesAndRefusesAnythingElse) {
    struct Case {
        const char* input;
        int rc;
        const char* stored;
    } cases[] = {
        {"4111 1111-1111 1111", 0, "4111111111111111"},
        {"  - 12 -- 34 ", 0, "1234"},
        {"", 0, ""},
        {nullptr, 0, ""},
        {"4111x111", 502, "9999"},
        {"4111.1111", 502, "9999"},
        {"+4111", 502, "9999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input ? c.input : "(null)");
        CardValidator v;
        ASSERT_EQ(v.setNumber("9999"), 0);
        EXPECT_EQ(v.setNumber(c.input), c.rc);
        EXPECT_EQ(text(v.number()), c.stored);
        if (c.rc) {
            EXPECT_EQ(lastError(v), "Invalid format (must be digits).");
        }
    }
}

TEST(CardValidator, MonthByNumberOrFullEnglishName) {
    struct Case {
        const char* input;
        const char* stored;  // null: refused with 503
    } cases[] = {
        {"1", "01"},        {"07", "07"},        {"12", "12"},     {"July", "07"},    {"January", "01"},
        {"December", "12"}, {"September", "09"}, {"Jul", nullptr}, {"july", nullptr}, {"JULY", nullptr},
        {"13", nullptr},    {"0", nullptr},      {"-1", nullptr},  {"", nullptr},     {"007", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CardValidator v;
        ASSERT_EQ(v.setExpMonth("05"), 0);
        int rc = v.setExpMonth(c.input);
        if (c.stored) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(text(v.month()), c.stored);
        } else {
            EXPECT_EQ(rc, 503);
            EXPECT_EQ(text(v.month()), "05");
            EXPECT_EQ(lastError(v), "Out of range (CardExpMonth must be between 01 and 12).");
        }
    }
}

TEST(CardValidator, YearInTwoOrFourDigits) {
    const char* fourDigits = "Out of range (CardExpYear must be between 2000 and 2099).";
    const char* twoDigits = "Out of range (CardExpYear must be between 00 and 99).";
    struct Case {
        const char* input;
        const char* stored;
        const char* error;
    } cases[] = {
        {"8", "08", nullptr},          {"08", "08", nullptr},         {"99", "99", nullptr},
        {"0", "00", nullptr},          {"2008", "08", nullptr},       {"2000", "00", nullptr},
        {"2099", "99", nullptr},       {"2150", nullptr, fourDigits}, {"1999", nullptr, fourDigits},
        {"20xx", nullptr, fourDigits}, {"100", nullptr, twoDigits},   {"-1", nullptr, twoDigits},
        {"20008", nullptr, twoDigits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CardValidator v;
        ASSERT_EQ(v.setExpYear("30"), 0);
        int rc = v.setExpYear(c.input);
        if (c.stored) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(text(v.year()), c.stored);
        } else {
            EXPECT_EQ(rc, 503);
            EXPECT_EQ(text(v.year()), "30");
            EXPECT_EQ(lastError(v), c.error);
        }
    }
}

TEST(CardValidator, LuhnDigit) {
    struct Case {
        const char* digits;
        bool valid;
    } cases[] = {
        {"4111111111111111", true},
        {"4111111111111112", false},
        {"79927398713", true},
        {"79927398710", false},
        {"5500000000000004", true},
        {"378282246310005", true},
        {"6011111111111117", true},
        {"", true},
        {"0", true},
        {"18", true},
        {"59", true},
        {"91", true},
        {"19", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        CardValidator v;
        int rc = v.luhnCheck(c.digits);
        EXPECT_EQ(rc, c.valid ? 0 : 504);
        if (!c.valid) {
            EXPECT_EQ(lastError(v), "Luhn digit check failed.");
        }
    }
}

TEST(CardValidator, ExpiryAgainstTodaysUtcMonth) {
    struct Case {
        int month, year;
        bool valid;
    } cases[] = {
        {12, 26, true}, {11, 26, false}, {1, 26, false}, {1, 27, true}, {12, 25, false}, {6, 99, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.month << "/" << c.year);
        CardValidator v;
        setToday(v, 2026, 12);
        EXPECT_EQ(v.checkExpiry(c.month, c.year), c.valid ? 0 : 506);
        if (!c.valid) {
            EXPECT_EQ(lastError(v), "Card Expired.");
        }
    }
}

TEST(CardValidator, SystemDateIsTheDefault) {
    UtcYearMonth today = systemUtcYearMonth();
    EXPECT_GE(today.year, 2024);
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
    CardValidator v;
    EXPECT_EQ(v.checkExpiry(today.month, today.year % 100), 0);
    EXPECT_EQ(v.checkExpiry(today.month, today.year % 100 - 1), 506);
}

TEST(CardValidator, CardTypeByLengthAndPrefix) {
    struct Case {
        const char* digits;
        TCardType type;
    } cases[] = {
        {"4000000000006", ccVisa},
        {"5000000000006", ccUnknown},
        {"30000000000004", ccDiners},
        {"30500000000003", ccDiners},
        {"30600000000000", ccUnknown},
        {"36000000000008", ccDiners},
        {"38000000000006", ccDiners},
        {"37000000000000", ccUnknown},
        {"340000000000009", ccAMEX},
        {"370000000000002", ccAMEX},
        {"213100000000000", ccJCB},
        {"180000000000000", ccJCB},
        {"350000000000000", ccUnknown},
        {"3500000000000000", ccJCB},
        {"4111111111111111", ccVisa},
        {"5000000000000000", ccMasterCard},
        {"5500000000000004", ccMasterCard},
        {"5600000000000000", ccBankCard},
        {"5700000000000000", ccUnknown},
        {"6011000000000000", ccDiscover},
        {"6012000000000000", ccUnknown},
        {"2220999999999999", ccUnknown},
        {"2221000000000000", ccMasterCard},
        {"2720999999999999", ccMasterCard},
        {"2721000000000000", ccUnknown},
        {"222100000000000", ccUnknown},
        {"6439999999999999", ccUnknown},
        {"6440000000000000", ccDiscover},
        {"6499999999999999", ccDiscover},
        {"6500000000000000", ccDiscover},
        {"6599999999999999", ccDiscover},
        {"6600000000000000", ccUnknown},
        {"650000000000000", ccUnknown},
        {"41111111111111111", ccUnknown},
        {"", ccUnknown},
        {"4", ccUnknown},
    };
    for (const Case& c : cases) EXPECT_EQ(CardValidator::cardTypeOf(c.digits), c.type) << c.digits;
}

TEST(CardValidator, EvaluateAndReset) {
    CardValidator v;
    setToday(v, 2026, 12);
    EXPECT_EQ(text(v.month()), "01");
    EXPECT_EQ(text(v.year()), "00");
    ASSERT_EQ(v.setNumber("4111-1111-1111-1111"), 0);
    ASSERT_EQ(v.setExpMonth("12"), 0);
    ASSERT_EQ(v.setExpYear("2026"), 0);
    v.evaluate();
    EXPECT_TRUE(v.luhnValid());
    EXPECT_TRUE(v.notExpired());
    EXPECT_EQ(v.cardType(), ccVisa);
    v.reset();
    EXPECT_EQ(text(v.month()), "01");
    EXPECT_EQ(text(v.year()), "00");
    EXPECT_EQ(text(v.number()), "");
    EXPECT_FALSE(v.luhnValid());
    EXPECT_FALSE(v.notExpired());
    EXPECT_EQ(v.cardType(), ccUnknown);
}

TEST(CardValidator, PreAuthorizeChecksInOrder) {
    struct Case {
        const char* number;
        const char* month;
        const char* year;
        int rc;
        const char* error;
    } cases[] = {
        {"4111 1111 1111 1111", "12", "26", 0, ""},
        {"4111 1111 1111 1111", "11", "26", 506, "Card Expired."},
        {"4111 1111 1111 1112", "11", "26", 504, "Luhn Digit Check failed"},
        {"4111 1111 1111 1112", "12", "26", 504, "Luhn Digit Check failed"},
        {"79927398713", "12", "26", 507, "Card type unknown."},
        {"", "12", "26", 507, "Card type unknown."},
        {"", "11", "26", 506, "Card Expired."},
        {"4111-x", "13", "26", 502, "Invalid format (must be digits)."},
        {"4111111111111111", "13", "26", 503, "Out of range (CardExpMonth must be between 01 and 12)."},
        {"4111111111111111", "12", "2150", 503, "Out of range (CardExpYear must be between 2000 and 2099)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number << " " << c.month << "/" << c.year);
        CardValidator v;
        setToday(v, 2026, 12);
        EXPECT_EQ(v.preAuthorize(c.number, c.month, c.year), c.rc);
        if (c.rc) {
            EXPECT_EQ(lastError(v), c.error);
        }
    }
}
