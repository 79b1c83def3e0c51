#include "resources.h"
#include "tests/canvas.h"
#include "tests/gdiplus_test.h"
#include "volume_knob/volume_knob_view.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using sondrel::VolumeKnobModel;

constexpr COLORREF kBack = RGB(0, 120, 0);

class VolumeKnobPixels : public GdiplusTest {
protected:
    static void SetUpTestSuite() { sondrel::registerModuleResources(); }
    void SetUp() override {
        GdiplusTest::SetUp();
        if (HasFatalFailure()) return;
        pictures_ = std::make_unique<sondrel::VolumeKnobPictures>();
        ASSERT_NE(pictures_->knob(false, false), nullptr);
        ASSERT_NE(pictures_->lamp(11), nullptr);
        m.color = sondrel::argbFromColor(RGB(0, 0, 200));
        m.backColor = sondrel::argbFromColor(kBack);
    }
    void TearDown() override {
        pictures_.reset();
        GdiplusTest::TearDown();
    }
    void draw(Canvas& canvas) {
        sondrel::drawVolumeKnob(canvas.dc(), {0, 0, canvas.width(), canvas.height()}, m, *pictures_);
    }

    std::unique_ptr<sondrel::VolumeKnobPictures> pictures_;
    VolumeKnobModel m{0};
};

TEST_F(VolumeKnobPixels, TintedKnobCutToACircle) {
    Canvas canvas(100, 100);
    draw(canvas);
    for (POINT corner : {POINT{1, 1}, POINT{98, 1}, POINT{1, 98}, POINT{98, 98}})
        EXPECT_EQ(canvas.at(corner.x, corner.y), kBack) << corner.x << "," << corner.y;
    const COLORREF centre = canvas.at(50, 50);
    EXPECT_EQ(GetRValue(centre), 0);
    EXPECT_GT(GetBValue(centre), 150);
}

TEST_F(VolumeKnobPixels, TheLampSitsOnTheRimAtTheValueInItsOwnColour) {
    Canvas canvas(100, 100);
    draw(canvas);  // Min: 240 degrees, the lamp's corner at (29, 80)
    EXPECT_EQ(canvas.at(31, 82), RGB(127, 0, 0));
    m.putIndColor(1);
    m.putValue(1000, false);  // Max: -60 degrees, the corner at (66, 80)
    draw(canvas);
    EXPECT_EQ(canvas.at(68, 82), RGB(255, 0, 0));
    EXPECT_NE(canvas.at(31, 82), RGB(127, 0, 0));
}

TEST_F(VolumeKnobPixels, FlatAndRingedPictures) {
    Canvas raised(100, 100), flat(100, 100);
    draw(raised);
    m.putFlat(VARIANT_TRUE);
    draw(flat);
    EXPECT_NE(raised.at(30, 30), flat.at(30, 30));
    m.putBorderType(1);
    Canvas ringed(121, 121);
    draw(ringed);
    EXPECT_EQ(ringed.at(1, 1), kBack);
    EXPECT_NE(ringed.at(60, 3), ringed.at(60, 60));  // the dark ring round the knob
}

}  // namespace
