#pragma once
// What the time display holds apart from how it looks: seven digits, the visibility flags and
// their coupling, and its minimum size. Every put answers whether the control must redraw.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "helpers.h"

namespace sondrel {

class TimeDisplayModel {
public:
    enum Digit { HoursTens, HoursUnits, MinutesTens, MinutesUnits, SecondsTens, SecondsUnits, Tenths };

    bool setTime(long long millisec);
    bool putHours(LONG v);
    bool putMinutes(LONG v);
    bool putSeconds(LONG v);
    bool putMilliseconds(LONG v);
    LONG hours() const { return pair(HoursTens); }
    LONG minutes() const { return pair(MinutesTens); }
    LONG seconds() const { return pair(SecondsTens); }
    LONG milliseconds() const { return digits_[Tenths] * 100; }
    LONG digit(Digit d) const { return digits_[d]; }

    bool putShowHours(VARIANT_BOOL v);
    bool putShowMinutes(VARIANT_BOOL v);
    bool putShowSeconds(VARIANT_BOOL v);
    bool putShowMilliseconds(VARIANT_BOOL v);
    VARIANT_BOOL showHours() const { return showHours_; }
    VARIANT_BOOL showMinutes() const { return showMinutes_; }
    VARIANT_BOOL showSeconds() const { return showSeconds_; }
    VARIANT_BOOL showMilliseconds() const { return showMilliseconds_; }

    bool putBorderType(LONG v);
    bool putDigitStyle(LONG v);
    LONG borderType() const { return borderType_; }
    LONG digitStyle() const { return digitStyle_; }

    VARIANT_BOOL showInscriptions = VARIANT_FALSE;
    OLE_COLOR displayColor = 0;
    OLE_COLOR digitColor = 0x00C000;
    OLE_COLOR borderColor = 0xFFFFFF;
    OLE_COLOR inscriptionsColor = 0x00C000;

    // Digit cells of the shown groups.
    int cellCount() const;
    PixelSize minimumSize() const;
    // Enlarges a size to the minimum, never shrinks it.
    PixelSize adjustSize(PixelSize offered) const;

private:
    LONG pair(Digit tens) const { return digits_[tens] * 10 + digits_[tens + 1]; }
    void setPair(Digit tens, LONG v);

    LONG digits_[7] = {};
    // 1, not VARIANT_TRUE: gets answer the stored value.
    VARIANT_BOOL showHours_ = 1;
    VARIANT_BOOL showMinutes_ = 1;
    VARIANT_BOOL showSeconds_ = 1;
    VARIANT_BOOL showMilliseconds_ = 1;
    LONG borderType_ = 0;
    LONG digitStyle_ = 1;
};

}  // namespace sondrel
