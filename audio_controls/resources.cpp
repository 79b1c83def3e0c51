#include "resources.h"

#include "interfaces.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace sondrel {

namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// A double-headed arrow across a 32 x 32 cursor, black with a white outline; vertical swaps the axes.
std::vector<std::uint32_t> arrowCursor(bool vertical) {
    constexpr int n = 32;
    std::vector<std::uint32_t> px(n * n, kClear);
    auto inside = [](int along, int across) {
        int a = along < 16 ? along : 31 - along;  // distance from the nearer tip
        int d = std::abs(across - 16);
        if (a < 3) return false;
        if (a < 9) return d <= a - 3;             // the heads
        return d <= 1;                            // the shaft
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int along = vertical ? y : x, across = vertical ? x : y;
            if (inside(along, across)) {
                px[y * n + x] = kBlack;
                continue;
            }
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    int ax = x + dx, ay = y + dy;
                    if (ax < 0 || ay < 0 || ax >= n || ay >= n) continue;
                    edge = inside(vertical ? ay : ax, vertical ? ax : ay);
                }
            if (edge) px[y * n + x] = kWhite;
        }
    return px;
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

struct Artwork {
    std::vector<std::uint32_t> horizontal = arrowCursor(false);
    std::vector<std::uint32_t> vertical = arrowCursor(true);
    std::vector<std::vector<std::uint32_t>> bitmaps;
    std::vector<gdi::Resource> table;

    Artwork() {
        table.push_back({gdi::ResourceType::Cursor, IDC_SLIDER_HORIZONTAL, 32, 32, horizontal.data(), nullptr, 0,
                         {16, 16}});
        table.push_back(
            {gdi::ResourceType::Cursor, IDC_SLIDER_VERTICAL, 32, 32, vertical.data(), nullptr, 0, {16, 16}});
        bitmaps.reserve(std::size(kClasses));
        for (std::size_t i = 0; i < std::size(kClasses); ++i) {
            bitmaps.push_back(toolboxBitmap(static_cast<int>(i)));
            table.push_back({gdi::ResourceType::Bitmap, kClasses[i].bitmapId, 16, 16, bitmaps.back().data(),
                             nullptr, 0, {0, 0}});
        }
    }
};

}  // namespace

void registerModuleResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const Artwork artwork;
        gdi::registerResources(moduleInstance(), artwork.table.data(), artwork.table.size());
    });
}

}  // namespace sondrel
