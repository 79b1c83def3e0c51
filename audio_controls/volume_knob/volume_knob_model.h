#pragma once
// What the volume knob does, apart from how it looks: the value set by the pointer's angle over
// a 300-degree sweep, the glide of the shown value, the flat look and the blinking lamp, and the
// effects its control carries out.

#include "gdiplus_support.h"
#include "knob_input.h"

namespace sondrel {

class VolumeKnobModel {
public:
    static constexpr DWORD kTimerInterval = 15;
    static constexpr int kLamps = 12;
    static constexpr double kSweep = 5.236;  // 300 degrees

    explicit VolumeKnobModel(COLORREF buttonFace);

    KnobEffects putValue(LONG v, bool inPlaceActive);
    KnobEffects putMax(LONG v);
    KnobEffects putMin(LONG v);
    const char* putSpeed(double v);
    const char* putIndColor(LONG v);
    KnobEffects putFlat(VARIANT_BOOL v);
    // True when the value changed, so that the control takes the size of its border.
    bool putBorderType(LONG v);

    LONG value() const { return shown_; }
    LONG target() const { return target_; }
    LONG max() const { return max_; }
    LONG min() const { return min_; }
    double speed() const { return speed_; }
    LONG indColor() const { return indColor_; }
    LONG lampShown() const { return lampShown_; }
    VARIANT_BOOL flat() const { return flat_; }
    LONG borderType() const { return borderType_; }
    bool flatLook() const { return flatLook_; }
    bool pressed() const { return pressed_; }
    bool animating() const { return animating_; }
    // The control's side and the knob's centre on both axes.
    int side() const { return borderType_ > 0 ? 121 : 100; }
    int centre() const { return borderType_ > 0 ? 60 : 50; }

    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG mousePointer = 1;
    double startPos;
    ARGB color;
    ARGB backColor;

    // Mouse, in client pixels.
    KnobEffects mouseDown(int x, int y);
    KnobEffects mouseMove(int x, int y);
    KnobEffects mouseUp();
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // One animation step with the pointer at (x, y) and the clock in milliseconds.
    KnobEffects tick(bool inPlaceActive, int x, int y, DWORD nowMs);

    // The lamp's angle on the rim for the shown value.
    double lampAngle() const;

private:
    LONG clamp(long long v) const;

    LONG shown_ = 0;
    LONG target_ = 0;
    LONG max_ = 1000;
    LONG min_ = 0;
    double speed_ = 3.0;
    LONG indColor_ = 0;
    LONG lampShown_ = 0;
    DWORD lastBlink_ = 0;
    VARIANT_BOOL flat_ = VARIANT_FALSE;
    LONG borderType_ = 0;
    bool flatLook_ = false;
    bool pressed_ = false;
    bool animating_ = false;
};

}  // namespace sondrel
