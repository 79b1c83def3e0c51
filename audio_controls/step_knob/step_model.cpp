#include "step_knob/step_model.h"

#include "helpers.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace sondrel {

namespace {

// Min + 1 and Max - 1 at the ends of the long range stay in it.
LONG clampLong(long long v) {
    return static_cast<LONG>(
        std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

StepKnobModel::StepKnobModel(COLORREF buttonFace) : color(argbFromColor(buttonFace)), backColor(color) {}

KnobEffects StepKnobModel::scrollMinus() {
    frame_ = (frame_ + 1) % kFrames;
    return {{KnobEffect::Redraw}};
}

KnobEffects StepKnobModel::scrollPlus() {
    frame_ = (frame_ + kFrames - 1) % kFrames;
    return {{KnobEffect::Redraw}};
}

void StepKnobModel::putMax(LONG v) {
    max_ = v < min_ ? clampLong(static_cast<long long>(min_) + 1) : v;
    if (value_ > max_) value_ = max_;
}

void StepKnobModel::putMin(LONG v) {
    min_ = v > max_ ? clampLong(static_cast<long long>(max_) - 1) : v;
    if (value_ < min_) value_ = min_;
}

const char* StepKnobModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "StepButton must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

bool StepKnobModel::ownsCursor(int x, int y) const {
    return insideCircle(x - kCentre, y - kCentre, kGripRadius) && mousePointer == 1 && enabled;
}

KnobEffects StepKnobModel::mouseDown(int x, int y) {
    if (!enabled) return {};
    if (!insideCircle(x - kCentre, y - kCentre, kGripRadius)) return {{KnobEffect::FireMouseDown, 0}};
    const int a = pointerDegrees(x, y, kCentre, kCentre);
    angleBase_ = a % 45 - frame_ * 5;
    lastAngle_ = a;
    KnobEffects effects{{KnobEffect::FireMouseDown, 1}};
    pressed_ = true;
    effects.push_back({KnobEffect::Capture});
    KnobEffects moved = mouseMove(x, y);
    effects.insert(effects.end(), moved.begin(), moved.end());
    return effects;
}

KnobEffects StepKnobModel::mouseMove(int x, int y) {
    if (!pressed_) return {};
    const int a = pointerDegrees(x, y, kCentre, kCentre);
    int d = a - lastAngle_;
    // Crossing the 0/360 line turns the short way round.
    if (std::abs(d) >= 241) d = Sign(d) * (360 - std::abs(d));
    value_ = std::clamp<double>(value_ - d * speed_, min_, max_);
    KnobEffects effects{{KnobEffect::FireValueChange, static_cast<LONG>(value_)}};
    frame_ = ((a - angleBase_) / 5) % kFrames;
    if (frame_ < 0) frame_ += kFrames;
    if (a != lastAngle_) {
        lastAngle_ = a;
        effects.push_back({KnobEffect::Redraw});
    }
    return effects;
}

KnobEffects StepKnobModel::mouseUp() {
    KnobEffects effects{{KnobEffect::FireMouseClick, pressed_ ? 1 : 0}, {KnobEffect::FireMouseUp}};
    pressed_ = false;
    effects.push_back({KnobEffect::Redraw});
    effects.push_back({KnobEffect::ReleaseCapture});
    return effects;
}

}  // namespace sondrel
