#include "thumb_artwork.h"

namespace sondrel {

namespace {

// [orientation][size][pushed]
constexpr WORD kThumbIds[2][3][2] = {
    {{268, 270}, {251, 266}, {239, 241}},
    {{267, 269}, {253, 252}, {238, 240}},
};

std::uint32_t grey(int level) {
    const auto v = static_cast<std::uint32_t>(level);
    return 0xFF000000 | v << 16 | v << 8 | v;
}

}  // namespace

WORD thumbBitmapId(LONG orientation, LONG size, bool pushed) {
    return kThumbIds[orientation == 1 ? 1 : 0][size >= 0 && size <= 2 ? size : 0][pushed ? 1 : 0];
}

// A raised block (lit from the top left) with a grip groove across its middle; the pushed one
// is sunken and darker.
std::vector<std::uint32_t> thumbPicture(int width, int height, bool vertical, bool pushed) {
    const int lit = pushed ? 64 : 255, unlit = pushed ? 255 : 64, body = pushed ? 160 : 192;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * height, grey(body));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int level = body;
            const int along = vertical ? y : x, length = vertical ? height : width;
            if (along == length / 2 - 1) level = 96;
            if (along == length / 2) level = 224;
            if (x == 0 || y == 0) level = lit;
            if (x == width - 1 || y == height - 1) level = unlit;
            px[static_cast<std::size_t>(y) * width + x] = grey(level);
        }
    return px;
}

void addAudioSliderType1Artwork(Artwork& artwork) {
    for (LONG orientation = 0; orientation < 2; ++orientation)
        for (LONG size = 0; size < 3; ++size)
            for (bool pushed : {false, true}) {
                const int across = static_cast<int>(size) * 6 + 10;
                const int w = orientation == 0 ? 16 : across, h = orientation == 0 ? across : 16;
                artwork.add(gdi::ResourceType::Bitmap, thumbBitmapId(orientation, size, pushed), w, h,
                            thumbPicture(w, h, orientation == 1, pushed));
            }
}

}  // namespace sondrel
