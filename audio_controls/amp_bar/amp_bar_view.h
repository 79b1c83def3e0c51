#pragma once
// How the level bar looks.

#include "amp_bar/amp_bar_model.h"

namespace sondrel {

// Draws with GDI+, which the caller has started, into the bounds of the target.
void drawAmpBar(HDC dc, const RECT& bounds, const AmpBarModel& model);

}  // namespace sondrel
