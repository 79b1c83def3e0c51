#include "gdi/gdi.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "Arial");
        ASSERT_NE(font_, nullptr);
        old_ = SelectObject(canvas_.dc(), font_);
        SetBkMode(canvas_.dc(), TRANSPARENT);
        SetTextColor(canvas_.dc(), RGB(0, 0, 0));
    }
    void TearDown() override {
        SelectObject(canvas_.dc(), old_);
        DeleteObject(font_);
    }
    SIZE extent(const char* text) {
        SIZE size{};
        EXPECT_TRUE(GetTextExtentPoint32A(canvas_.dc(), text, static_cast<int>(std::strlen(text)), &size));
        return size;
    }
    // Draws with the alignment and returns the box of the inked pixels.
    RECT inkOf(UINT align, int x, int y, const char* text) {
        canvas_.clear(kWhite);
        SetTextAlign(canvas_.dc(), align);
        EXPECT_TRUE(TextOutA(canvas_.dc(), x, y, text, static_cast<int>(std::strlen(text))));
        return canvas_.boundsOfOther(kWhite);
    }

    Canvas canvas_{200, 80};
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(Text, ExtentGrowsWithTheTextAndHasTheFontsHeight) {
    SIZE one = extent("H");
    SIZE three = extent("HHH");
    EXPECT_GT(one.cx, 4);
    EXPECT_NEAR(three.cx, 3 * one.cx, 2);
    EXPECT_GE(one.cy, 16);
    EXPECT_LE(one.cy, 22);
    SIZE empty{};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas_.dc(), "", 0, &empty));
    EXPECT_EQ(empty.cx, 0);

    // A positive height asks for the cell height.
    HFONT cell = CreateFontA(20, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ previous = SelectObject(canvas_.dc(), cell);
    EXPECT_NEAR(extent("Hg").cy, 20, 1);
    SelectObject(canvas_.dc(), previous);
    DeleteObject(cell);
}

TEST_F(Text, WindowsFacesMeasureAsTheirSubstitutes) {
    const SIZE arial = extent("Substitute faces");
    HFONT liberation = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Liberation Sans");
    HGDIOBJ previous = SelectObject(canvas_.dc(), liberation);
    const SIZE direct = extent("Substitute faces");
    SelectObject(canvas_.dc(), previous);
    DeleteObject(liberation);
    EXPECT_EQ(arial.cx, direct.cx);
    EXPECT_EQ(arial.cy, direct.cy);
}

TEST_F(Text, TextOutPlacesTheTextWhereTheAlignmentSays) {
    const SIZE size = extent("HH");
    RECT ink = inkOf(TA_LEFT | TA_TOP, 50, 20, "HH");
    EXPECT_GE(ink.left, 50);
    EXPECT_LE(ink.left, 53);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.right, 50 + size.cx);
    EXPECT_LE(ink.bottom, 20 + size.cy);

    ink = inkOf(TA_RIGHT | TA_TOP, 100, 20, "HH");
    EXPECT_LE(ink.right, 100);
    EXPECT_GE(ink.right, 97);
    EXPECT_GE(ink.left, 100 - size.cx);

    ink = inkOf(TA_CENTER | TA_TOP, 100, 20, "HH");
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 2);

    // Capitals stand on the baseline; the bottom alignment puts the whole cell above y.
    ink = inkOf(TA_LEFT | TA_BASELINE, 50, 40, "HH");
    EXPECT_NEAR(ink.bottom, 40, 1);
    EXPECT_LT(ink.top, 40 - 8);
    ink = inkOf(TA_LEFT | TA_BOTTOM, 50, 60, "Hg");
    EXPECT_LE(ink.bottom, 60);
    EXPECT_GE(ink.top, 60 - size.cy);
}

TEST_F(Text, OpaqueBackgroundFillsTheTextCell) {
    SetBkMode(canvas_.dc(), OPAQUE);
    SetBkColor(canvas_.dc(), RGB(0, 0, 255));
    SetTextAlign(canvas_.dc(), TA_LEFT | TA_TOP);
    const SIZE size = extent("Hi");
    TextOutA(canvas_.dc(), 10, 10, "Hi", 2);
    EXPECT_EQ(canvas_.at(10, 10), RGB(0, 0, 255));
    EXPECT_EQ(canvas_.at(10 + size.cx - 1, 10 + size.cy - 1), RGB(0, 0, 255));
    EXPECT_EQ(canvas_.at(10 + size.cx, 10), kWhite);
    EXPECT_EQ(canvas_.at(10, 10 + size.cy), kWhite);
}

TEST_F(Text, DrawTextAlignsInItsRectangle) {
    RECT box{20, 10, 180, 70};
    RECT measured = box;
    int height = DrawTextA(canvas_.dc(), "Centre", -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(measured.left, 20);
    EXPECT_EQ(measured.right - measured.left, extent("Centre").cx);
    EXPECT_EQ(measured.bottom - measured.top, height);
    EXPECT_EQ(canvas_.boundsOfOther(kWhite).right, -1);

    canvas_.clear(kWhite);
    RECT r = box;
    DrawTextA(canvas_.dc(), "Centre", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RECT ink = canvas_.boundsOfOther(kWhite);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 2);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 40, 4);

    canvas_.clear(kWhite);
    r = box;
    DrawTextA(canvas_.dc(), "Right", -1, &r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    ink = canvas_.boundsOfOther(kWhite);
    EXPECT_LE(ink.right, 180);
    EXPECT_GE(ink.right, 177);
    EXPECT_LE(ink.bottom, 70);
    EXPECT_GE(ink.bottom, 70 - 8);

    // An ampersand prefix is not drawn; two stand for one.
    RECT a = box, b = box;
    DrawTextA(canvas_.dc(), "&Save", -1, &a, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(canvas_.dc(), "Save", -1, &b, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(a.right, b.right);
    DrawTextA(canvas_.dc(), "&&Save", -1, &a, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(a.right, b.right);
}

}  // namespace
