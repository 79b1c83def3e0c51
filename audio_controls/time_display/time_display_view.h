#pragma once
// How the time display looks.

#include "time_display_model.h"

namespace sondrel {

void drawTimeDisplay(HDC dc, const RECT& bounds, const TimeDisplayModel& model);

}  // namespace sondrel
