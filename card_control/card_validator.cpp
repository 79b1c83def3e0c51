#include "card_control/card_validator.h"

#include "payment_core/text_utils.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

namespace card_control {

using payment_core::parseInt;

namespace {

constexpr const char* MonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};

// Leading digits of the number, by its length; prefixes of one entry have equal length and bound a range.
struct CardPrefixRange {
    int length;
    const char* first;
    const char* last;
    TCardType type;
};

constexpr CardPrefixRange CardPrefixes[] = {
    {13, "4", "4", ccVisa},
    {14, "300", "305", ccDiners},
    {14, "36", "36", ccDiners},
    {14, "38", "38", ccDiners},
    {15, "34", "34", ccAMEX},
    {15, "37", "37", ccAMEX},
    {15, "2131", "2131", ccJCB},
    {15, "1800", "1800", ccJCB},
    {16, "3", "3", ccJCB},
    {16, "4", "4", ccVisa},
    {16, "2221", "2720", ccMasterCard},
    {16, "50", "55", ccMasterCard},
    {16, "56", "56", ccBankCard},
    {16, "6011", "6011", ccDiscover},
    {16, "644", "649", ccDiscover},
    {16, "65", "65", ccDiscover},
};

int storeTwoDigits(payment_core::InlineString20& target, int value) {
    char buffer[16];
    int n = std::snprintf(buffer, sizeof buffer, "%.2i", value);
    return target.assign(static_cast<std::size_t>(n), buffer);
}

}  // namespace

UtcYearMonth systemUtcYearMonth() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return {utc.tm_year + 1900, utc.tm_mon + 1};
}

CardValidator::CardValidator() { reset(); }

void CardValidator::reset() {
    month_.assignCString("01");
    year_.assignCString("00");
    number_.reset();
    luhnValid_ = false;
    notExpired_ = false;
    cardType_ = ccUnknown;
}

int CardValidator::fail(int code, const char* text) {
    setLastError(text);
    return code;
}

int CardValidator::setNumber(const char* text) {
    payment_core::InlineString99 digits;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == ' ' || *p == '-') continue;
        if (*p < '0' || *p > '9') return fail(502, "Invalid format (must be digits).");
        if (int rc = digits.appendChar(*p)) return rc;
    }
    return number_.assign(static_cast<std::size_t>(digits.length()), digits.data());
}

int CardValidator::setExpMonth(const char* text) {
    const char* t = text ? text : "";
    int month = 0;
    if (std::strlen(t) < 3) {
        month = parseInt(t);
    } else {
        for (int i = 0; i < 12; ++i)
            if (std::strcmp(t, MonthNames[i]) == 0) month = i + 1;
    }
    if (month < 1 || month > 12) return fail(503, "Out of range (CardExpMonth must be between 01 and 12).");
    return storeTwoDigits(month_, month);
}

int CardValidator::setExpYear(const char* text) {
    const char* t = text ? text : "";
    if (std::strlen(t) == 4) {
        int full = parseInt(t);
        if (full < 2000 || full > 2099) return fail(503, "Out of range (CardExpYear must be between 2000 and 2099).");
        t += 2;
    }
    int year = parseInt(t);
    if (year < 0 || year > 99) return fail(503, "Out of range (CardExpYear must be between 00 and 99).");
    return storeTwoDigits(year_, year);
}

int CardValidator::luhnCheck(const char* digits) {
    std::string_view number = digits ? digits : "";
    int sum = 0;
    bool doubled = false;
    for (auto it = number.rbegin(); it != number.rend(); ++it, doubled = !doubled) {
        if (*it < '0' || *it > '9') return fail(504, "Luhn digit check failed.");
        int digit = *it - '0';
        if (doubled) digit = digit > 4 ? digit * 2 - 9 : digit * 2;
        sum += digit;
    }
    if (sum % 10 != 0) return fail(504, "Luhn digit check failed.");
    return 0;
}

int CardValidator::checkExpiry(int month, int year) {
    UtcYearMonth today = dateSource_();
    int currentYear = today.year % 100;
    if (year < currentYear || (year == currentYear && month < today.month)) return fail(506, "Card Expired.");
    return 0;
}

TCardType CardValidator::cardTypeOf(const char* digits) {
    std::string_view number = digits ? digits : "";
    for (const CardPrefixRange& range : CardPrefixes) {
        if (static_cast<int>(number.size()) != range.length) continue;
        std::string_view lead = number.substr(0, std::strlen(range.first));
        if (lead >= range.first && lead <= range.last) return range.type;
    }
    return ccUnknown;
}

void CardValidator::evaluate() {
    luhnValid_ = luhnCheck(number_.data()) == 0;
    notExpired_ = checkExpiry(parseInt(month_.data()), parseInt(year_.data())) == 0;
    cardType_ = cardTypeOf(number_.data());
}

int CardValidator::preAuthorize(const char* number, const char* month, const char* year) {
    if (int rc = setNumber(number)) return rc;
    if (int rc = setExpMonth(month)) return rc;
    if (int rc = setExpYear(year)) return rc;
    evaluate();
    if (!luhnValid_) return fail(504, "Luhn Digit Check failed");
    if (!notExpired_) return fail(506, "Card Expired.");
    if (cardType_ == ccUnknown) return fail(507, "Card type unknown.");
    return 0;
}

}  // namespace card_control
