#pragma once
// The bitmap-thumb slider's thumb pictures: greyscale, tinted when drawn.

#include "resources.h"

#include <cstdint>
#include <vector>

namespace sondrel {

// The resource id of the thumb for an orientation (0, 1), a size (0 to 2) and the pushed look.
WORD thumbBitmapId(LONG orientation, LONG size, bool pushed);
// A thumb picture of the given size for a horizontal or vertical track.
std::vector<std::uint32_t> thumbPicture(int width, int height, bool vertical, bool pushed);

}  // namespace sondrel
