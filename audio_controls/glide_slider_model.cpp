#include "glide_slider_model.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

using Effect = SliderEffect;

LONG GlideSliderModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

SliderEffects GlideSliderModel::putValue(LONG v, bool inPlaceActive, double speed) {
    target_ = clamp(v);
    if (inPlaceActive && speed != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{Effect::Redraw}};
}

SliderEffects GlideSliderModel::putMax(LONG v) {
    // Min < Max holds throughout, so the range never is empty and Min + 1 is always in range.
    max_ = v <= min_ ? min_ + 1 : v;
    if (shown_ > max_) shown_ = max_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

SliderEffects GlideSliderModel::putMin(LONG v) {
    min_ = v >= max_ ? max_ - 1 : v;
    if (shown_ < min_) shown_ = min_;
    target_ = clamp(target_);
    return {{Effect::Redraw}};
}

LONG GlideSliderModel::valueAt(int x, int y, PixelSize size) const {
    const long long range = static_cast<long long>(max_) - min_;
    const long long thumb = thumbAlongTrack();
    const long long half = thumb / 2;
    const long long travel = static_cast<long long>(vertical() ? size.cy : size.cx) - thumb;
    // A thumb as long as the control leaves nowhere to move.
    if (travel <= 0) return min_;
    if (vertical()) return clamp(max_ - (y - half) * range / travel);
    return clamp((x - half) * range / travel + min_);
}

int GlideSliderModel::offsetOver(long long travel) const {
    const long long range = static_cast<long long>(max_) - min_;
    auto scaled = static_cast<long long>((shown_ - min_) * static_cast<double>(travel));
    return static_cast<int>(scaled / range);
}

void GlideSliderModel::track(int x, int y, PixelSize size) {
    if (!dragging_) return;
    target_ = valueAt(x, y, size);
    animating_ = true;
}

SliderEffects GlideSliderModel::mouseDown(int x, int y, PixelSize size) {
    if (!enabled) return {};
    dragging_ = true;
    track(x, y, size);
    return {{Effect::Capture}, {Effect::FireMouseDown}};
}

SliderEffects GlideSliderModel::mouseMove(int x, int y, PixelSize size) {
    track(x, y, size);
    return {};
}

SliderEffects GlideSliderModel::mouseUp(int x, int y, PixelSize size) {
    track(x, y, size);
    dragging_ = false;
    animating_ = false;
    return {{Effect::Redraw}, {Effect::FireMouseUp}, {Effect::ReleaseCapture}};
}

void GlideSliderModel::glide(double speed, SliderEffects* effects) {
    // A speed that gives no usable step (not a number, infinite) jumps, and a negative one glides
    // like its magnitude, so the value never leaves the range.
    const double step = std::fabs((static_cast<double>(max_) - min_) * speed * 0.01);
    if (speed == 0 || !(std::fabs(target_ - shown_) >= step)) {
        shown_ = target_;
        effects->push_back({Effect::FireValueChange, target_});
    }
    if (shown_ == target_) {
        animating_ = false;
        effects->push_back({Effect::Redraw});
        return;
    }
    shown_ += target_ > shown_ ? step : -step;
    effects->push_back({Effect::FireValueChange, static_cast<LONG>(shown_)});
    effects->push_back({Effect::Redraw});
}

}  // namespace sondrel
