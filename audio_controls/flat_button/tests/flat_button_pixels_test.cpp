#include "flat_button/flat_button_view.h"
#include "tests/canvas.h"
#include "tests/pixels.h"

namespace {

using sondrel::FlatButtonLook;
using sondrel::FlatButtonModel;

constexpr int kW = 80, kH = 24;

class FlatButtonPixels : public Pixels {
protected:
    void SetUp() override {
        Pixels::SetUp();
        font_ = CreateFontA(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    }
    void TearDown() override {
        DeleteObject(font_);
        Pixels::TearDown();
    }
    Canvas& draw(FlatButtonLook& look, const FlatButtonModel& m) {
        canvas_ = std::make_unique<Canvas>(kW, kH);
        look.draw(canvas_->dc(), {0, 0, kW, kH}, m, font_);
        return *canvas_;
    }
    // Text is smoothed into the face, so the caption tests use a light face, blue text and a
    // yellow highlight, and tell the inks apart by their blue.
    static void captionColours() {
        windows::setSysColor(COLOR_BTNFACE, RGB(200, 200, 200));
        windows::setSysColor(COLOR_BTNHIGHLIGHT, RGB(255, 255, 0));
        windows::setSysColor(COLOR_BTNTEXT, RGB(0, 0, 255));
    }
    static bool textInk(COLORREF c) { return GetBValue(c) > GetRValue(c) + 40; }
    static bool highlightInk(COLORREF c) { return GetBValue(c) + 40 < GetRValue(c); }

    // The box around the pixels of an ink inside the frame; empty when there are none.
    template <class Ink>
    static RECT box(const Canvas& c, Ink ink) {
        RECT r{kW, kH, 0, 0};
        for (int y = 2; y < kH - 2; ++y)
            for (int x = 2; x < kW - 2; ++x)
                if (ink(c.at(x, y))) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        return r;
    }

    HFONT font_ = nullptr;
    std::unique_ptr<Canvas> canvas_;
};

TEST_F(FlatButtonPixels, FramesForAwayOverAndPressed) {
    struct Case {
        bool inside, pressed;
        COLORREF left, top, right, bottom, innerRight;
    } cases[] = {
        {false, false, kHighlight, kHighlight, kShadow, kShadow, kFace},
        {true, false, kHighlight, kHighlight, kDark, kDark, kShadow},
        {true, true, kShadow, kShadow, kHighlight, kHighlight, kFace},
        {false, true, kHighlight, kHighlight, kShadow, kShadow, kFace},  // pressed, pointer away
    };
    for (const Case& k : cases) {
        FlatButtonModel m;
        m.caption.reset();
        m.tick(k.inside);
        if (k.pressed) m.mouseDown();
        FlatButtonLook look;
        Canvas& c = draw(look, m);
        SCOPED_TRACE(testing::Message() << k.inside << k.pressed);
        EXPECT_EQ(c.at(0, 10), k.left);
        EXPECT_EQ(c.at(40, 0), k.top);
        EXPECT_EQ(c.at(kW - 1, 10), k.right);
        EXPECT_EQ(c.at(40, kH - 1), k.bottom);
        EXPECT_EQ(c.at(kW - 2, 10), k.innerRight);
        EXPECT_EQ(c.at(40, 10), kFace);
    }
}

TEST_F(FlatButtonPixels, TheCaptionIsCentredAndMovesWhenPressed) {
    captionColours();
    FlatButtonModel m;
    m.caption = u"OK";
    m.tick(true);
    FlatButtonLook look;
    const RECT up = box(draw(look, m), textInk);
    ASSERT_LT(up.left, up.right);
    EXPECT_NEAR((up.left + up.right) / 2.0, kW / 2.0, 2.0);
    EXPECT_NEAR((up.top + up.bottom) / 2.0, kH / 2.0, 3.0);
    m.mouseDown();
    const RECT down = box(draw(look, m), textInk);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    EXPECT_EQ(box(*canvas_, highlightInk).right, 0);  // no highlight copy while enabled
}

TEST_F(FlatButtonPixels, ADisabledCaptionHasAHighlightCopyOnePixelDownAndRight) {
    captionColours();
    FlatButtonModel m;
    m.caption = u"OK";
    m.putEnabled(VARIANT_FALSE);
    FlatButtonLook look;
    Canvas& c = draw(look, m);
    const RECT text = box(c, textInk), copy = box(c, highlightInk);
    ASSERT_LT(text.left, text.right);
    // Smoothing blurs the right edges; the bottom row and the lower right are the copy's alone.
    EXPECT_EQ(copy.bottom, text.bottom + 1);
    EXPECT_GE(copy.right, text.right);
    EXPECT_GE(copy.left, text.left);
    EXPECT_GE(copy.top, text.top);
}

TEST_F(FlatButtonPixels, ASystemColourChangeShowsAtTheNextDrawing) {
    FlatButtonModel m;
    FlatButtonLook look;
    EXPECT_EQ(draw(look, m).at(5, 5), kFace);
    windows::setSysColor(COLOR_BTNFACE, RGB(90, 0, 90));
    windows::setSysColor(COLOR_BTNSHADOW, RGB(0, 90, 0));
    Canvas& c = draw(look, m);
    EXPECT_EQ(c.at(5, 5), RGB(90, 0, 90));
    EXPECT_EQ(c.at(kW - 1, 10), RGB(0, 90, 0));
}

}  // namespace
