#include "tests/canvas.h"
#include "tests/pixels.h"
#include "time_display/time_display_view.h"
#include "time_display/time_display_model.h"

namespace {

using sondrel::TimeDisplayModel;

using TimePixels = Pixels;

constexpr COLORREF kDisplay = RGB(0, 0, 40);
constexpr COLORREF kDigit = RGB(250, 250, 0);

TimeDisplayModel display(LONG style = 0) {
    TimeDisplayModel m;
    m.displayColor = kDisplay;
    m.digitColor = kDigit;
    m.putDigitStyle(style);
    return m;
}

// A sample pixel of each segment's base line in a 12 x 20 cell at (l, 2), and the digits that
// light it: top, upper right, middle, upper left, lower left, bottom, lower right.
struct SegmentSample {
    int dx, y;
    const char* lit;
};
const SegmentSample kSegments[7] = {
    {5, 5, "02356789"}, {8, 8, "01234789"}, {5, 11, "2345689"}, {3, 8, "045689"},
    {3, 14, "0268"},     {5, 17, "0235689"}, {8, 14, "013456789"},
};

TEST_F(TimePixels, SegmentsOfEveryDigit) {
    const int l = 58;  // the seconds units cell of an 84 x 22 display
    for (LONG d = 0; d <= 9; ++d) {
        TimeDisplayModel m = display();
        m.putSeconds(d);
        Canvas canvas(84, 22);
        sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 84, 22}, m);
        for (int s = 0; s < 7; ++s) {
            bool lit = std::string(kSegments[s].lit).find(static_cast<char>('0' + d)) != std::string::npos;
            EXPECT_EQ(canvas.at(l + kSegments[s].dx, kSegments[s].y), lit ? kDigit : kDisplay)
                << "digit " << d << " segment " << s;
        }
        EXPECT_EQ(canvas.at(l + 6, 8), kDisplay) << d;  // inside the digit
    }
}

TEST_F(TimePixels, CellsColonsAndDecimalPoint) {
    TimeDisplayModel m = display();
    m.setTime(3723400);  // 01:02:03.4
    Canvas canvas(84, 22);
    sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 84, 22}, m);
    struct Sample {
        int x, y;
        bool lit;
    } samples[] = {
        {4, 8, true},   {6, 11, false},                   // hours tens 0 at 1
        {13, 8, false}, {18, 8, true},                    // hours units 1 at 10
        {27, 8, true},  {29, 11, false},                  // minutes tens 0 at 24
        {36, 14, true}, {41, 14, false},                  // minutes units 2 at 33
        {52, 8, true},  {54, 11, false},                  // seconds tens 0 at 49
        {61, 14, false}, {66, 14, true},                  // seconds units 3 at 58
        {74, 8, true},  {76, 5, false}, {76, 17, false},  // tenths 4 at 71
        {22, 8, true},  {23, 9, true},  {22, 13, true}, {23, 14, true}, {22, 11, false}, {22, 7, false},  // colon
        {46, 8, true},  {47, 14, true}, {45, 8, false}, {48, 8, false},                                   // colon
        {69, 16, true}, {70, 17, true}, {69, 15, false}, {71, 16, false},                                 // point
    };
    for (const Sample& s : samples)
        EXPECT_EQ(canvas.at(s.x, s.y), s.lit ? kDigit : kDisplay) << s.x << "," << s.y;
}

TEST_F(TimePixels, ThickerStylesAddInnerAndOuterLines) {
    struct Case {
        LONG style;
        bool outer, base, inner;
    } cases[] = {{0, false, true, false}, {1, false, true, true}, {2, true, true, true}};
    const int l = 58;
    for (const Case& c : cases) {
        TimeDisplayModel m = display(c.style);
        m.putSeconds(8);
        Canvas canvas(84, 22);
        sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 84, 22}, m);
        EXPECT_EQ(canvas.at(l + 6, 4), c.outer ? kDigit : kDisplay) << c.style;
        EXPECT_EQ(canvas.at(l + 6, 5), c.base ? kDigit : kDisplay) << c.style;
        EXPECT_EQ(canvas.at(l + 6, 6), c.inner ? kDigit : kDisplay) << c.style;
        EXPECT_EQ(canvas.at(l + 9, 8), c.outer ? kDigit : kDisplay) << c.style;  // upper right, outer
        EXPECT_EQ(canvas.at(70, c.style == 2 ? 18 : 17), kDigit) << c.style;      // the point drops a row
    }
}

TEST_F(TimePixels, HiddenGroupsAndBlankDigits) {
    TimeDisplayModel m = display();
    m.putShowMinutes(VARIANT_FALSE);  // hours go too: seconds and tenths fill the display
    m.setTime(360000000 + 9000);      // 100 hours: the tens digit is blank
    Canvas canvas(84, 22);
    sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 84, 22}, m);
    // Three cells of 28: seconds tens at R - 3c + 1 = 1 shows 0, seconds units at 26 shows 9.
    EXPECT_EQ(canvas.at(1 + 3, 8), kDigit);
    EXPECT_EQ(canvas.at(26 + 3, 14), kDisplay);
    EXPECT_EQ(canvas.at(26 + 28 - 4, 14), kDigit);

    TimeDisplayModel blank = display();
    blank.setTime(360000000);
    Canvas c2(84, 22);
    sondrel::drawTimeDisplay(c2.dc(), {0, 0, 84, 22}, blank);
    for (const SegmentSample& s : kSegments) {
        EXPECT_EQ(c2.at(1 + s.dx, s.y), kDisplay);
    }
    EXPECT_EQ(c2.at(10 + 8, 8), kDigit);  // the units still show 0
}

TEST_F(TimePixels, Borders) {
    struct Case {
        LONG type;
        COLORREF topLeft, bottomRight;
    } cases[] = {{0, kDisplay, kDisplay}, {1, RGB(255, 255, 255), RGB(255, 255, 255)},
                 {2, kShadow, kHighlight}, {3, kHighlight, kShadow}};
    for (const Case& c : cases) {
        TimeDisplayModel m = display();
        m.putBorderType(c.type);
        Canvas canvas(84, 22);
        sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 84, 22}, m);
        EXPECT_EQ(canvas.at(30, 0), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(0, 12), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(30, 21), c.bottomRight) << c.type;
        EXPECT_EQ(canvas.at(83, 12), c.bottomRight) << c.type;
        EXPECT_EQ(canvas.at(1, 1), kDisplay) << c.type;
    }
}

TEST_F(TimePixels, CaptionsAboveShownGroups) {
    TimeDisplayModel m = display();
    m.showInscriptions = VARIANT_TRUE;
    m.inscriptionsColor = RGB(255, 0, 255);
    m.putShowMilliseconds(VARIANT_FALSE);
    Canvas canvas(120, 30);
    sondrel::drawTimeDisplay(canvas.dc(), {0, 0, 120, 30}, m);
    auto inked = [&](int centre) {
        for (int y = 0; y < 10; ++y)
            for (int x = centre - 12; x <= centre + 12; ++x)
                if (x >= 0 && x < 120 && canvas.at(x, y) != kDisplay) return true;
        return false;
    };
    const int c = 120 / 6;
    EXPECT_TRUE(inked(c + 1));            // "hour"
    EXPECT_TRUE(inked(3 * c));            // "min"
    EXPECT_TRUE(inked(120 - c + 1));      // "sec"
    EXPECT_EQ(canvas.at(c + 1, 29), kDisplay);
    // Digits start lower with captions: the top segment of the hours tens 0 is at row 13.
    EXPECT_EQ(canvas.at(1 + 5, 13), kDigit);
}

}  // namespace
