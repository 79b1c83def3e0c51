#include "time_display_model.h"

#include <algorithm>

namespace sondrel {

bool TimeDisplayModel::setTime(long long millisec) {
    if (millisec < 0) return false;
    std::fill(std::begin(digits_), std::end(digits_), 0);
    digits_[Tenths] = static_cast<LONG>(millisec / 100 % 10);
    long long s = millisec / 1000;
    if (s > 0) {
        setPair(SecondsTens, static_cast<LONG>(s % 60));
        long long m = s / 60;
        if (m > 0) {
            setPair(MinutesTens, static_cast<LONG>(m % 60));
            long long h = m / 60;
            if (h > 0) {
                // The tens are not reduced: from 100 hours on they show blank.
                digits_[HoursUnits] = static_cast<LONG>(h % 10);
                digits_[HoursTens] = static_cast<LONG>(h / 10);
            }
        }
    }
    return true;
}

void TimeDisplayModel::setPair(Digit tens, LONG v) {
    digits_[tens] = v / 10;
    digits_[tens + 1] = v % 10;
}

bool TimeDisplayModel::putHours(LONG v) {
    digits_[HoursUnits] = v % 10;
    digits_[HoursTens] = v / 10 % 10;
    return true;
}

bool TimeDisplayModel::putMinutes(LONG v) {
    if (v < 0) return false;
    if (v >= 60) return setTime(static_cast<long long>(v) * 60000);
    setPair(MinutesTens, v);
    return true;
}

bool TimeDisplayModel::putSeconds(LONG v) {
    if (v < 0) return false;
    if (v >= 60) return setTime(static_cast<long long>(v) * 1000);
    setPair(SecondsTens, v);
    return true;
}

bool TimeDisplayModel::putMilliseconds(LONG v) {
    if (v < 0) return false;
    if (v >= 1000) return setTime(v);
    digits_[Tenths] = v / 100;
    return true;
}

bool TimeDisplayModel::putShowHours(VARIANT_BOOL v) {
    if (!showMinutes_ && showSeconds_) return false;
    showHours_ = v;
    return true;
}

bool TimeDisplayModel::putShowMinutes(VARIANT_BOOL v) {
    if (!v) {
        if (!showSeconds_) return false;
        showHours_ = VARIANT_FALSE;
    }
    showMinutes_ = v;
    return true;
}

bool TimeDisplayModel::putShowSeconds(VARIANT_BOOL v) {
    if (!v) {
        if (!showMinutes_) return false;
        showMilliseconds_ = VARIANT_FALSE;
    }
    showSeconds_ = v;
    return true;
}

bool TimeDisplayModel::putShowMilliseconds(VARIANT_BOOL v) {
    if (!showSeconds_) return false;
    showMilliseconds_ = v;
    return true;
}

bool TimeDisplayModel::putBorderType(LONG v) {
    if (v >= 0 && v <= 3) borderType_ = v;
    return true;
}

bool TimeDisplayModel::putDigitStyle(LONG v) {
    if (v < 0 || v > 2) return false;
    digitStyle_ = v;
    return true;
}

int TimeDisplayModel::cellCount() const {
    return 2 * ((showHours_ ? 1 : 0) + (showMinutes_ ? 1 : 0) + (showSeconds_ ? 1 : 0)) +
           (showMilliseconds_ ? 1 : 0);
}

PixelSize TimeDisplayModel::minimumSize() const { return {12 * cellCount(), showInscriptions ? 30 : 22}; }

PixelSize TimeDisplayModel::adjustSize(PixelSize offered) const {
    PixelSize min = minimumSize();
    return {std::max(offered.cx, min.cx), std::max(offered.cy, min.cy)};
}

}  // namespace sondrel
