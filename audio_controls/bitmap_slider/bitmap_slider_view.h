#pragma once
// How the bitmap-thumb slider looks.

#include "bitmap_slider_model.h"

namespace sondrel {

// thumb: the greyscale picture for the model's orientation, size and pushed look.
void drawBitmapSlider(HDC dc, const RECT& bounds, const BitmapSliderModel& model, HBITMAP thumb);

}  // namespace sondrel
