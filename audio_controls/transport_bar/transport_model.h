#pragma once
// What the transport bar does, apart from how it looks: the transport state, the parts and
// their rectangles, the button mask, the volume thumb, and the effects of the mouse (redraws,
// events, capture) in the order they happen.

#include "com/oleauto.h"
#include "gdiplus_support.h"
#include "helpers.h"

#include <algorithm>
#include <array>
#include <vector>

namespace sondrel {

// The part codes that MouseDown and MouseClick carry.
enum TransportPart : LONG {
    kNoPart = 0,
    kPlayPart = 1,
    kPausePart = 2,
    kStopPart = 3,
    kRecordPart = 4,
    kGoToStartPart = 5,
    kGoToEndPart = 6,
    kMutePart = 7,
    kVolumePart = 8,
};

struct TransportEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseClick, FireMouseUp, FireChangeVolume, Capture, ReleaseCapture };
    Kind kind;
    LONG value = 0;  // the part, or the volume
    bool operator==(const TransportEffect&) const = default;
};
using TransportEffects = std::vector<TransportEffect>;

// Left, top, width, height.
struct PartRect {
    int left, top, width, height;
    bool contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
};

class TransportModel {
public:
    static constexpr DWORD kTimerInterval = 30;
    static constexpr LONG kHeight = 27;
    static constexpr ARGB kHighlight = 0xFFFFFFFF;

    explicit TransportModel(COLORREF face = RGB(0xD4, 0xD0, 0xC8));

    // Methods of the interface; false when the state refuses them.
    // Clamped to the track as a press is: a thumb drawn beyond it would cover the mute button or
    // leave the control.
    void changeVolume(LONG volume) { volume_ = std::clamp(static_cast<float>(volume * 0.00062695926), 0.0f, 41.0f); }
    bool play();
    bool pause();
    bool stop();
    bool record();

    void putColor(OLE_COLOR color);
    void putBorderColor(OLE_COLOR color) { border_ = argbFromColor(color); }
    OLE_COLOR color() const { return colorFromArgb(face_); }
    OLE_COLOR borderColor() const { return colorFromArgb(border_); }
    // Values outside 0 to 3 are ignored.
    void putBorderType(LONG type) {
        if (type >= 0 && type <= 3) borderType_ = type;
    }
    LONG borderType() const { return borderType_; }
    void putShowButtonRecord(VARIANT_BOOL v) { showRecord_ = v; }
    void putShowPositionControls(VARIANT_BOOL v) { showPosition_ = v; }
    void putShowVolumeControls(VARIANT_BOOL v) { showVolume_ = v; }
    VARIANT_BOOL showButtonRecord() const { return static_cast<VARIANT_BOOL>(showRecord_); }
    VARIANT_BOOL showPositionControls() const { return static_cast<VARIANT_BOOL>(showPosition_); }
    VARIANT_BOOL showVolumeControls() const { return static_cast<VARIANT_BOOL>(showVolume_); }
    void putEnabled(VARIANT_BOOL v) { enabled_ = v; }
    VARIANT_BOOL enabledValue() const { return static_cast<VARIANT_BOOL>(enabled_); }
    void putEnableButtons(BYTE mask);
    BYTE enableButtons() const { return mask_; }
    void putMute(VARIANT_BOOL v) { mute_ = v; }
    VARIANT_BOOL mute() const { return mute_; }

    // The width below which the shown parts would not fit.
    LONG minWidth() const;
    PixelSize adjustSize(PixelSize offered) const;

    // Mouse, in client pixels of a control `width` pixels wide.
    TransportEffects mouseDown(int x, int y, int width);
    TransportEffects mouseMove(int x, int y, int width);
    TransportEffects mouseUp(int x, int y, int width);
    // One timer step; pointerInside tells whether the pointer is over the control.
    TransportEffects tick(bool pointerInside);

    // The rectangle of a part for a drawing at (x, y) whose right edge is right; the volume
    // part's is its hit area.
    PartRect rectOf(TransportPart part, int x, int y, int right) const;
    // The left edge of the go-to-start button, relative to the origin.
    int positionOffset() const { return showRecord_ ? 108 : 82; }

    // State for the drawing and the tests.
    bool enabled() const { return enabled_ != 0; }
    bool buttonEnabled(int bit) const { return buttonFlags_[bit]; }
    bool playing() const { return playing_; }
    bool paused() const { return paused_; }
    bool recording() const { return recording_; }
    bool pressed(TransportPart part) const { return pressed_[part]; }
    bool hover(TransportPart part) const { return hover_[part]; }
    bool dragging() const { return pressed_[kVolumePart]; }
    bool showsRecord() const { return showRecord_ != 0; }
    bool showsPosition() const { return showPosition_ != 0; }
    bool showsVolume() const { return showVolume_ != 0; }
    float volume() const { return volume_; }
    LONG volumeEventValue() const { return static_cast<LONG>(volume_ * 1595); }
    ARGB face() const { return face_; }
    ARGB border() const { return border_; }
    ARGB shade() const { return shade_; }

private:
    bool anyPressed() const;
    void setHover(TransportPart part, bool over, bool allowed);

    ARGB face_;
    ARGB border_ = 0xFF000000;
    ARGB shade_ = 0xFFA9A9A9;
    LONG borderType_ = 0;
    std::array<bool, 9> pressed_{};  // by part code; the volume's is the thumb drag
    std::array<bool, 9> hover_{};
    bool playing_ = false;
    bool paused_ = false;
    bool recording_ = false;
    VARIANT_BOOL mute_ = VARIANT_FALSE;
    LONG showPosition_ = 0;
    LONG showRecord_ = 0;
    LONG showVolume_ = 0;
    float volume_ = 0;
    LONG lastPart_ = kNoPart;
    LONG enabled_ = 1;
    BYTE mask_ = 127;
    std::array<bool, 7> buttonFlags_{true, true, true, true, true, true, true};
};

}  // namespace sondrel
