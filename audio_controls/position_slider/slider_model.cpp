#include "slider_model.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

LONG SliderModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

SliderEffects SliderModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed_ != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{SliderEffect::Redraw}};
}

SliderEffects SliderModel::putMax(LONG v) {
    // Min < Max holds throughout, so Min + 1 and Max - 1 are always in range.
    max_ = v <= min_ ? min_ + 1 : v;
    if (shown_ > max_) shown_ = max_;
    target_ = clamp(target_);
    return {{SliderEffect::Redraw}};
}

SliderEffects SliderModel::putMin(LONG v) {
    min_ = v >= max_ ? max_ - 1 : v;
    if (shown_ < min_) shown_ = min_;
    target_ = clamp(target_);
    return {{SliderEffect::Redraw}};
}

const char* SliderModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "SliderVer01 must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

const char* SliderModel::putBorderType(LONG v) {
    if (v < 0 || v > 3) return "SliderVer01 must have BorderType value between 0 and 3";
    borderType_ = v;
    return nullptr;
}

const char* SliderModel::putOrientation(LONG v, PixelSize current, PixelSize* resize) {
    if (v != 0 && v != 1) return "SliderVer01 must have Orientation value 0 or 1";
    if (v == orientation_) return nullptr;
    orientation_ = v;
    LONG longer = std::max(current.cx, current.cy);
    if (resize) *resize = v == 0 ? PixelSize{longer, 15} : PixelSize{15, longer};
    return nullptr;
}

LONG SliderModel::valueAt(int x, int y, PixelSize size) const {
    long long range = static_cast<long long>(max_) - min_;
    if (orientation_ == 0) {
        long long travel = size.cx - 13;
        if (travel <= 0) return min_;
        return clamp(min_ + (static_cast<long long>(x) - 6) * range / travel);
    }
    long long travel = size.cy - 13;
    if (travel <= 0) return min_;
    return clamp(max_ - (static_cast<long long>(y) - 6) * range / travel);
}

int SliderModel::thumbPosition(PixelSize size) const {
    long long travel = (orientation_ == 0 ? size.cx : size.cy) - 14;
    long long range = static_cast<long long>(max_) - min_;
    if (travel <= 0 || range <= 0) return 0;
    auto offset = static_cast<long long>((shown_ - min_) * static_cast<double>(travel));
    return static_cast<int>(offset / range);
}

PixelSize SliderModel::adjustSize(PixelSize offered) const {
    if (orientation_ == 0) return {std::max<LONG>(offered.cx, 32), 15};
    return {15, std::max<LONG>(offered.cy, 32)};
}

SliderEffects SliderModel::mouseDown() {
    if (!enabled) return {};
    dragging_ = true;
    return {{SliderEffect::Capture}, {SliderEffect::FireMouseDown}};
}

void SliderModel::mouseMove(int x, int y, PixelSize size) {
    if (!dragging_) return;
    target_ = valueAt(x, y, size);
    animating_ = true;
}

SliderEffects SliderModel::mouseUp() {
    dragging_ = false;
    animating_ = false;
    return {{SliderEffect::Redraw}, {SliderEffect::FireMouseUp}, {SliderEffect::ReleaseCapture}};
}

SliderEffects SliderModel::tick(bool inPlaceActive) {
    if (!inPlaceActive || !animating_) return {};
    SliderEffects effects;
    double step = (static_cast<double>(max_) - min_) * speed_ * 0.01;
    double d = std::fabs(target_ - shown_);
    if (step > d || speed_ == 0) {
        shown_ = target_;
        effects.push_back({SliderEffect::FireValueChange, target_});
    }
    if (shown_ == target_) {
        animating_ = false;
        effects.push_back({SliderEffect::Redraw});
        return effects;
    }
    shown_ += target_ > shown_ ? step : -step;
    effects.push_back({SliderEffect::FireValueChange, static_cast<LONG>(shown_)});
    effects.push_back({SliderEffect::Redraw});
    return effects;
}

}  // namespace sondrel
