#pragma once
// The transport cluster's pictures: greyscale state pictures in two sizes and the glyphs laid
// over them, tinted when drawn.

#include "resources.h"

#include <cstdint>
#include <vector>

namespace sondrel {

// Glyph overlays.
constexpr WORD IDB_CLUSTER_PAUSE = 249;
constexpr WORD IDB_CLUSTER_PAUSE_PRESSED = 243;  // for the pressed-play and flat pictures
constexpr WORD IDB_CLUSTER_PAUSE_OFF = 233;
constexpr WORD IDB_CLUSTER_PLAY_OFF = 234;
constexpr WORD IDB_CLUSTER_NEXT_OFF = 237;
constexpr WORD IDB_CLUSTER_RECORD_OFF = 236;
constexpr WORD IDB_CLUSTER_PREVIOUS_OFF = 235;
constexpr WORD IDB_CLUSTER_STOP_OFF = 232;
constexpr WORD kClusterGlyphs[] = {IDB_CLUSTER_PAUSE,    IDB_CLUSTER_PAUSE_PRESSED, IDB_CLUSTER_PAUSE_OFF,
                                   IDB_CLUSTER_PLAY_OFF, IDB_CLUSTER_NEXT_OFF,      IDB_CLUSTER_RECORD_OFF,
                                   IDB_CLUSTER_PREVIOUS_OFF, IDB_CLUSTER_STOP_OFF};

struct GlyphPlace {
    int dx, dy;           // top left, relative to the centre
    int width, height;
};
// Where a glyph goes and its size.
GlyphPlace glyphPlace(WORD id);

// The resource id of a state picture (0 normal, 1 to 5 a part pressed, 6 flat) of a set.
WORD clusterPictureId(bool large, int state);
// A state picture of the 100- or 121-pixel set.
std::vector<std::uint32_t> clusterPicture(int side, int state);
std::vector<std::uint32_t> glyphPicture(WORD id);

}  // namespace sondrel
