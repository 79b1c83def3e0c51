#include "resources.h"
#include "step_knob/step_view.h"
#include "tests/canvas.h"
#include "tests/gdiplus_test.h"

#include <gtest/gtest.h>

namespace {

using sondrel::StepKnobModel;

class StepPixels : public GdiplusTest {
protected:
    static void SetUpTestSuite() { sondrel::registerModuleResources(); }
    void SetUp() override {
        GdiplusTest::SetUp();
        if (HasFatalFailure()) return;
        for (std::size_t i = 0; i < frames_.size(); ++i)
            ASSERT_EQ(GdipCreateBitmapFromResource(sondrel::moduleInstance(),
                                                   MAKEINTRESOURCEW(sondrel::kStepKnobFrames[i]), &frames_[i]),
                      Ok);
    }
    void TearDown() override {
        for (GpBitmap* f : frames_) GdipDisposeImage(f);
        GdiplusTest::TearDown();
    }
    void draw(const StepKnobModel& m, Canvas& canvas, RECT bounds = {0, 0, 100, 100}) {
        sondrel::drawStepKnob(canvas.dc(), bounds, m, frames_);
    }

    std::array<GpBitmap*, StepKnobModel::kFrames> frames_{};
};

TEST_F(StepPixels, TintedKnobWithTheCornersInBackColor) {
    StepKnobModel m(RGB(1, 1, 1));
    m.color = sondrel::argbFromColor(RGB(0, 0, 200));
    m.backColor = sondrel::argbFromColor(RGB(0, 120, 0));
    Canvas canvas(100, 100);
    draw(m, canvas);
    for (POINT corner : {POINT{1, 1}, POINT{98, 1}, POINT{1, 98}, POINT{98, 98}})
        EXPECT_EQ(canvas.at(corner.x, corner.y), RGB(0, 120, 0)) << corner.x << "," << corner.y;
    const COLORREF centre = canvas.at(50, 50);
    EXPECT_EQ(GetRValue(centre), 0);
    EXPECT_EQ(GetGValue(centre), 0);
    EXPECT_GT(GetBValue(centre), 150);  // the light middle of the picture, in blue
}

TEST_F(StepPixels, EachFrameTurnsTheRidges) {
    StepKnobModel m(RGB(200, 200, 200));
    Canvas first(100, 100), second(100, 100);
    draw(m, first);
    m.scrollMinus();
    m.scrollMinus();
    draw(m, second);
    int differing = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) differing += first.at(x, y) != second.at(x, y);
    EXPECT_GT(differing, 100);
    EXPECT_EQ(first.at(50, 50), second.at(50, 50));
}

TEST_F(StepPixels, DrawsAtTheBoundsOfTheTarget) {
    StepKnobModel m(RGB(200, 200, 200));
    m.backColor = sondrel::argbFromColor(RGB(0, 120, 0));
    Canvas canvas(140, 140);
    RECT all{0, 0, 140, 140};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(m, canvas, {20, 30, 120, 130});
    EXPECT_EQ(canvas.at(19, 40), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(21, 31), RGB(0, 120, 0));
    EXPECT_NE(canvas.at(70, 80), RGB(0, 120, 0));
}

// A host may ask for a drawing of any shape; the tint stays within the picture.
TEST_F(StepPixels, NonSquareBoundsAreTintedWholly) {
    StepKnobModel m(RGB(1, 1, 1));
    m.color = sondrel::argbFromColor(RGB(0, 0, 200));
    for (RECT bounds : {RECT{0, 0, 60, 100}, RECT{0, 0, 100, 60}}) {
        Canvas canvas(100, 100);
        draw(m, canvas, bounds);
        const COLORREF centre = canvas.at(bounds.right / 2, bounds.bottom / 2);
        EXPECT_EQ(GetRValue(centre), 0);
        EXPECT_GT(GetBValue(centre), 150);
    }
}

}  // namespace
