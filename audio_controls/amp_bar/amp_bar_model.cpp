#include "amp_bar/amp_bar_model.h"

#include <cmath>

namespace sondrel {

bool AmpBarModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed_ != 0) {
        animating_ = true;
        return false;
    }
    current_ = target_;
    return true;
}

void AmpBarModel::putMin(LONG v) {
    min_ = v >= max_ ? max_ - 1 : v;
    if (current_ < min_) current_ = min_;
    target_ = clamp(target_);
}

void AmpBarModel::putMax(LONG v) {
    max_ = v <= min_ ? min_ + 1 : v;
    if (current_ > max_) current_ = max_;
    target_ = clamp(target_);
}

bool AmpBarModel::putStyle(LONG v) {
    const LONG style = v > 1 ? 2 : 1;
    if (style == style_) return false;
    style_ = style;
    return true;
}

const char* AmpBarModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "AmpBar must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

const char* AmpBarModel::putBorderType(LONG v) {
    if (v < 0 || v > 3) return "AmpBar must have BorderType value between 0 and 3";
    borderType_ = v;
    return nullptr;
}

const char* AmpBarModel::putOrientation(LONG v) {
    if (v != 0 && v != 1) return "AmpBar must have Orientation value 0 or 1";
    orientation_ = v;
    return nullptr;
}

bool AmpBarModel::tick() {
    if (!animating_) return false;
    const double step = (static_cast<double>(max_) - min_) * speed_ * 0.01;
    if (std::fabs(target_ - current_) < step || speed_ == 0) current_ = target_;
    if (current_ == target_) animating_ = false;
    else current_ += target_ > current_ ? step : -step;
    return true;
}

}  // namespace sondrel
