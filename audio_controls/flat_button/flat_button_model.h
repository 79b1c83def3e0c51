#pragma once
// What the flat button does, apart from how it looks: its caption, whether it is pressed and
// whether the pointer is over it, and the effects of the mouse in the order they happen.

#include "com/oleauto.h"

#include <optional>
#include <string>
#include <vector>

namespace sondrel {

struct FlatButtonEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseUp, FireMouseClick, Capture, ReleaseCapture };
    Kind kind;
    bool operator==(const FlatButtonEffect&) const = default;
};
using FlatButtonEffects = std::vector<FlatButtonEffect>;

class FlatButtonModel {
public:
    static constexpr DWORD kTimerInterval = 15;

    // No caption at all reads back as a null string.
    std::optional<std::u16string> caption = u"ZembraFlatButton";

    void putEnabled(VARIANT_BOOL v) { enabled_ = v; }
    VARIANT_BOOL enabledValue() const { return enabled_; }
    bool enabled() const { return enabled_ != 0; }
    bool pressed() const { return pressed_; }
    bool pointerOutside() const { return outside_; }
    // Pressed with the pointer over it: the sunken look.
    bool down() const { return pressed_ && !outside_; }

    // Mouse, with whether the point lies in the client rectangle.
    FlatButtonEffects mouseDown();
    FlatButtonEffects mouseUp(bool inside);
    // One hover step.
    FlatButtonEffects tick(bool pointerInside);

private:
    VARIANT_BOOL enabled_ = 1;
    bool pressed_ = false;
    bool outside_ = true;
};

}  // namespace sondrel
