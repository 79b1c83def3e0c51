#include "cluster_view.h"

#include "cluster_artwork.h"

#include <cstring>
#include <vector>

namespace sondrel {

namespace {

GpBitmap* load(WORD id) {
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromResource(moduleInstance(), reinterpret_cast<const WCHAR*>(MAKEINTRESOURCEA(id)), &bitmap);
    return bitmap;
}

void drawAt(GpGraphics* g, GpBitmap* bitmap, int x, int y) {
    UINT w = 0, h = 0;
    if (!bitmap || GdipGetImageWidth(bitmap, &w) != Ok || GdipGetImageHeight(bitmap, &h) != Ok) return;
    GdipDrawImageRectI(g, bitmap, x, y, static_cast<INT>(w), static_cast<INT>(h));
}

// The glyphs over the state picture: the pause or a disabled play in the middle, and each
// disabled button's greyed glyph.
std::vector<WORD> overlays(const ClusterModel& m, int state) {
    std::vector<WORD> ids;
    if (m.pause()) {
        if (!m.enabled(kPlay)) ids.push_back(IDB_CLUSTER_PAUSE_OFF);
        else ids.push_back(state == kPlay || state == kFlatState ? IDB_CLUSTER_PAUSE_PRESSED : IDB_CLUSTER_PAUSE);
    } else if (!m.enabled(kPlay)) {
        ids.push_back(IDB_CLUSTER_PLAY_OFF);
    }
    if (!m.enabled(kNext)) ids.push_back(IDB_CLUSTER_NEXT_OFF);
    if (!m.enabled(kRecord)) ids.push_back(IDB_CLUSTER_RECORD_OFF);
    if (!m.enabled(kPrevious)) ids.push_back(IDB_CLUSTER_PREVIOUS_OFF);
    if (!m.enabled(kStop)) ids.push_back(IDB_CLUSTER_STOP_OFF);
    return ids;
}

// Tints the rectangle of the bitmap in place with the colour's red, green and blue.
void tint(GpBitmap* bitmap, const GpRect& r, DWORD argb) {
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &r, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppARGB, &data) != Ok)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(r.Width) * 4;
    std::vector<BYTE> pixels(rowBytes * static_cast<std::size_t>(r.Height));
    auto* scan = static_cast<BYTE*>(data.Scan0);
    for (int y = 0; y < r.Height; ++y) std::memcpy(&pixels[y * rowBytes], scan + y * data.Stride, rowBytes);
    tintPixels(r.Width, r.Height, pixels.data(), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
               static_cast<BYTE>(argb));
    for (int y = 0; y < r.Height; ++y) std::memcpy(scan + y * data.Stride, &pixels[y * rowBytes], rowBytes);
    GdipBitmapUnlockBits(bitmap, &data);
}

}  // namespace

ClusterPictures::ClusterPictures() {
    for (int large = 0; large < 2; ++large)
        for (int state = 0; state <= kFlatState; ++state) states_[large][state] = load(clusterPictureId(large, state));
    for (WORD id : kClusterGlyphs) glyphs_[id] = load(id);
}

ClusterPictures::~ClusterPictures() {
    for (auto& set : states_)
        for (GpBitmap* b : set)
            if (b) GdipDisposeImage(b);
    for (auto& [id, b] : glyphs_)
        if (b) GdipDisposeImage(b);
}

GpBitmap* ClusterPictures::glyph(WORD id) const {
    auto it = glyphs_.find(id);
    return it == glyphs_.end() ? nullptr : it->second;
}

void drawCluster(HDC dc, const RECT& bounds, const ClusterModel& model, const ClusterPictures& pictures) {
    const GpRect area{bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
    if (area.Width <= 0 || area.Height <= 0 || area.X < 0 || area.Y < 0) return;
    GpGraphics* target = nullptr;
    if (GdipCreateFromHDC(dc, &target) != Ok) return;
    GpBitmap* off = nullptr;
    GpGraphics* g = nullptr;
    if (GdipCreateBitmapFromScan0(bounds.right, bounds.bottom, 0, PixelFormat32bppPARGB, nullptr, &off) == Ok &&
        GdipGetImageGraphicsContext(off, &g) == Ok) {
        GdipSetInterpolationMode(g, InterpolationModeLowQuality);
        GdipSetSmoothingMode(g, SmoothingModeNone);

        const int state = model.shownState();
        drawAt(g, pictures.state(model.large(), state), 0, 0);
        const int c = model.centre();
        for (WORD id : overlays(model, state)) {
            const GlyphPlace p = glyphPlace(id);
            drawAt(g, pictures.glyph(id), c + p.dx, c + p.dy);
        }

        tint(off, area, model.color);

        GpPath* circle = nullptr;
        if (GdipCreatePath(FillModeAlternate, &circle) == Ok) {
            GdipAddPathEllipseI(circle, area.X, area.Y, area.Width, area.Height);
            GdipSetClipRectI(g, area.X, area.Y, area.Width, area.Height, CombineModeReplace);
            GdipSetClipPath(g, circle, CombineModeExclude);
            GdipGraphicsClear(g, model.backColor);
            GdipResetClip(g);
            GdipDeletePath(circle);
        }
        GdipDrawImageRectI(target, off, 0, 0, bounds.right, bounds.bottom);
    }
    if (g) GdipDeleteGraphics(g);
    if (off) GdipDisposeImage(off);
    GdipDeleteGraphics(target);
}

}  // namespace sondrel
