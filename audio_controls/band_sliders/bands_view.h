#pragma once
// How the band sliders look.

#include "band_sliders/bands_model.h"

namespace sondrel {

// The greyscale thumbs of the second look: the resting one and the one being dragged.
constexpr WORD IDB_BAND_THUMB = 283;
constexpr WORD IDB_BAND_THUMB_DRAGGED = 284;
constexpr int kBandThumbWidth = 10;
constexpr int kBandThumbHeight = 20;

// Brings the model's offsets or values up to date for the bounds (see BandsModel::sync), then
// draws. The thumb bitmaps may be null: the second look then draws no thumbs.
void drawBands(HDC dc, const RECT& bounds, BandsModel& model, HBITMAP thumb, HBITMAP draggedThumb);

}  // namespace sondrel
