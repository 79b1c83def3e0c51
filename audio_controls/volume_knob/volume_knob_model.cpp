#include "volume_knob/volume_knob_model.h"

#include "helpers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace sondrel {

namespace {

LONG clampLong(long long v) {
    return static_cast<LONG>(
        std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

VolumeKnobModel::VolumeKnobModel(COLORREF buttonFace)
    : startPos(4 * std::numbers::pi / 3), color(argbFromColor(buttonFace)), backColor(color) {}

LONG VolumeKnobModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

KnobEffects VolumeKnobModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed_ != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{KnobEffect::Redraw}};
}

KnobEffects VolumeKnobModel::putMax(LONG v) {
    max_ = v < min_ ? clampLong(static_cast<long long>(min_) + 1) : v;
    shown_ = std::min(shown_, max_);
    target_ = clamp(target_);  // a glide under way stays within the range
    return {{KnobEffect::Redraw}};
}

KnobEffects VolumeKnobModel::putMin(LONG v) {
    min_ = v > max_ ? clampLong(static_cast<long long>(max_) - 1) : v;
    shown_ = std::max(shown_, min_);
    target_ = clamp(target_);
    return {{KnobEffect::Redraw}};
}

const char* VolumeKnobModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "VolumeButtonVer01 must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

const char* VolumeKnobModel::putIndColor(LONG v) {
    if (v < 0 || v >= kLamps) return "VolumeButtonVer01 must have between 0 and 11 IndColors";
    indColor_ = lampShown_ = v;
    return nullptr;
}

KnobEffects VolumeKnobModel::putFlat(VARIANT_BOOL v) {
    if (v == flat_) return {};
    flat_ = v;
    flatLook_ = v != 0;
    return {{KnobEffect::Redraw}};
}

bool VolumeKnobModel::putBorderType(LONG v) {
    if (v == borderType_) return false;
    borderType_ = v;
    return true;
}

KnobEffects VolumeKnobModel::mouseDown(int x, int y) {
    if (!enabled) return {};
    if (!insideCircle(x - centre(), y - centre(), 46)) return {{KnobEffect::FireMouseDown, 0}};
    pressed_ = true;
    KnobEffects effects{{KnobEffect::FireMouseDown, 1}, {KnobEffect::Capture}};
    KnobEffects moved = mouseMove(x, y);
    effects.insert(effects.end(), moved.begin(), moved.end());
    return effects;
}

KnobEffects VolumeKnobModel::mouseMove(int x, int y) {
    if (!pressed_) return {};
    double a = pointerAngle(x, y, centre(), centre());
    if (a >= startPos) a -= 2 * std::numbers::pi;
    double s = startPos - a;  // the clockwise sweep from the Min position
    if (s > 5.759581666666667) s = 0;  // past 330 degrees: back at Min
    else if (s > kSweep) s = kSweep;
    const double range = static_cast<double>(max_) - min_;
    target_ = clamp(static_cast<long long>(range * s * 0.19098548510313218 + min_));
    if (target_ != shown_) animating_ = true;
    return {};
}

KnobEffects VolumeKnobModel::mouseUp() {
    KnobEffects effects{{KnobEffect::FireMouseClick, pressed_ ? 1 : 0}, {KnobEffect::FireMouseUp}};
    flatLook_ = false;
    pressed_ = false;
    animating_ = false;
    effects.push_back({KnobEffect::Redraw});
    effects.push_back({KnobEffect::ReleaseCapture});
    return effects;
}

KnobEffects VolumeKnobModel::tick(bool inPlaceActive, int x, int y, DWORD nowMs) {
    if (!inPlaceActive) return {};
    KnobEffects effects;
    bool redraw = false;

    const bool outside = !insideCircle(x - centre(), y - centre(), centre());
    const bool look = outside ? flat_ && !pressed_ : flat_ && !enabled;
    if (look != flatLook_) {
        flatLook_ = look;
        redraw = true;
    }

    LONG lamp = indColor_;
    if (pressed_ && indColor_ % 2 == 1) {
        lamp = lampShown_;
        if (nowMs - lastBlink_ >= 171) {
            lamp = lampShown_ == indColor_ ? indColor_ - 1 : indColor_;
            lastBlink_ = nowMs;
        }
    }
    if (lamp != lampShown_) {
        lampShown_ = lamp;
        redraw = true;
    }

    if (!animating_) {
        if (redraw) effects.push_back({KnobEffect::Redraw});
        return effects;
    }
    const double step = (static_cast<double>(max_) - min_) * speed_ * 0.01;
    const double d = std::fabs(static_cast<double>(target_) - shown_);
    if (step > d || speed_ == 0) {
        shown_ = target_;
        effects.push_back({KnobEffect::FireValueChange, target_});
    }
    if (shown_ == target_) {
        animating_ = false;
        effects.push_back({KnobEffect::Redraw});
        return effects;
    }
    const double moved = target_ > shown_ ? shown_ + step : shown_ - step;
    LONG next = static_cast<LONG>(moved);
    // A step below one unit would truncate back to where it started and the glide would never
    // arrive; it moves one unit instead.
    if (next == shown_) next = target_ > shown_ ? shown_ + 1 : shown_ - 1;
    shown_ = next;
    effects.push_back({KnobEffect::FireValueChange, shown_});
    effects.push_back({KnobEffect::Redraw});
    return effects;
}

double VolumeKnobModel::lampAngle() const {
    const double range = static_cast<double>(max_) - min_;
    if (range == 0) return startPos;
    return startPos - (static_cast<double>(shown_) - min_) * kSweep / range;
}

}  // namespace sondrel
