#pragma once
// How the rotary step knob looks.

#include "step_knob/step_model.h"

#include <array>

namespace sondrel {

// The frames' greyscale pictures, in frame order.
constexpr std::array<WORD, StepKnobModel::kFrames> kStepKnobFrames = {258, 259, 260, 261, 262, 263, 264, 265, 250};

// The current frame scaled to the bounds and tinted, the corners outside the knob in BackColor.
// Needs GDI+ running.
void drawStepKnob(HDC dc, const RECT& bounds, const StepKnobModel& model,
                  const std::array<GpBitmap*, StepKnobModel::kFrames>& frames);

}  // namespace sondrel
