#pragma once
// What the rotary controls and the volume wedge share: the effects a model hands its control,
// the pointer angle around a knob's centre, and colours kept as opaque ARGB for GDI+.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "gdi/gdiplus.h"

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

// A put colour's red, green and blue as opaque ARGB; system colours are not translated.
constexpr ARGB argbFromColor(OLE_COLOR c) {
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}
constexpr OLE_COLOR colorFromArgb(ARGB a) { return (a >> 16 & 0xFFu) | (a & 0xFF00u) | (a & 0xFFu) << 16; }

// Starts GDI+ for the life of a control.
class GdiplusSession {
public:
    GdiplusSession() {
        GdiplusStartupInput input;
        if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
    }
    ~GdiplusSession() {
        if (token_) GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

}  // namespace sondrel
