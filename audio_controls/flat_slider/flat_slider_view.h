#pragma once
// How the flat slider looks.

#include "flat_slider_model.h"

namespace sondrel {

void drawFlatSlider(HDC dc, const RECT& bounds, const FlatSliderModel& model);

}  // namespace sondrel
