#include "volume_knob/volume_knob_view.h"

#include "offscreen_canvas.h"
#include "resources.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

namespace {

GpBitmap* loadBitmap(WORD id) {
    GpBitmap* bitmap = nullptr;
    return GdipCreateBitmapFromResource(moduleInstance(), MAKEINTRESOURCEW(id), &bitmap) == Ok ? bitmap : nullptr;
}

GpBitmap* loadIcon(WORD id) {
    HICON icon = LoadIconA(moduleInstance(), MAKEINTRESOURCEA(id));
    if (!icon) return nullptr;
    GpBitmap* bitmap = nullptr;
    return GdipCreateBitmapFromHICON(icon, &bitmap) == Ok ? bitmap : nullptr;
}

}  // namespace

VolumeKnobPictures::VolumeKnobPictures() {
    knobs_[0][0] = loadBitmap(IDB_KNOB_3D);
    knobs_[0][1] = loadBitmap(IDB_KNOB_FLAT);
    knobs_[1][0] = loadBitmap(IDB_KNOB_RING_3D);
    knobs_[1][1] = loadBitmap(IDB_KNOB_RING_FLAT);
    for (int i = 0; i < VolumeKnobModel::kLamps; ++i) lamps_[i] = loadIcon(kLampIcons[i]);
}

VolumeKnobPictures::~VolumeKnobPictures() {
    for (auto& row : knobs_)
        for (GpBitmap* b : row)
            if (b) GdipDisposeImage(b);
    for (GpBitmap* b : lamps_)
        if (b) GdipDisposeImage(b);
}

void drawVolumeKnob(HDC dc, const RECT& bounds, const VolumeKnobModel& m, const VolumeKnobPictures& pictures) {
    const int w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (w <= 0 || h <= 0) return;
    OffscreenCanvas canvas(w, h);
    canvas.clear(m.backColor);
    canvas.drawScaled(pictures.knob(m.borderType() > 0, m.flatLook()));
    canvas.tint(m.color);
    const double phi = m.lampAngle();
    const int x = static_cast<int>(w / 2 + 37 * std::cos(phi) - 2);
    const int y = static_cast<int>(h / 2 - 37 * std::sin(phi) - 2);
    canvas.drawAt(pictures.lamp(m.lampShown()), x, y);
    canvas.clearOutsideEllipse(m.backColor);
    canvas.copyTo(dc, bounds.left, bounds.top);
}

namespace {

constexpr int kLampSize = 5;

std::uint32_t grey(int g) {
    const auto v = static_cast<std::uint32_t>(std::clamp(g, 0, 255));
    return 0xFF000000u | v << 16 | v << 8 | v;
}

// A knob of the side: the 3-D one shaded from a light top left, the flat one even; the ring
// variant has a dark ring round the knob.
std::vector<std::uint32_t> knobPicture(int side, bool ring, bool flat) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(side) * side, grey(255));
    const double c = side / 2.0;
    const double knob = ring ? c - 10 : c;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - c, dy = y + 0.5 - c;
            const double r = std::hypot(dx, dy);
            if (r > c) continue;
            int g = 200;
            if (r > knob) g = 90;
            else if (!flat) g = 200 - static_cast<int>((dx + dy) * 0.8) - (r > knob - 3 ? 40 : 0);
            else if (r > knob - 2) g = 150;
            px[static_cast<std::size_t>(y) * side + x] = grey(g);
        }
    return px;
}

// A round lamp; even colours are the dim halves of the odd ones after them.
std::vector<std::uint32_t> lampPicture(int index) {
    static const std::uint32_t lit[6] = {0xFF0000, 0x00FF00, 0x0080FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    std::uint32_t rgb = lit[index / 2];
    if (index % 2 == 0) rgb = (rgb >> 1) & 0x7F7F7F;
    std::vector<std::uint32_t> px(kLampSize * kLampSize, 0);
    for (int y = 0; y < kLampSize; ++y)
        for (int x = 0; x < kLampSize; ++x) {
            const bool corner = (x == 0 || x == kLampSize - 1) && (y == 0 || y == kLampSize - 1);
            if (!corner) px[y * kLampSize + x] = 0xFF000000u | rgb;
        }
    return px;
}

}  // namespace

void addAudioVolumeButtonType1Artwork(Artwork& artwork) {
    artwork.add(gdi::ResourceType::Bitmap, IDB_KNOB_3D, 100, 100, knobPicture(100, false, false));
    artwork.add(gdi::ResourceType::Bitmap, IDB_KNOB_FLAT, 100, 100, knobPicture(100, false, true));
    artwork.add(gdi::ResourceType::Bitmap, IDB_KNOB_RING_3D, 121, 121, knobPicture(121, true, false));
    artwork.add(gdi::ResourceType::Bitmap, IDB_KNOB_RING_FLAT, 121, 121, knobPicture(121, true, true));
    for (int i = 0; i < VolumeKnobModel::kLamps; ++i)
        artwork.add(gdi::ResourceType::Icon, kLampIcons[i], kLampSize, kLampSize, lampPicture(i));
}

}  // namespace sondrel
