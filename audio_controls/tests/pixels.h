#pragma once
// Distinct system colours, so that every pixel of a drawing tells which colour painted it.

#include "gdi/gdi.h"

#include <gtest/gtest.h>

constexpr COLORREF kFace = RGB(1, 2, 3);
constexpr COLORREF kShadow = RGB(4, 5, 6);
constexpr COLORREF kHighlight = RGB(7, 8, 9);
constexpr COLORREF kDark = RGB(10, 11, 12);
constexpr COLORREF kHighlightText = RGB(13, 14, 15);

class Pixels : public ::testing::Test {
protected:
    void SetUp() override {
        windows::setSysColor(COLOR_BTNFACE, kFace);
        windows::setSysColor(COLOR_BTNSHADOW, kShadow);
        windows::setSysColor(COLOR_BTNHIGHLIGHT, kHighlight);
        windows::setSysColor(COLOR_3DDKSHADOW, kDark);
        windows::setSysColor(COLOR_HIGHLIGHTTEXT, kHighlightText);
    }
    void TearDown() override { windows::resetSysColors(); }
};
