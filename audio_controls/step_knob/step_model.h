#pragma once
// What the rotary step knob does, apart from how it looks: the value turned by the pointer's
// angle, the picture frame that follows the angle, and the effects its control carries out.

#include "gdiplus_support.h"
#include "knob_input.h"

namespace sondrel {

class StepKnobModel {
public:
    static constexpr int kFrames = 9;
    static constexpr int kSize = 100;
    static constexpr int kCentre = 50;
    static constexpr int kGripRadius = 46;

    explicit StepKnobModel(COLORREF buttonFace);

    KnobEffects scrollMinus();
    KnobEffects scrollPlus();
    void putValue(LONG v) { value_ = v; }
    void putMax(LONG v);
    void putMin(LONG v);
    const char* putSpeed(double v);

    LONG value() const { return static_cast<LONG>(value_); }
    LONG max() const { return max_; }
    LONG min() const { return min_; }
    double speed() const { return speed_; }
    int frame() const { return frame_; }
    bool pressed() const { return pressed_; }

    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG mousePointer = 1;
    ARGB color;
    ARGB backColor;

    // Mouse, in client pixels.
    KnobEffects mouseDown(int x, int y);
    KnobEffects mouseMove(int x, int y);
    KnobEffects mouseUp();
    // Whether the pointer at (x, y) gets the hand.
    bool ownsCursor(int x, int y) const;

private:
    double value_ = 0;
    LONG max_ = 1000;
    LONG min_ = 0;
    double speed_ = 1.0;
    int frame_ = 0;
    bool pressed_ = false;
    int lastAngle_ = 0;
    int angleBase_ = 0;
};

}  // namespace sondrel
