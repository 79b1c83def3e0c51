#pragma once
// What the transport cluster does, apart from how it looks: which part a point lies on, the
// picture state of presses, drags and hovering, its colours and size, and the effects a control
// must carry out (redraws, events, capture) in the order they happen.

#include "com/oleauto.h"
#include "gdiplus_support.h"
#include "helpers.h"

#include <vector>

namespace sondrel {

// Part codes, which are also the picture states of a pressed part.
enum ClusterPart { kNoPart = 0, kPlay = 1, kNext = 2, kRecord = 3, kPrevious = 4, kStop = 5 };
// The picture state of the flat look.
constexpr int kFlatState = 6;

struct ClusterEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseClick, FireMouseUp, Capture, ReleaseCapture };
    Kind kind;
    LONG part = 0;  // FireMouseDown, FireMouseClick
    bool operator==(const ClusterEffect&) const = default;
};
using ClusterEffects = std::vector<ClusterEffect>;

class ClusterModel {
public:
    static constexpr DWORD kTimerInterval = 20;

    // The part of a point relative to the centre.
    static int partAt(int dx, int dy);

    // Colours start as the button face of the moment.
    ClusterModel();

    ClusterEffects putFlat(VARIANT_BOOL v);
    ClusterEffects putPause(VARIANT_BOOL v);
    ClusterEffects putEnabled(int part, VARIANT_BOOL v);
    // True when the size changes; side() then is the new size.
    bool putBorderType(LONG v);

    VARIANT_BOOL flat() const { return flat_; }
    VARIANT_BOOL pause() const { return pause_; }
    VARIANT_BOOL enabled(int part) const { return enabled_[part]; }
    LONG borderType() const { return borderType_; }
    // Any border type but 0 is the large look.
    bool large() const { return borderType_ != 0; }
    int side() const { return large() ? 121 : 100; }
    int centre() const { return large() ? 60 : 50; }
    int pictureState() const { return pictureState_; }
    // The picture drawn: the flat one only while Flat holds.
    int shownState() const { return pictureState_ == kFlatState && !flat_ ? 0 : pictureState_; }
    bool buttonDown() const { return buttonDown_; }
    int pressedPart() const { return pressedPart_; }

    LONG mousePointer = 1;
    DWORD color;      // ARGB, the tint
    DWORD backColor;  // ARGB, the corners

    // Mouse, in client pixels.
    ClusterEffects mouseDown(int x, int y);
    ClusterEffects mouseMove(int x, int y);
    ClusterEffects mouseUp(int x, int y);
    // The hover step, with the pointer in client pixels.
    ClusterEffects tick(bool inPlaceActive, int x, int y);

private:
    int partOf(int x, int y) const { return partAt(x - centre(), y - centre()); }
    bool outsideCircle(int x, int y) const { return !insideCircle(x - centre(), y - centre(), centre()); }
    bool live(int part) const { return part != kNoPart && enabled_[part]; }
    void showState(int state, ClusterEffects& effects);

    VARIANT_BOOL flat_ = VARIANT_FALSE;
    VARIANT_BOOL pause_ = VARIANT_FALSE;
    VARIANT_BOOL enabled_[6] = {VARIANT_FALSE, VARIANT_TRUE, VARIANT_TRUE, VARIANT_TRUE, VARIANT_TRUE, VARIANT_TRUE};
    LONG borderType_ = 0;
    int pictureState_ = 0;
    bool buttonDown_ = false;
    int pressedPart_ = kNoPart;
};

}  // namespace sondrel
