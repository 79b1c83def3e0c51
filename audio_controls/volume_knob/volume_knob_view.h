#pragma once
// How the volume knob looks.

#include "volume_knob/volume_knob_model.h"

#include <array>

namespace sondrel {

// The knob pictures (greyscale, tinted at draw time) and the lamp icons in IndColor order.
constexpr WORD IDB_KNOB_3D = 271;
constexpr WORD IDB_KNOB_FLAT = 221;
constexpr WORD IDB_KNOB_RING_3D = 225;
constexpr WORD IDB_KNOB_RING_FLAT = 222;
constexpr std::array<WORD, VolumeKnobModel::kLamps> kLampIcons = {205, 206, 203, 204, 212, 202,
                                                                   207, 208, 209, 210, 211, 201};

// The pictures as GDI+ bitmaps, loaded from the module's resources; GDI+ must run while they live.
class VolumeKnobPictures {
public:
    VolumeKnobPictures();
    ~VolumeKnobPictures();
    VolumeKnobPictures(const VolumeKnobPictures&) = delete;
    VolumeKnobPictures& operator=(const VolumeKnobPictures&) = delete;

    GpBitmap* knob(bool ring, bool flat) const { return knobs_[ring][flat]; }
    GpBitmap* lamp(LONG index) const { return index >= 0 && index < VolumeKnobModel::kLamps ? lamps_[index] : nullptr; }

private:
    GpBitmap* knobs_[2][2] = {};
    std::array<GpBitmap*, VolumeKnobModel::kLamps> lamps_{};
};

void drawVolumeKnob(HDC dc, const RECT& bounds, const VolumeKnobModel& model, const VolumeKnobPictures& pictures);

}  // namespace sondrel
