#pragma once
// How the position slider looks.

#include "slider_model.h"

namespace sondrel {

void drawSlider(HDC dc, const RECT& bounds, const SliderModel& model);

}  // namespace sondrel
