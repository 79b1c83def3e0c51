#pragma once
// A test that draws with GDI+: the session runs from SetUp to TearDown. A fixture that adds to
// SetUp calls this one first and stops when it failed; one that adds to TearDown calls this one
// last.

#include "gdi/gdiplus.h"

#include <gtest/gtest.h>

class GdiplusTest : public ::testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token_, &input, nullptr), Ok);
    }
    void TearDown() override { GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};
