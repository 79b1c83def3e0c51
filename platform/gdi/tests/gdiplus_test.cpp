#include "gdi/gdiplus.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr ARGB kWhite = 0xFFFFFFFF;
constexpr ARGB kRed = 0xFFFF0000;
constexpr ARGB kBlue = 0xFF0000FF;

TEST(GdiplusStartup, IsReferenceCounted) {
    GpSolidFill* brush = nullptr;
    EXPECT_EQ(GdipCreateSolidFill(kRed, &brush), GdiplusNotInitialized);
    GdiplusStartupInput input;
    ULONG_PTR first = 0, second = 0;
    ASSERT_EQ(GdiplusStartup(&first, &input, nullptr), Ok);
    ASSERT_EQ(GdiplusStartup(&second, &input, nullptr), Ok);
    GdiplusShutdown(first);
    ASSERT_EQ(GdipCreateSolidFill(kRed, &brush), Ok);
    EXPECT_EQ(GdipDeleteBrush(brush), Ok);
    GdiplusShutdown(second);
    EXPECT_EQ(GdipCreateSolidFill(kRed, &brush), GdiplusNotInitialized);
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
}

// A premultiplied bitmap with its own graphics, cleared white.
class Gdiplus : public ::testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token_, &input, nullptr), Ok);
        ASSERT_EQ(GdipCreateBitmapFromScan0(kSize, kSize, 0, PixelFormat32bppPARGB, nullptr, &bitmap_), Ok);
        ASSERT_EQ(GdipGetImageGraphicsContext(bitmap_, &graphics_), Ok);
        GdipSetSmoothingMode(graphics_, SmoothingModeNone);
        ASSERT_EQ(GdipGraphicsClear(graphics_, kWhite), Ok);
    }
    void TearDown() override {
        GdipDeleteGraphics(graphics_);
        GdipDisposeImage(bitmap_);
        GdiplusShutdown(token_);
    }
    // Straight ARGB pixels of the whole bitmap.
    std::vector<ARGB> pixels() {
        BitmapData data{};
        EXPECT_EQ(GdipBitmapLockBits(bitmap_, nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
        std::vector<ARGB> out(kSize * kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                out[y * kSize + x] = static_cast<const ARGB*>(data.Scan0)[y * data.Stride / 4 + x];
        EXPECT_EQ(GdipBitmapUnlockBits(bitmap_, &data), Ok);
        return out;
    }
    ARGB at(int x, int y) { return pixels()[y * kSize + x]; }

    static constexpr int kSize = 40;
    ULONG_PTR token_ = 0;
    GpBitmap* bitmap_ = nullptr;
    GpGraphics* graphics_ = nullptr;
};

TEST_F(Gdiplus, LinesCoverBothEndPoints) {
    GpPen* pen = nullptr;
    ASSERT_EQ(GdipCreatePen1(kRed, 1, UnitPixel, &pen), Ok);
    EXPECT_EQ(GdipDrawLineI(graphics_, pen, 2, 5, 8, 5), Ok);
    EXPECT_EQ(GdipDrawLineI(graphics_, pen, 20, 10, 20, 3), Ok);
    const GpPoint wedge[] = {{0, 17}, {30, 17}, {30, 25}};
    EXPECT_EQ(GdipDrawLinesI(graphics_, pen, wedge, 3), Ok);
    std::vector<ARGB> p = pixels();
    for (int x = 0; x < 12; ++x) EXPECT_EQ(p[5 * kSize + x], x >= 2 && x <= 8 ? kRed : kWhite) << x;
    for (int y = 0; y < 12; ++y) EXPECT_EQ(p[y * kSize + 20], y >= 3 && y <= 10 ? kRed : kWhite) << y;
    EXPECT_EQ(p[17 * kSize + 0], kRed);
    EXPECT_EQ(p[17 * kSize + 30], kRed);
    EXPECT_EQ(p[25 * kSize + 30], kRed);
    EXPECT_EQ(p[26 * kSize + 30], kWhite);
    EXPECT_EQ(p[17 * kSize + 31], kWhite);
    GdipDeletePen(pen);
}

TEST_F(Gdiplus, RectanglePolygonAndEllipseFills) {
    GpSolidFill* blue = nullptr;
    ASSERT_EQ(GdipCreateSolidFill(kBlue, &blue), Ok);
    EXPECT_EQ(GdipFillRectangleI(graphics_, blue, 3, 0, 9, 20), Ok);
    std::vector<ARGB> p = pixels();
    EXPECT_EQ(p[0 * kSize + 3], kBlue);
    EXPECT_EQ(p[19 * kSize + 11], kBlue);
    EXPECT_EQ(p[0 * kSize + 12], kWhite);
    EXPECT_EQ(p[20 * kSize + 3], kWhite);
    EXPECT_EQ(p[0 * kSize + 2], kWhite);

    GdipGraphicsClear(graphics_, kWhite);
    const GpPoint triangle[] = {{0, 30}, {39, 30}, {39, 10}};
    EXPECT_EQ(GdipFillPolygonI(graphics_, blue, triangle, 3, FillModeAlternate), Ok);
    EXPECT_EQ(at(35, 28), kBlue);
    EXPECT_EQ(at(5, 15), kWhite);
    EXPECT_EQ(at(35, 33), kWhite);

    GdipGraphicsClear(graphics_, kWhite);
    EXPECT_EQ(GdipFillEllipseI(graphics_, blue, 0, 0, 40, 40), Ok);
    p = pixels();
    EXPECT_EQ(p[20 * kSize + 20], kBlue);
    EXPECT_EQ(p[20 * kSize + 1], kBlue);
    EXPECT_EQ(p[0 * kSize + 0], kWhite);
    EXPECT_EQ(p[39 * kSize + 39], kWhite);
    EXPECT_EQ(p[2 * kSize + 37], kWhite);
    EXPECT_EQ(GdipFillPolygonI(graphics_, blue, triangle, 2, FillModeAlternate), InvalidParameter);
    EXPECT_EQ(GdipFillRectangleI(graphics_, nullptr, 0, 0, 1, 1), InvalidParameter);
    GdipDeleteBrush(blue);
}

TEST_F(Gdiplus, LinearGradientRunsFromOneColourToTheOther) {
    auto near = [](ARGB a, ARGB b, int tolerance) {
        for (int shift = 0; shift < 32; shift += 8)
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
        return true;
    };
    GpLineGradient* gradient = nullptr;
    const GpPoint from{0, 0}, to{39, 0};
    ASSERT_EQ(GdipCreateLineBrushI(&from, &to, kRed, kBlue, WrapModeClamp, &gradient), Ok);
    EXPECT_EQ(GdipFillRectangleI(graphics_, gradient, 0, 0, 40, 10), Ok);
    std::vector<ARGB> p = pixels();
    EXPECT_EQ(p[5 * kSize + 0], kRed);
    EXPECT_EQ(p[5 * kSize + 39], kBlue);
    const ARGB middle = p[5 * kSize + 20];
    EXPECT_TRUE(near(middle, 0xFF800080, 8)) << std::hex << middle;
    EXPECT_EQ(p[10 * kSize + 5], kWhite);
    GdipDeleteBrush(gradient);

    // Tiled, the colours start over past the end point.
    const GpPoint half{20, 0};
    ASSERT_EQ(GdipCreateLineBrushI(&from, &half, kRed, kBlue, WrapModeTile, &gradient), Ok);
    EXPECT_EQ(GdipFillRectangleI(graphics_, gradient, 0, 0, 40, 10), Ok);
    p = pixels();
    EXPECT_TRUE(near(p[19], kBlue, 16)) << std::hex << p[19];
    EXPECT_TRUE(near(p[21], kRed, 16)) << std::hex << p[21];
    GdipDeleteBrush(gradient);
    // Flipped, they run back.
    ASSERT_EQ(GdipCreateLineBrushI(&from, &half, kRed, kBlue, WrapModeTileFlipX, &gradient), Ok);
    EXPECT_EQ(GdipFillRectangleI(graphics_, gradient, 0, 0, 40, 10), Ok);
    p = pixels();
    EXPECT_TRUE(near(p[21], kBlue, 16)) << std::hex << p[21];
    EXPECT_TRUE(near(p[39], kRed, 16)) << std::hex << p[39];
    GdipDeleteBrush(gradient);
    EXPECT_EQ(GdipCreateLineBrushI(&from, &from, kRed, kBlue, WrapModeTile, &gradient), OutOfMemory);
}

TEST_F(Gdiplus, ExcludedEllipseLeavesTheCornersToTheClear) {
    GpPath* path = nullptr;
    ASSERT_EQ(GdipCreatePath(FillModeAlternate, &path), Ok);
    ASSERT_EQ(GdipAddPathEllipseI(path, 0, 0, kSize, kSize), Ok);
    ASSERT_EQ(GdipSetClipRectI(graphics_, 0, 0, kSize, kSize, CombineModeReplace), Ok);
    ASSERT_EQ(GdipSetClipPath(graphics_, path, CombineModeExclude), Ok);
    ASSERT_EQ(GdipGraphicsClear(graphics_, kRed), Ok);
    std::vector<ARGB> p = pixels();
    EXPECT_EQ(p[0], kRed);
    EXPECT_EQ(p[kSize - 1], kRed);
    EXPECT_EQ(p[(kSize - 1) * kSize], kRed);
    EXPECT_EQ(p[kSize * kSize - 1], kRed);
    EXPECT_EQ(p[20 * kSize + 20], kWhite);
    EXPECT_EQ(p[20 * kSize + 2], kWhite);
    EXPECT_EQ(p[3 * kSize + 20], kWhite);
    EXPECT_EQ(GdipSetClipPath(graphics_, path, CombineModeUnion), NotImplemented);
    EXPECT_EQ(GdipResetClip(graphics_), Ok);
    GdipGraphicsClear(graphics_, kBlue);
    EXPECT_EQ(at(20, 20), kBlue);
    GdipDeletePath(path);
}

TEST_F(Gdiplus, LockBitsReadsAndWritesPremultipliedPixels) {
    ASSERT_EQ(GdipGraphicsClear(graphics_, 0x80FF0000), Ok);
    BitmapData data{};
    const GpRect area{1, 2, 3, 4};
    ASSERT_EQ(GdipBitmapLockBits(bitmap_, &area, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppPARGB, &data),
              Ok);
    EXPECT_EQ(data.Width, 3u);
    EXPECT_EQ(data.Height, 4u);
    EXPECT_EQ(data.PixelFormat, PixelFormat32bppPARGB);
    auto* bytes = static_cast<BYTE*>(data.Scan0);
    EXPECT_EQ(bytes[0], 0x00);  // blue
    EXPECT_EQ(bytes[2], 0x80);  // red, premultiplied
    EXPECT_EQ(bytes[3], 0x80);  // alpha
    EXPECT_EQ(GdipBitmapLockBits(bitmap_, &area, ImageLockModeRead, PixelFormat32bppPARGB, &data), WrongState);
    static_cast<ARGB*>(data.Scan0)[0] = 0x40004000;  // a quarter-opaque full green
    ASSERT_EQ(GdipBitmapUnlockBits(bitmap_, &data), Ok);
    EXPECT_EQ(at(1, 2), 0x4000FF00u);
    EXPECT_EQ(at(0, 0), 0x80FF0000u);

    // Straight pixels written through an ARGB lock come back premultiplied.
    ASSERT_EQ(GdipBitmapLockBits(bitmap_, nullptr, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    static_cast<ARGB*>(data.Scan0)[0] = 0x800000FF;
    ASSERT_EQ(GdipBitmapUnlockBits(bitmap_, &data), Ok);
    ASSERT_EQ(GdipBitmapLockBits(bitmap_, nullptr, ImageLockModeRead, PixelFormat32bppPARGB, &data), Ok);
    EXPECT_EQ(static_cast<ARGB*>(data.Scan0)[0], 0x80000080u);
    GdipBitmapUnlockBits(bitmap_, &data);
    const GpRect outside{30, 30, 20, 20};
    EXPECT_EQ(GdipBitmapLockBits(bitmap_, &outside, ImageLockModeRead, PixelFormat32bppPARGB, &data), InvalidParameter);
    EXPECT_EQ(GdipBitmapUnlockBits(bitmap_, &data), WrongState);
}

TEST_F(Gdiplus, ImageDrawnScaledOntoADeviceContext) {
    GpBitmap* small = nullptr;
    std::uint32_t quad[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 8, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(quad), &small), Ok);
    Canvas canvas(20, 20, RGB(0, 0, 0));
    GpGraphics* onDc = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(canvas.dc(), &onDc), Ok);
    EXPECT_EQ(GdipSetInterpolationMode(onDc, InterpolationModeNearestNeighbor), Ok);
    EXPECT_EQ(GdipDrawImageRectI(onDc, small, 0, 0, 10, 10), Ok);
    EXPECT_EQ(GdipDrawImageI(onDc, small, 15, 15), Ok);
    EXPECT_EQ(GdipDeleteGraphics(onDc), Ok);
    EXPECT_EQ(canvas.at(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas.at(4, 4), RGB(255, 0, 0));
    EXPECT_EQ(canvas.at(9, 0), RGB(0, 255, 0));
    EXPECT_EQ(canvas.at(0, 9), RGB(0, 0, 255));
    EXPECT_EQ(canvas.at(9, 9), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(10, 10), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(16, 15), RGB(0, 255, 0));
    EXPECT_EQ(canvas.at(17, 17), RGB(0, 0, 0));
    // The bitmap uses the caller's memory.
    EXPECT_EQ(GdipGraphicsClear(graphics_, kWhite), Ok);
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(small, &g), Ok);
    GdipGraphicsClear(g, 0xFF102030);
    GdipDeleteGraphics(g);
    EXPECT_EQ(quad[3], 0xFF102030u);

    UINT w = 0;
    EXPECT_EQ(GdipGetImageWidth(small, &w), Ok);
    EXPECT_EQ(w, 2u);
    GdipDisposeImage(small);
    EXPECT_EQ(GdipCreateBitmapFromScan0(2, 2, 6, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(quad), &small),
              InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(2, 2, 0, 0x00021808, nullptr, &small), InvalidParameter);
}

TEST_F(Gdiplus, BitmapsFromResourcesIconsAndGdiBitmaps) {
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x7000);
    static const std::uint32_t pixels[] = {0xFF112233, 0x80FFFFFF};
    const gdi::Resource table[] = {
        {gdi::ResourceType::Bitmap, 258, 2, 1, pixels, nullptr, 0, {0, 0}},
        {gdi::ResourceType::Icon, 201, 2, 1, pixels, nullptr, 0, {0, 0}},
    };
    gdi::registerResources(module, table, 2);
    GpBitmap* fromResource = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromResource(module, MAKEINTRESOURCEW(258), &fromResource), Ok);
    BitmapData data{};
    ASSERT_EQ(GdipBitmapLockBits(fromResource, nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(static_cast<ARGB*>(data.Scan0)[0], 0xFF112233u);
    EXPECT_EQ(static_cast<ARGB*>(data.Scan0)[1], 0x80FFFFFFu);
    GdipBitmapUnlockBits(fromResource, &data);
    GdipDisposeImage(fromResource);
    EXPECT_EQ(GdipCreateBitmapFromResource(module, MAKEINTRESOURCEW(259), &fromResource), InvalidParameter);

    GpBitmap* fromIcon = nullptr;
    HICON icon = LoadIconA(module, MAKEINTRESOURCEA(201));
    ASSERT_EQ(GdipCreateBitmapFromHICON(icon, &fromIcon), Ok);
    UINT w = 0;
    GdipGetImageWidth(fromIcon, &w);
    EXPECT_EQ(w, 2u);
    GdipDisposeImage(fromIcon);

    Canvas canvas(3, 3, RGB(7, 8, 9));
    GpBitmap* fromGdi = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromHBITMAP(canvas.bitmap(), nullptr, &fromGdi), Ok);
    ASSERT_EQ(GdipBitmapLockBits(fromGdi, nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(static_cast<ARGB*>(data.Scan0)[4], 0xFF070809u);
    GdipBitmapUnlockBits(fromGdi, &data);
    GdipDisposeImage(fromGdi);
    gdi::unregisterResources(module);
}

}  // namespace
