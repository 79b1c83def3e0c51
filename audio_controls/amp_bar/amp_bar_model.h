#pragma once
// What the level bar does, apart from how it looks: its range, the value it glides toward, and
// the settings of its look.

#include "com/oleauto.h"
#include "gdiplus_support.h"

namespace sondrel {

class AmpBarModel {
public:
    static constexpr DWORD kTimerInterval = 20;

    // Returns whether the bar must be drawn now; while active with a speed the timer moves it.
    bool putValue(LONG v, bool inPlaceActive);
    // Min stays below Max: a Min at or above Max stores Max - 1, a Max at or below Min stores
    // Min + 1. The value follows into the new range.
    void putMin(LONG v);
    void putMax(LONG v);
    // Returns whether the style changed.
    bool putStyle(LONG v);
    // A range error answers its message and changes nothing.
    const char* putSpeed(double v);
    const char* putBorderType(LONG v);
    const char* putOrientation(LONG v);
    // One animation step; returns whether the bar must be drawn.
    bool tick();

    LONG value() const { return static_cast<LONG>(current_); }
    double current() const { return current_; }
    LONG target() const { return target_; }
    bool animating() const { return animating_; }
    LONG min() const { return min_; }
    LONG max() const { return max_; }
    LONG style() const { return style_; }
    double speed() const { return speed_; }
    LONG borderType() const { return borderType_; }
    LONG orientation() const { return orientation_; }

    // Stored as put; the drawing keeps them in bounds.
    LONG tickInterval = 1;
    LONG tickWidth = 2;
    LONG pickWidthPercent = 25;

    ARGB tickColor = 0xFF00FF00;
    ARGB pickColor = 0xFFFF0000;
    ARGB backColor = 0xFFE1E1E1;
    ARGB tickBackColor = 0xFF9D9D9D;
    ARGB borderColor = 0xFF000000;

private:
    LONG clamp(LONG v) const { return v < min_ ? min_ : v > max_ ? max_ : v; }

    double speed_ = 4.0;
    double current_ = 100.0;
    LONG target_ = 100;
    bool animating_ = false;
    LONG orientation_ = 0;
    LONG borderType_ = 2;
    LONG style_ = 1;
    LONG max_ = 100;
    LONG min_ = 0;
};

}  // namespace sondrel
