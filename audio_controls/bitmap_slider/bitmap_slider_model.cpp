#include "bitmap_slider_model.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

using Effect = BitmapSliderEffect;

LONG BitmapSliderModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

BitmapSliderEffects BitmapSliderModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed_ != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{Effect::Redraw}};
}

BitmapSliderEffects BitmapSliderModel::putMax(LONG v) {
    // Min < Max holds throughout, so the range never is empty and Min + 1 is always in range.
    max_ = v <= min_ ? min_ + 1 : v;
    if (shown_ > max_) shown_ = max_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

BitmapSliderEffects BitmapSliderModel::putMin(LONG v) {
    min_ = v >= max_ ? max_ - 1 : v;
    if (shown_ < min_) shown_ = min_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

const char* BitmapSliderModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "SliderVer01 must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

const char* BitmapSliderModel::putBorderType(LONG v) {
    if (v < 0 || v > 3) return "SliderVer01 must have BorderType value between 0 and 3";
    borderType_ = v;
    return nullptr;
}

const char* BitmapSliderModel::putOrientation(LONG v, PixelSize current, PixelSize* resize) {
    if (v != 0 && v != 1) return "SliderVer01 must have Orientation value 0 or 1";
    if (v == orientation_) return nullptr;
    orientation_ = v;
    const LONG longer = std::max(current.cx, current.cy);
    if (resize) *resize = vertical() ? PixelSize{thickness(), longer} : PixelSize{longer, thickness()};
    return nullptr;
}

const char* BitmapSliderModel::putSize(LONG v, PixelSize current, PixelSize* resize) {
    // Size picks one of three thumb pictures.
    if (v < 0 || v > 2) return "SliderVer01 must have Size value between 0 and 2";
    size_ = v;
    if (resize) *resize = vertical() ? PixelSize{thickness(), current.cy} : PixelSize{current.cx, thickness()};
    return nullptr;
}

LONG BitmapSliderModel::valueAt(int x, int y, PixelSize size) const {
    const long long range = static_cast<long long>(max_) - min_;
    const long long half = kThumbLength / 2;
    const long long travel = static_cast<long long>(vertical() ? size.cy : size.cx) - kThumbLength;
    // A control no longer than the thumb leaves nowhere to move.
    if (travel <= 0) return min_;
    if (vertical()) return clamp(max_ - (y - half) * range / travel);
    return clamp((x - half) * range / travel + min_);
}

int BitmapSliderModel::thumbOffset(PixelSize size) const {
    const long long range = static_cast<long long>(max_) - min_;
    const long long travel = static_cast<long long>(vertical() ? size.cy : size.cx) - kThumbLength;
    auto scaled = static_cast<long long>((shown_ - min_) * static_cast<double>(travel));
    return static_cast<int>(scaled / range);
}

PixelSize BitmapSliderModel::adjustSize(PixelSize offered) const {
    if (vertical()) return {thickness(), std::max<LONG>(offered.cy, 32)};
    return {std::max<LONG>(offered.cx, 32), thickness()};
}

void BitmapSliderModel::track(int x, int y, PixelSize size) {
    if (!dragging_) return;
    target_ = valueAt(x, y, size);
    animating_ = true;
}

BitmapSliderEffects BitmapSliderModel::mouseDown(int x, int y, PixelSize size) {
    if (!enabled) return {};
    dragging_ = true;
    track(x, y, size);
    return {{Effect::Capture}, {Effect::FireMouseDown}};
}

BitmapSliderEffects BitmapSliderModel::mouseMove(int x, int y, PixelSize size) {
    track(x, y, size);
    return {};
}

BitmapSliderEffects BitmapSliderModel::mouseUp(int x, int y, PixelSize size) {
    track(x, y, size);
    dragging_ = false;
    animating_ = false;
    return {{Effect::Redraw}, {Effect::FireMouseUp}, {Effect::ReleaseCapture}};
}

BitmapSliderEffects BitmapSliderModel::tick(bool inPlaceActive) {
    if (!inPlaceActive || !animating_) return {};
    BitmapSliderEffects effects;
    const double step = (static_cast<double>(max_) - min_) * speed_ * 0.01;
    if (step > std::fabs(target_ - shown_) || speed_ == 0) {
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
