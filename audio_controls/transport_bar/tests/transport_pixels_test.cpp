#include "tests/canvas.h"
#include "tests/gdiplus_test.h"
#include "transport_bar/transport_view.h"

#include <gtest/gtest.h>

namespace {

using sondrel::TransportModel;

constexpr COLORREF kFace = RGB(200, 190, 180);
constexpr COLORREF kShade = RGB(169, 169, 169);
constexpr COLORREF kHigh = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

class TransportPixels : public GdiplusTest {
protected:

    Canvas& draw(const TransportModel& m, int width) {
        canvas_ = std::make_unique<Canvas>(width, 27);
        sondrel::drawTransportBar(canvas_->dc(), {0, 0, width, 27}, m);
        return *canvas_;
    }

    std::unique_ptr<Canvas> canvas_;
};

TEST_F(TransportPixels, IdleBarHasAFlatPlayButtonAndGreyedStopAndPause) {
    TransportModel m(kFace);
    Canvas& c = draw(m, 77);
    EXPECT_EQ(c.at(1, 1), kFace);   // no border
    EXPECT_EQ(c.at(4, 3), kFace);   // flat face
    EXPECT_EQ(c.at(13, 12), kBlack);
    EXPECT_EQ(c.at(20, 12), kFace);  // right of the triangle's tip
    EXPECT_EQ(c.at(60, 11), kShade);
    EXPECT_EQ(c.at(35, 12), kShade);
    EXPECT_EQ(c.at(40, 12), kShade);
    EXPECT_EQ(c.at(38, 12), kFace);
}

TEST_F(TransportPixels, PlayingSinksThePlayButtonAndLightsStopAndPause) {
    TransportModel m(kFace);
    m.play();
    Canvas& c = draw(m, 77);
    EXPECT_EQ(c.at(4, 10), kShade);  // upper edges
    EXPECT_EQ(c.at(10, 3), kShade);
    EXPECT_EQ(c.at(25, 10), kHigh);  // lower edges
    EXPECT_EQ(c.at(10, 22), kHigh);
    EXPECT_EQ(c.at(12, 16), kBlack);  // the glyph one pixel down
    EXPECT_EQ(c.at(10, 17), kFace);
    EXPECT_EQ(c.at(60, 11), kBlack);
    EXPECT_EQ(c.at(35, 12), kBlack);

    m.pause();
    Canvas& p = draw(m, 77);
    EXPECT_EQ(p.at(28, 10), kShade);  // pause sinks, play rises again
    EXPECT_EQ(p.at(36, 17), kBlack);
    EXPECT_EQ(p.at(4, 10), kFace);
}

TEST_F(TransportPixels, HoverRaisesAButton) {
    TransportModel m(kFace);
    m.mouseMove(15, 12, 77);
    Canvas& c = draw(m, 77);
    EXPECT_EQ(c.at(4, 10), kHigh);
    EXPECT_EQ(c.at(25, 10), kShade);
    EXPECT_EQ(c.at(13, 12), kBlack);
}

TEST_F(TransportPixels, RecordSeparatorsAndTheVolumeGroup) {
    TransportModel m(kFace);
    m.putShowButtonRecord(VARIANT_TRUE);
    m.putShowPositionControls(VARIANT_TRUE);
    m.putShowVolumeControls(VARIANT_TRUE);
    m.record();
    m.putMute(VARIANT_TRUE);
    Canvas& c = draw(m, 299);
    EXPECT_EQ(c.at(87, 14), kRed);    // record, sunken while recording
    EXPECT_EQ(c.at(13, 12), kShade);  // no play while recording
    EXPECT_EQ(c.at(115, 12), kShade);  // nor the position buttons
    // Separators before the position buttons (at 108) and after them.
    for (int s : {102, 157}) {
        EXPECT_EQ(c.at(s, 10), kShade) << s;
        EXPECT_EQ(c.at(s + 1, 10), kHigh) << s;
        EXPECT_EQ(c.at(s, 22), kHigh) << s;
    }
    // The thumb at the track's left end, on the highlight line.
    EXPECT_EQ(c.at(253, 10), kShade);
    EXPECT_EQ(c.at(245, 10), kHigh);
    EXPECT_EQ(c.at(249, 10), kFace);
    EXPECT_EQ(c.at(270, 24), kHigh);
    EXPECT_EQ(c.at(294, 15), kHigh);
    // Mute: a sunken button with a red cross over the note.
    EXPECT_EQ(c.at(219, 10), kShade);
    EXPECT_EQ(c.at(228, 12), kRed);
    EXPECT_EQ(c.at(230, 20), kBlack);  // the note's head
}

TEST_F(TransportPixels, ADisabledMuteCrossTakesTheGlyphColour) {
    TransportModel m(kFace);
    m.putShowVolumeControls(VARIANT_TRUE);
    m.putMute(VARIANT_TRUE);
    m.putEnableButtons(127 & ~32);
    m.changeVolume(1595 * 41);
    Canvas& c = draw(m, 219);
    EXPECT_EQ(c.at(148, 12), kShade);
    EXPECT_EQ(c.at(150, 20), kShade);
    EXPECT_EQ(c.at(165 + 41, 10), kHigh);  // the thumb at the right end
}

TEST_F(TransportPixels, BorderTypes) {
    struct Case {
        LONG type;
        COLORREF right, left;
    } cases[] = {{1, RGB(0, 0, 255), RGB(0, 0, 255)}, {2, RGB(0x14, 0, 0), RGB(0x10, 0, 0)},
                 {3, RGB(0x10, 0, 0), RGB(0x14, 0, 0)}};
    for (const Case& k : cases) {
        TransportModel m(kFace);
        m.putBorderColor(RGB(0, 0, 255));
        m.putBorderType(k.type);
        Canvas& c = draw(m, 77);
        EXPECT_EQ(c.at(76, 10), k.right) << k.type;
        EXPECT_EQ(c.at(40, 26), k.right) << k.type;
        EXPECT_EQ(c.at(1, 10), k.left) << k.type;
        EXPECT_EQ(c.at(40, 1), k.left) << k.type;
        EXPECT_EQ(c.at(0, 10), kFace) << k.type;
    }
}

TEST_F(TransportPixels, DrawsOnlyInsideItsBounds) {
    TransportModel m(kFace);
    Canvas c(120, 60);
    RECT all{0, 0, 120, 60};
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    sondrel::drawTransportBar(c.dc(), {10, 20, 87, 47}, m);
    EXPECT_EQ(c.at(5, 25), kHigh);
    EXPECT_EQ(c.at(50, 10), kHigh);
    EXPECT_EQ(c.at(11, 21), kFace);
    EXPECT_EQ(c.at(23, 32), kBlack);  // the play glyph, moved with the origin
}

}  // namespace
