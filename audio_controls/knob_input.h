#pragma once
// What the rotary controls and the volume wedge share: the effects a model hands its control and
// the pointer angle around a knob's centre.

#include "com/oleauto.h"

#include <vector>

namespace sondrel {

struct KnobEffect {
    enum Kind { Redraw, FireMouseClick, FireMouseDown, FireMouseUp, FireValueChange, Capture, ReleaseCapture };
    Kind kind;
    LONG value = 0;  // FireValueChange: the value; FireMouseClick, FireMouseDown: InButton
    bool operator==(const KnobEffect&) const = default;
};
using KnobEffects = std::vector<KnobEffect>;

// The angle of the point (x, y) around the centre (cx, cy), in radians counter-clockwise from
// the right-hand axis, 0 to 2 pi.
double pointerAngle(int x, int y, int cx, int cy);
// The same in whole degrees, truncated.
int pointerDegrees(int x, int y, int cx, int cy);

}  // namespace sondrel
