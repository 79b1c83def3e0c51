#include "flat_slider/flat_slider_view.h"
#include "tests/canvas.h"
#include "tests/pixels.h"

namespace {

using sondrel::FlatSliderModel;
using sondrel::PixelSize;

constexpr COLORREF kTrack = RGB(200, 0, 0);
constexpr COLORREF kBorder = RGB(0, 0, 250);

using FlatSliderPixels = Pixels;

FlatSliderModel slider(LONG orientation, LONG value) {
    FlatSliderModel m;
    PixelSize unused{};
    m.putOrientation(orientation, {20, 109}, &unused);
    m.trackColor = kTrack;
    m.trackBorderColor = kBorder;
    m.setValue(value);
    return m;
}

struct Expect {
    int x, y;
    COLORREF color;
};

void check(const Canvas& canvas, std::initializer_list<Expect> expected, const char* what) {
    for (const Expect& e : expected) EXPECT_EQ(canvas.at(e.x, e.y), e.color) << what << " at " << e.x << "," << e.y;
}

// A vertical 20 x 109 slider at 50: track columns 9 to 11, thumb rows 50 to 58, grip at 53 and 54.
TEST_F(FlatSliderPixels, VerticalTrackThumbAndGrip) {
    FlatSliderModel m = slider(1, 50);
    Canvas canvas(20, 109);
    sondrel::drawFlatSlider(canvas.dc(), {0, 0, 20, 109}, m);
    check(canvas,
          {
              {4, 20, kFace},        {10, 20, kTrack},    {9, 20, kShadow},      {11, 20, kHighlight},
              {10, 0, kShadow},      {10, 108, kHighlight},
              {0, 54, kHighlight},   {8, 50, kHighlight}, {19, 54, kShadow},     {8, 58, kShadow},
              {4, 52, kFace},        {4, 56, kFace},      {4, 53, kHighlight},   {4, 54, kShadow},
              {4, 55, kFace},        {10, 60, kTrack},    {10, 48, kTrack},
          },
          "vertical");
}

TEST_F(FlatSliderPixels, HoverDarkensTheEdgesAndAddsAGripLine) {
    FlatSliderModel m = slider(1, 50);
    m.tick(true, true);
    ASSERT_TRUE(m.hot());
    Canvas canvas(20, 109);
    sondrel::drawFlatSlider(canvas.dc(), {0, 0, 20, 109}, m);
    check(canvas,
          {
              {9, 20, kDark}, {11, 20, kHighlight}, {19, 54, kDark}, {8, 58, kDark},
              {4, 55, kShadow}, {17, 55, kShadow}, {18, 55, kFace},  // the grip stops one pixel short
              {0, 54, kHighlight},
          },
          "hover");
}

// A horizontal 109 x 20 slider at 50: thumb columns 49 to 58, grip at 52 and 53.
TEST_F(FlatSliderPixels, Horizontal) {
    FlatSliderModel m = slider(0, 50);
    Canvas canvas(109, 20);
    sondrel::drawFlatSlider(canvas.dc(), {0, 0, 109, 20}, m);
    check(canvas,
          {
              {20, 10, kTrack}, {20, 9, kShadow}, {20, 11, kHighlight}, {20, 4, kFace},
              {49, 10, kHighlight}, {54, 0, kHighlight}, {58, 10, kShadow}, {54, 19, kShadow},
              {52, 5, kHighlight}, {53, 5, kShadow}, {54, 5, kFace}, {60, 10, kTrack},
          },
          "horizontal");
}

TEST_F(FlatSliderPixels, TrackStylesAndTicks) {
    struct Case {
        LONG style;
        COLORREF left, right;      // the track's edge columns of a vertical slider
        COLORREF upper, lower;     // the tick marks' two pixels
    } cases[] = {
        {0, kTrack, kFace, kDark, kDark},
        {1, kBorder, kBorder, kDark, kDark},
        {2, kShadow, kHighlight, kHighlight, kShadow},
        {3, kHighlight, kShadow, kShadow, kHighlight},
    };
    for (const Case& c : cases) {
        FlatSliderModel m = slider(1, 0);
        m.trackStyle = c.style;
        m.ticks = VARIANT_TRUE;
        Canvas canvas(20, 109);
        sondrel::drawFlatSlider(canvas.dc(), {0, 0, 20, 109}, m);
        EXPECT_EQ(canvas.at(9, 30), c.left) << c.style;
        EXPECT_EQ(canvas.at(11, 30), c.right) << c.style;
        for (int x : {0, 19}) {
            EXPECT_EQ(canvas.at(x, 54), c.upper) << c.style;
            EXPECT_EQ(canvas.at(x, 55), c.lower) << c.style;
        }
        EXPECT_EQ(canvas.at(0, 56), kFace) << c.style;

        FlatSliderModel h = slider(0, 100);
        h.trackStyle = c.style;
        h.ticks = VARIANT_TRUE;
        Canvas wide(109, 20);
        sondrel::drawFlatSlider(wide.dc(), {0, 0, 109, 20}, h);
        EXPECT_EQ(wide.at(54, 0), c.upper) << c.style;
        EXPECT_EQ(wide.at(54, 1), c.lower) << c.style;
        EXPECT_EQ(wide.at(54, 18), c.upper) << c.style;
        EXPECT_EQ(wide.at(54, 19), c.lower) << c.style;
    }
}

TEST_F(FlatSliderPixels, SystemColoursFollowTheSchemeAtDrawTime) {
    FlatSliderModel m;  // the track is the window colour
    windows::setSysColor(COLOR_WINDOW, RGB(0, 99, 0));
    Canvas canvas(20, 109);
    sondrel::drawFlatSlider(canvas.dc(), {0, 0, 20, 109}, m);
    EXPECT_EQ(canvas.at(10, 30), RGB(0, 99, 0));
    windows::setSysColor(COLOR_BTNFACE, RGB(50, 60, 70));
    sondrel::drawFlatSlider(canvas.dc(), {0, 0, 20, 109}, m);
    EXPECT_EQ(canvas.at(4, 30), RGB(50, 60, 70));
    EXPECT_EQ(canvas.at(4, 101), RGB(50, 60, 70));  // the thumb's face
}

}  // namespace
