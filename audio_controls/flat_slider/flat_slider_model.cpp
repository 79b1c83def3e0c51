#include "flat_slider_model.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

using Effect = FlatSliderEffect;

LONG FlatSliderModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

FlatSliderEffects FlatSliderModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{Effect::Redraw}};
}

FlatSliderEffects FlatSliderModel::setValue(LONG v) {
    target_ = clamp(v);
    shown_ = target_;
    // A glide under way would otherwise report the jump at the next tick.
    animating_ = false;
    return {{Effect::Redraw}};
}

FlatSliderEffects FlatSliderModel::putMax(LONG v) {
    // Min < Max holds throughout, so the range never is empty and Min + 1 is always in range.
    max_ = v <= min_ ? min_ + 1 : v;
    if (shown_ > max_) shown_ = max_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

FlatSliderEffects FlatSliderModel::putMin(LONG v) {
    min_ = v >= max_ ? max_ - 1 : v;
    if (shown_ < min_) shown_ = min_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

const char* FlatSliderModel::putOrientation(LONG v, PixelSize current, PixelSize* resize) {
    if (v != 0 && v != 1) return "SliderVer01 must have Orientation value 0 or 1";
    if (v == orientation_) return nullptr;
    orientation_ = v;
    LONG shorter = std::min(current.cx, current.cy), longer = std::max(current.cx, current.cy);
    if (resize) *resize = v == 1 ? PixelSize{shorter, longer} : PixelSize{longer, shorter};
    return nullptr;
}

LONG FlatSliderModel::valueAt(int x, int y, PixelSize size) const {
    const long long range = static_cast<long long>(max_) - min_;
    const long long half = thumbLength / 2;
    const long long travel = static_cast<long long>(vertical() ? size.cy : size.cx) - thumbLength;
    // A thumb as long as the control leaves nowhere to move.
    if (travel <= 0) return min_;
    if (vertical()) return clamp(max_ - (y - half) * range / travel);
    return clamp((x - half) * range / travel + min_);
}

int FlatSliderModel::thumbOffset(PixelSize size) const {
    const long long range = static_cast<long long>(max_) - min_;
    const long long travel =
        vertical() ? static_cast<long long>(size.cy) - thumbLength : static_cast<long long>(size.cx) - thumbLength - 1;
    auto scaled = static_cast<long long>((shown_ - min_) * static_cast<double>(travel));
    return static_cast<int>(scaled / range);
}

PixelSize FlatSliderModel::adjustSize(PixelSize offered) const {
    if (vertical()) return {std::max<LONG>(offered.cx, 4), std::max<LONG>(offered.cy, 32)};
    return {std::max<LONG>(offered.cx, 32), std::max<LONG>(offered.cy, 4)};
}

void FlatSliderModel::track(int x, int y, PixelSize size) {
    if (!dragging_) return;
    target_ = valueAt(x, y, size);
    animating_ = true;
}

FlatSliderEffects FlatSliderModel::mouseDown(int x, int y, PixelSize size) {
    if (!enabled) return {};
    dragging_ = true;
    track(x, y, size);
    return {{Effect::Capture}, {Effect::FireMouseDown}};
}

FlatSliderEffects FlatSliderModel::mouseMove(int x, int y, PixelSize size) {
    track(x, y, size);
    return {};
}

FlatSliderEffects FlatSliderModel::mouseUp(int x, int y, PixelSize size) {
    track(x, y, size);
    dragging_ = false;
    animating_ = false;
    return {{Effect::Redraw}, {Effect::FireMouseUp}, {Effect::ReleaseCapture}};
}

FlatSliderEffects FlatSliderModel::tick(bool inPlaceActive, bool pointerInside) {
    if (!inPlaceActive) return {};
    FlatSliderEffects effects;
    if (pointerInside == pointerOutside_ && enabled) {
        pointerOutside_ = !pointerInside;
        if (!animating_) effects.push_back({Effect::Redraw});
    }
    if (!animating_) return effects;
    // Speed is stored unchecked: a negative one glides like its magnitude, and one that gives no
    // usable step (not a number, infinite) jumps, so the value never leaves the range.
    const double step = std::fabs((static_cast<double>(max_) - min_) * speed * 0.01);
    if (speed == 0 || !(std::fabs(target_ - shown_) >= step)) {
        shown_ = target_;
        effects.push_back({Effect::FireValueChange, target_});
    }
    if (shown_ == target_) {
        animating_ = false;
        effects.push_back({Effect::Redraw});
        return effects;
    }
    shown_ += target_ > shown_ ? step : -step;
    effects.push_back({Effect::FireValueChange, static_cast<LONG>(shown_)});
    effects.push_back({Effect::Redraw});
    return effects;
}

}  // namespace sondrel
