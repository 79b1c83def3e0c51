#include "band_sliders/bands_view.h"
#include "resources.h"
#include "tests/canvas.h"
#include "tests/pixels.h"

namespace {

using sondrel::BandsModel;

constexpr COLORREF kBack = RGB(30, 60, 90);
constexpr COLORREF kSlider = RGB(200, 0, 0);
constexpr COLORREF kTicks = RGB(0, 0, 250);
constexpr COLORREF kText = RGB(0, 250, 0);
constexpr COLORREF kTrack2 = RGB(250, 250, 0);

// Band 1 of a 300 x 90 drawing: its column from x 35 to 44, the track from row 6 to 69.
constexpr int x0 = 35, x1 = 44, y0 = 6, y1 = 69;

class BandsPixels : public Pixels {
protected:
    static void SetUpTestSuite() { sondrel::registerModuleResources(); }
    void SetUp() override {
        Pixels::SetUp();
        thumb_ = LoadBitmapA(sondrel::moduleInstance(), MAKEINTRESOURCEA(sondrel::IDB_BAND_THUMB));
        dragged_ = LoadBitmapA(sondrel::moduleInstance(), MAKEINTRESOURCEA(sondrel::IDB_BAND_THUMB_DRAGGED));
        ASSERT_NE(thumb_, nullptr);
        ASSERT_NE(dragged_, nullptr);
        m.backColor = kBack;
        m.sliderColor = kSlider;
        m.tickColor = kTicks;
        m.inscriptionsColor = kText;
        m.slider2BackColor = kTrack2;
    }
    void TearDown() override {
        DeleteObject(thumb_);
        DeleteObject(dragged_);
        Pixels::TearDown();
    }
    void draw() { sondrel::drawBands(canvas.dc(), {0, 0, 300, 90}, m, thumb_, dragged_); }
    // Pixels of the area not in the background colour (text is drawn smoothed).
    int inked(int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += canvas.at(x, y) != kBack;
        return n;
    }

    BandsModel m;
    Canvas canvas{300, 90};
    HBITMAP thumb_ = nullptr;
    HBITMAP dragged_ = nullptr;
};

TEST_F(BandsPixels, FirstLookGrooveThumbAndTicks) {
    m.putBandValue(15);  // thumb at the top: rows 6 to 13
    draw();
    EXPECT_EQ(canvas.at(2, 2), kBack);
    EXPECT_EQ(canvas.at(x0 - 1, y0), kHighlight);
    EXPECT_EQ(canvas.at(x0 + 3, y0 + 3), kSlider);
    EXPECT_EQ(canvas.at(x1, y0 + 3), kShadow);
    EXPECT_EQ(canvas.at(x0 + 3, y0 + 7), kShadow);
    EXPECT_EQ(canvas.at(x0 + 3, y0 + 8), kBack);
    EXPECT_EQ(canvas.at(x0 + 4, 40), kShadow);  // the groove
    EXPECT_EQ(canvas.at(x0 + 6, 40), kHighlight);
    EXPECT_EQ(canvas.at(x0 + 7, 40), kBack);
    // Ticks every 15 units of 30: the two ends and one between them, left and right (the thumb
    // at the top covers the inner ends of the first).
    for (int row : {y0 + 4, y0 + 3 + 28, y1 - 4}) {
        EXPECT_EQ(canvas.at(x0 - 4, row), kTicks) << row;
        EXPECT_EQ(canvas.at(x0 - 2, row), kTicks) << row;
        EXPECT_EQ(canvas.at(x1 + 1, row), kTicks) << row;
        EXPECT_EQ(canvas.at(x1 + 3, row), kTicks) << row;
        EXPECT_EQ(canvas.at(x1 + 4, row), kBack) << row;
    }
    EXPECT_EQ(canvas.at(x0 - 1, y1 - 4), kTicks);
    EXPECT_EQ(canvas.at(x1, y1 - 4), kTicks);
    EXPECT_EQ(canvas.at(x0 - 2, 20), kBack);
}

TEST_F(BandsPixels, HoverDarkensTheGrooveAndTheThumbsEdge) {
    m.mouseMove(x0 + 2, 40, {300, 90});
    draw();
    EXPECT_EQ(canvas.at(x0 + 4, 40), kDark);
    EXPECT_EQ(canvas.at(x1, y0 + 27 + 3), kDark);  // the thumb of value 0
    EXPECT_EQ(canvas.at(122 + 4, 40), kShadow);  // band 5 stays
}

TEST_F(BandsPixels, SecondLookDrawsTheTintedThumbOfTheDraggedBand) {
    m.putSliderType(2);
    m.putBandValue(15);
    draw();
    EXPECT_EQ(canvas.at(x0 + 3, y0 - 2 + 3), RGB(200, 0, 0));  // grey 200 tinted with 200, 0, 0
    EXPECT_EQ(canvas.at(x0 + 5, 40), kTrack2);
    EXPECT_EQ(canvas.at(x0, 40), kShadow);
    EXPECT_EQ(canvas.at(x1 - 1, 40), kHighlight);
    EXPECT_EQ(canvas.at(x0 - 6, y0 + 4), kTicks);  // a = 5
    EXPECT_EQ(canvas.at(x1 + 1, y0 + 4), kTicks);  // b = 1

    m.mouseDown(x0 + 2, y0 + 4, {300, 90});
    draw();
    EXPECT_EQ(canvas.at(x0 + 3, y0 - 2 + 3), RGB(230, 0, 0));  // the lighter dragged picture
}

TEST_F(BandsPixels, CaptionsAndScaleComeAndGo) {
    m.showTicks = VARIANT_FALSE;
    draw();
    EXPECT_GT(inked(x0 - 6, y1 + 2, x1 + 6, 90), 0);
    EXPECT_GT(inked(0, 0, x0 - 2, 20), 0);       // 15dB
    EXPECT_GT(inked(0, y1 - 12, x0 - 2, 90), 0);  // -15dB
    m.putHorizontalInscriptions(VARIANT_FALSE);
    m.scaleYVisible = VARIANT_FALSE;
    draw();
    EXPECT_EQ(inked(0, 0, 15 - 1, 90), 0);  // the bands now start at x 15
    EXPECT_EQ(inked(0, 84, 300, 90), 0);
}

TEST_F(BandsPixels, BorderTypes) {
    struct Case {
        LONG type;
        COLORREF topLeft, bottomRight;
    } cases[] = {{0, kBack, kBack}, {1, RGB(9, 99, 199), RGB(9, 99, 199)}, {2, kShadow, kHighlight}, {3, kHighlight, kShadow}};
    for (const Case& c : cases) {
        m.borderColor = RGB(9, 99, 199);
        m.putBorderType(c.type);
        draw();
        EXPECT_EQ(canvas.at(150, 0), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(0, 45), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(150, 89), c.bottomRight) << c.type;
        EXPECT_EQ(canvas.at(299, 45), c.bottomRight) << c.type;
    }
}

}  // namespace
