#pragma once
// What a slider's model asks its control to carry out, in the order it happens.

#include "com/oleauto.h"

#include <vector>

namespace sondrel {

struct SliderEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseUp, FireValueChange, Capture, ReleaseCapture };
    Kind kind;
    LONG value = 0;  // FireValueChange
    bool operator==(const SliderEffect&) const = default;
};
using SliderEffects = std::vector<SliderEffect>;

}  // namespace sondrel
