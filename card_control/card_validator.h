#pragma once
// Local card checks: number clean-up, expiry month and year, Luhn digit, expiry date and card type.

#include "card_control/card_types.h"
#include "payment_core/core_component.h"
#include "payment_core/inline_string.h"

#include <functional>

namespace card_control {

struct UtcYearMonth {
    int year;   // e.g. 2026
    int month;  // 1-12
};

// Where the validator takes today's date from; tests put a fixed date in.
using UtcDateSource = std::function<UtcYearMonth()>;
UtcYearMonth systemUtcYearMonth();

class CardValidator : public payment_core::CoreComponent {
public:
    CardValidator();

    void reset();
    int setNumber(const char* text);
    int setExpMonth(const char* text);
    int setExpYear(const char* text);
    void evaluate();

    int luhnCheck(const char* digits);
    int checkExpiry(int month, int year);
    static TCardType cardTypeOf(const char* digits);

    // The method PreAuthorize: the three setters, then Luhn, expiry and card type, in that order.
    int preAuthorize(const char* number, const char* month, const char* year);

    void setDateSource(UtcDateSource source) { dateSource_ = std::move(source); }

    const payment_core::InlineString99& number() const { return number_; }
    const payment_core::InlineString20& month() const { return month_; }
    const payment_core::InlineString20& year() const { return year_; }
    bool luhnValid() const { return luhnValid_; }
    bool notExpired() const { return notExpired_; }
    TCardType cardType() const { return cardType_; }

private:
    int fail(int code, const char* text);

    payment_core::InlineString20 month_;
    payment_core::InlineString20 year_;
    payment_core::InlineString99 number_;
    bool luhnValid_ = false;
    bool notExpired_ = false;
    TCardType cardType_ = ccUnknown;
    UtcDateSource dateSource_ = systemUtcYearMonth;
};

}  // namespace card_control
