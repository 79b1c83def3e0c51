#include "cluster_artwork.h"

#include "cluster_model.h"

#include <cmath>
#include <cstdlib>

namespace sondrel {

namespace {

// [large][state]
constexpr WORD kPictureIds[2][7] = {
    {244, 246, 245, 248, 247, 242, 219},
    {231, 227, 226, 229, 228, 230, 224},
};

constexpr int kCorner = 128, kRim = 96, kEdge = 112, kRing = 208, kCentre = 224, kPressed = 144, kFlatFace = 200;
constexpr int kInk = 32, kInkOff = 160;

std::uint32_t grey(int level) {
    const auto v = static_cast<std::uint32_t>(level);
    return 0xFF000000 | v << 16 | v << 8 | v;
}

enum class Shape { PlayRight, Pause, Next, Previous, Stop, Record };

// Whether (x, y) of a w x h box lies on a triangle pointing right over its full height.
bool triangle(double x, int y, int w, int h) {
    const double half = (h - 1) / 2.0;
    return x <= (1 - std::fabs(y - half) / half) * (w - 1) + 0.5;
}

bool inShape(Shape shape, int x, int y, int w, int h) {
    switch (shape) {
        case Shape::PlayRight: return triangle(x, y, w, h);
        case Shape::Pause: return (x >= 1 && x <= 3) || (x >= 6 && x <= 8);
        case Shape::Next: return x >= w - 2 || (x < 7 && triangle(x, y, 7, h)) || (x >= 7 && triangle(x - 7, y, 7, h));
        case Shape::Previous: return inShape(Shape::Next, w - 1 - x, y, w, h);
        case Shape::Stop: return true;
        case Shape::Record: {
            const double dx = x - (w - 1) / 2.0, dy = y - (h - 1) / 2.0;
            return dx * dx + dy * dy <= 10;
        }
    }
    return false;
}

struct GlyphArt {
    WORD id;
    GlyphPlace place;
    Shape shape;
    int ink, background;
};
constexpr GlyphArt kGlyphs[] = {
    {IDB_CLUSTER_PAUSE, {-4, -4, 10, 9}, Shape::Pause, kInk, kCentre},
    {IDB_CLUSTER_PAUSE_PRESSED, {-4, -4, 10, 9}, Shape::Pause, kInk, kPressed},
    {IDB_CLUSTER_PAUSE_OFF, {-4, -4, 10, 9}, Shape::Pause, kInkOff, kCentre},
    {IDB_CLUSTER_PLAY_OFF, {-4, -4, 8, 9}, Shape::PlayRight, kInkOff, kCentre},
    {IDB_CLUSTER_NEXT_OFF, {29, -4, 16, 9}, Shape::Next, kInkOff, kRing},
    {IDB_CLUSTER_RECORD_OFF, {-3, 33, 7, 7}, Shape::Record, kInkOff, kRing},
    {IDB_CLUSTER_PREVIOUS_OFF, {-44, -4, 16, 9}, Shape::Previous, kInkOff, kRing},
    {IDB_CLUSTER_STOP_OFF, {-4, -39, 9, 8}, Shape::Stop, kInkOff, kRing},
};

const GlyphArt& glyphArt(WORD id) {
    for (const GlyphArt& g : kGlyphs)
        if (g.id == id) return g;
    return kGlyphs[0];
}

// The part glyphs as the pictures show them, each where its disabled overlay goes.
struct PartGlyph {
    WORD place;
    Shape shape;
};
constexpr PartGlyph kPartGlyphs[] = {
    {IDB_CLUSTER_PLAY_OFF, Shape::PlayRight}, {IDB_CLUSTER_NEXT_OFF, Shape::Next},
    {IDB_CLUSTER_RECORD_OFF, Shape::Record},  {IDB_CLUSTER_PREVIOUS_OFF, Shape::Previous},
    {IDB_CLUSTER_STOP_OFF, Shape::Stop},
};

}  // namespace

GlyphPlace glyphPlace(WORD id) { return glyphArt(id).place; }

WORD clusterPictureId(bool large, int state) { return kPictureIds[large ? 1 : 0][state >= 0 && state <= 6 ? state : 0]; }

// A disc of five parts: the play button in the middle, four ring segments split along the
// diagonals, a rim to the edge of the circle; the pressed part is darker, and the flat picture
// has one face without edges.
std::vector<std::uint32_t> clusterPicture(int side, int state) {
    const int c = side == 121 ? 60 : 50;
    const bool flat = state == kFlatState;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int dx = x - c, dy = y - c;
            const int part = ClusterModel::partAt(dx, dy);
            int level = kCorner;
            if (!insideCircle(dx, dy, c)) level = kCorner;
            else if (flat) level = kFlatFace;
            else if (part == kNoPart) level = kRim;
            else if (part == state) level = kPressed;
            else if (part == kPlay) level = insideCircle(dx, dy, 24) ? kCentre : kEdge;
            else level = std::abs(std::abs(dx) - std::abs(dy)) <= 1 ? kEdge : kRing;
            px[static_cast<std::size_t>(y) * side + x] = grey(level);
        }
    for (const PartGlyph& g : kPartGlyphs) {
        const GlyphPlace p = glyphPlace(g.place);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (inShape(g.shape, x, y, p.width, p.height))
                    px[static_cast<std::size_t>(c + p.dy + y) * side + (c + p.dx + x)] = grey(kInk);
    }
    return px;
}

std::vector<std::uint32_t> glyphPicture(WORD id) {
    const GlyphArt& g = glyphArt(id);
    const int w = g.place.width, h = g.place.height;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(y) * w + x] = grey(inShape(g.shape, x, y, w, h) ? g.ink : g.background);
    return px;
}

void addAudioPlayButtonType1Artwork(Artwork& artwork) {
    for (int side : {100, 121})
        for (int state = 0; state <= kFlatState; ++state)
            artwork.add(gdi::ResourceType::Bitmap, clusterPictureId(side == 121, state), side, side,
                        clusterPicture(side, state));
    for (WORD id : kClusterGlyphs) {
        const GlyphPlace p = glyphPlace(id);
        artwork.add(gdi::ResourceType::Bitmap, id, p.width, p.height, glyphPicture(id));
    }
}

}  // namespace sondrel
