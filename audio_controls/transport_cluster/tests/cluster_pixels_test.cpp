#include "tests/canvas.h"
#include "tests/gdiplus_test.h"
#include "transport_cluster/cluster_artwork.h"
#include "transport_cluster/cluster_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using sondrel::ClusterModel;

constexpr OLE_COLOR kBack = RGB(0, 120, 240);

class ClusterPixels : public GdiplusTest {
protected:
    void SetUp() override {
        sondrel::registerModuleResources();
        GdiplusTest::SetUp();
        if (HasFatalFailure()) return;
        pictures_ = std::make_unique<sondrel::ClusterPictures>();
    }
    void TearDown() override {
        pictures_.reset();
        GdiplusTest::TearDown();
    }
    // A white tint leaves the greys as they are.
    static ClusterModel model() {
        ClusterModel m;
        m.color = sondrel::argbFromColor(RGB(255, 255, 255));
        m.backColor = sondrel::argbFromColor(kBack);
        return m;
    }
    std::unique_ptr<Canvas> draw(const ClusterModel& m) {
        auto canvas = std::make_unique<Canvas>(m.side(), m.side());
        sondrel::drawCluster(canvas->dc(), {0, 0, m.side(), m.side()}, m, *pictures_);
        return canvas;
    }

    std::unique_ptr<sondrel::ClusterPictures> pictures_;
};

COLORREF colorOf(std::uint32_t argb) { return RGB(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF); }

// The drawing shows the state picture inside the circle (away from its edge).
void expectPicture(const Canvas& canvas, int side, int state) {
    const std::vector<std::uint32_t> picture = sondrel::clusterPicture(side, state);
    const int c = side == 121 ? 60 : 50;
    for (int y = 0; y < side; y += 3)
        for (int x = 0; x < side; x += 3)
            if (sondrel::insideCircle(x - c, y - c, c - 2)) {
                ASSERT_EQ(canvas.at(x, y), colorOf(picture[y * side + x])) << state << " at " << x << "," << y;
            }
}

void expectGlyph(const Canvas& canvas, int c, WORD id) {
    const sondrel::GlyphPlace p = sondrel::glyphPlace(id);
    const std::vector<std::uint32_t> glyph = sondrel::glyphPicture(id);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            ASSERT_EQ(canvas.at(c + p.dx + x, c + p.dy + y), colorOf(glyph[y * p.width + x])) << id << " " << x << "," << y;
}

TEST_F(ClusterPixels, NormalPictureWithRoundCorners) {
    ClusterModel m = model();
    auto canvas = draw(m);
    expectPicture(*canvas, 100, 0);
    for (POINT corner : {POINT{1, 1}, POINT{98, 1}, POINT{1, 98}, POINT{98, 98}, POINT{10, 10}})
        EXPECT_EQ(canvas->at(corner.x, corner.y), kBack) << corner.x << "," << corner.y;
}

TEST_F(ClusterPixels, PressedPartShowsItsPicture) {
    ClusterModel m = model();
    m.mouseDown(50, 10);
    auto canvas = draw(m);
    expectPicture(*canvas, 100, 5);
    EXPECT_NE(canvas->at(50, 22), draw(model())->at(50, 22));  // the stop segment darkens
}

TEST_F(ClusterPixels, FlatPictureOnlyWhileFlat) {
    ClusterModel m = model();
    m.putFlat(VARIANT_TRUE);
    expectPicture(*draw(m), 100, 6);
}

TEST_F(ClusterPixels, GlyphOverlays) {
    ClusterModel m = model();
    m.putPause(VARIANT_TRUE);
    m.putEnabled(sondrel::kNext, VARIANT_FALSE);
    m.putEnabled(sondrel::kRecord, VARIANT_FALSE);
    m.putEnabled(sondrel::kPrevious, VARIANT_FALSE);
    m.putEnabled(sondrel::kStop, VARIANT_FALSE);
    auto canvas = draw(m);
    expectGlyph(*canvas, 50, sondrel::IDB_CLUSTER_PAUSE);
    expectGlyph(*canvas, 50, sondrel::IDB_CLUSTER_NEXT_OFF);
    expectGlyph(*canvas, 50, sondrel::IDB_CLUSTER_RECORD_OFF);
    expectGlyph(*canvas, 50, sondrel::IDB_CLUSTER_PREVIOUS_OFF);
    expectGlyph(*canvas, 50, sondrel::IDB_CLUSTER_STOP_OFF);

    m.mouseDown(50, 50);  // pressed play: the pressed pause glyph
    expectGlyph(*draw(m), 50, sondrel::IDB_CLUSTER_PAUSE_PRESSED);
    m.putEnabled(sondrel::kPlay, VARIANT_FALSE);
    expectGlyph(*draw(m), 50, sondrel::IDB_CLUSTER_PAUSE_OFF);
    m.putPause(VARIANT_FALSE);
    expectGlyph(*draw(m), 50, sondrel::IDB_CLUSTER_PLAY_OFF);
}

TEST_F(ClusterPixels, LargeSetAndTint) {
    ClusterModel m = model();
    m.putBorderType(1);
    auto large = draw(m);
    expectPicture(*large, 121, 0);
    EXPECT_EQ(large->at(2, 118), kBack);
    m.putEnabled(sondrel::kNext, VARIANT_FALSE);
    expectGlyph(*draw(m), 60, sondrel::IDB_CLUSTER_NEXT_OFF);
    m.putEnabled(sondrel::kNext, VARIANT_TRUE);

    m.color = sondrel::argbFromColor(RGB(200, 100, 0));
    auto tinted = draw(m);
    const std::vector<std::uint32_t> picture = sondrel::clusterPicture(121, 0);
    for (POINT p : {POINT{60, 60}, POINT{60, 25}, POINT{100, 60}, POINT{60, 110}}) {
        BYTE px[4];
        std::memcpy(px, &picture[p.y * 121 + p.x], 4);
        sondrel::tintPixels(1, 1, px, 200, 100, 0);
        EXPECT_EQ(tinted->at(p.x, p.y), RGB(px[2], px[1], px[0])) << p.x << "," << p.y;
    }
}

}  // namespace
