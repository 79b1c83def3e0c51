#include "resources.h"

#include "interfaces.h"
#include "win32/module.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace sondrel {

HINSTANCE moduleInstance() { return win32::moduleFromAddress(reinterpret_cast<const void*>(&moduleInstance)); }

namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// A 32 x 32 cursor picture: the shape in black with a white outline.
template <class Inside>
std::vector<std::uint32_t> outlinedCursor(Inside inside) {
    constexpr int n = 32;
    std::vector<std::uint32_t> px(n * n, kClear);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            if (inside(x, y)) {
                px[y * n + x] = kBlack;
                continue;
            }
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    int ax = x + dx, ay = y + dy;
                    if (ax < 0 || ay < 0 || ax >= n || ay >= n) continue;
                    edge = inside(ax, ay);
                }
            if (edge) px[y * n + x] = kWhite;
        }
    return px;
}

// A double-headed arrow across the cursor; vertical swaps the axes.
std::vector<std::uint32_t> arrowCursor(bool vertical) {
    return outlinedCursor([vertical](int x, int y) {
        int along = vertical ? y : x, across = vertical ? x : y;
        int a = along < 16 ? along : 31 - along;  // distance from the nearer tip
        int d = std::abs(across - 16);
        if (a < 3) return false;
        if (a < 9) return d <= a - 3;  // the heads
        return d <= 1;                 // the shaft
    });
}

// A pointing hand: a raised finger whose tip is the hot spot (5, 0), over a palm.
std::vector<std::uint32_t> handCursor() {
    return outlinedCursor([](int x, int y) {
        bool finger = x >= 4 && x <= 6 && y >= 1 && y < 14;
        bool palm = x >= 4 && x <= 14 && y >= 11 && y <= 21;
        return finger || palm;
    });
}

// A 16 x 16 toolbox picture: a framed tile with a mark whose shade tells the classes apart.
std::vector<std::uint32_t> toolboxBitmap(int index) {
    constexpr int n = 16;
    std::vector<std::uint32_t> px(n * n, 0xFFC0C0C0);
    const std::uint32_t mark = 0xFF000000 | static_cast<std::uint32_t>((index * 53) % 200 + 40) << 16 |
                               static_cast<std::uint32_t>((index * 97) % 200 + 40) << 8 |
                               static_cast<std::uint32_t>((index * 31) % 200 + 40);
    for (int i = 0; i < n; ++i) {
        px[i] = px[i * n] = kWhite;
        px[(n - 1) * n + i] = px[i * n + n - 1] = 0xFF808080;
    }
    for (int y = 4; y < 12; ++y)
        for (int x = 3; x < 13; ++x)
            if (y == 7 || y == 8 || (x >= 3 + index % 8 && x < 6 + index % 8)) px[y * n + x] = mark;
    return px;
}

// Everything the module's resource table points at.
struct ModuleArtwork {
    Artwork pieces;

    ModuleArtwork() {
        pieces.add(gdi::ResourceType::Cursor, IDC_SLIDER_HORIZONTAL, 32, 32, arrowCursor(false), {16, 16});
        pieces.add(gdi::ResourceType::Cursor, IDC_SLIDER_VERTICAL, 32, 32, arrowCursor(true), {16, 16});
        pieces.add(gdi::ResourceType::Cursor, IDC_HAND_214, 32, 32, handCursor(), {5, 0});
        pieces.add(gdi::ResourceType::Cursor, IDC_HAND_216, 32, 32, handCursor(), {5, 0});
        for (std::size_t i = 0; i < std::size(kClasses); ++i)
            pieces.add(gdi::ResourceType::Bitmap, kClasses[i].bitmapId, 16, 16, toolboxBitmap(static_cast<int>(i)));
        addAudioSlidersBandsArtwork(pieces);
        addAudioStepButtonType1Artwork(pieces);
        addAudioVolumeButtonType1Artwork(pieces);
        addAudioSliderType1Artwork(pieces);
        addAudioPlayButtonType1Artwork(pieces);
    }
};

}  // namespace

void Artwork::add(gdi::ResourceType type, WORD id, int width, int height, std::vector<std::uint32_t> pixels,
                  POINT hotSpot) {
    pictures_.push_back(std::move(pixels));
    table_.push_back({type, id, width, height, pictures_.back().data(), nullptr, 0, hotSpot});
}

void registerModuleResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const ModuleArtwork artwork;
        gdi::registerResources(moduleInstance(), artwork.pieces.table().data(), artwork.pieces.table().size());
    });
}

}  // namespace sondrel
