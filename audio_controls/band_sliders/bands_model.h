#pragma once
// What the band sliders do, apart from how they look: the band values and their pixel offsets,
// the value range and the tick spacing, hit-testing and dragging, and the effects a control must
// carry out (redraws, events, capture) in the order they happen.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "helpers.h"

#include <array>
#include <vector>

namespace sondrel {

struct BandsEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseUp, FireValueChange, Capture, ReleaseCapture };
    Kind kind;
    LONG band = 0;  // the events' argument
    bool operator==(const BandsEffect&) const = default;
};
using BandsEffects = std::vector<BandsEffect>;

// Where a drawing of a rectangle puts things; the mouse uses the same numbers.
struct BandsLayout {
    int scaleWidth;
    int captionHeight;
    int spacing;
    int trackTop;
    int trackBottom;
    int trackLength;
    std::array<int, 12> left;   // each band's track column, right edge exclusive
    std::array<int, 12> right;
};

class BandsModel {
public:
    static constexpr DWORD kTimerInterval = 30;
    static constexpr int kBands = 12;
    static constexpr const char* kCaptions[kBands] = {" 31", " 62", "125", "252", "500", " 1k",
                                                      " 2k", " 4k", " 6k", " 9k", " 12k", " 16k"};

    // Property puts; none is refused.
    void putBandNum(LONG v);
    bool putBandValue(float v);  // false: outside [Min, Max], ignored
    void putMax(SHORT v);
    void putMin(SHORT v);
    bool putTicksFrequency(SHORT v);  // false: ignored
    void putBorderType(LONG v);
    void putSliderType(LONG v);
    void putHorizontalInscriptions(VARIANT_BOOL v);

    LONG bandCount() const { return kBands; }
    LONG bandNum() const { return bandNum_; }
    float bandValue() const { return values_[bandNum_ - 1]; }
    float value(int band) const { return values_[band - 1]; }
    float offset(int band) const { return offsets_[band - 1]; }
    bool hovered(int band) const { return hover_[band - 1]; }
    SHORT max() const { return max_; }
    SHORT min() const { return min_; }
    SHORT ticksFrequency() const { return static_cast<SHORT>(ticksFrequency_); }
    float tickSpacing() const { return tickSpacing_; }
    LONG borderType() const { return borderType_; }
    LONG sliderType() const { return sliderType_; }
    VARIANT_BOOL horizontalInscriptions() const { return horizontalInscriptions_; }
    int selected() const { return selected_; }
    bool dragging() const { return dragging_; }
    bool anyHovered() const;

    VARIANT_BOOL scaleYVisible = VARIANT_TRUE;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    VARIANT_BOOL showTicks = VARIANT_TRUE;
    OLE_COLOR inscriptionsColor = 0x80000012;
    OLE_COLOR borderColor = 0x80000012;
    OLE_COLOR tickColor = 0x80000012;
    OLE_COLOR backColor = 0x8000000F;
    OLE_COLOR sliderColor = 0x8000000F;
    OLE_COLOR slider2BackColor = 0x8000000F;

    BandsLayout layout(const RECT& bounds) const;
    // Before a drawing: offsets follow the values after a change of values, range or track
    // length; otherwise the values follow the offsets.
    void sync(const BandsLayout& layout);

    // Mouse, in client pixels of a control of the size.
    BandsEffects mouseDown(int x, int y, PixelSize size);
    BandsEffects mouseMove(int x, int y, PixelSize size);
    BandsEffects mouseUp();
    // One animation step: the hover highlight goes when the pointer has left.
    BandsEffects tick(bool pointerInside);

private:
    // The band whose hit column holds the point, 0 for none; the column's rows in top, bottom.
    int hit(const BandsLayout& layout, int x, int y) const;
    void hitRows(const BandsLayout& layout, int* top, int* bottom) const;
    void setOffset(int band, float offset, const BandsLayout& layout);
    void rangeChanged();

    SHORT max_ = 15;
    SHORT min_ = -15;
    float ticksFrequency_ = 15;
    float tickSpacing_ = 15;
    LONG bandNum_ = 1;
    LONG borderType_ = 0;
    LONG sliderType_ = 1;
    VARIANT_BOOL horizontalInscriptions_ = VARIANT_TRUE;
    std::array<float, kBands> values_{};
    std::array<float, kBands> offsets_{};
    std::array<bool, kBands> hover_{};
    int selected_ = 0;
    bool dragging_ = false;
    bool recompute_ = true;
    int lastTrackLength_ = -1;
};

}  // namespace sondrel
