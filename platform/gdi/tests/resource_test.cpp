#include "gdi/gdi.h"

#include "canvas.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x5000);

// A 4 x 3 picture: red top row, green middle row, blue bottom row with a transparent last pixel.
constexpr std::uint32_t kPixels[] = {
    0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000,  //
    0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00,  //
    0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0x00000000,
};

std::vector<unsigned char> pngOf(int width, int height, double r, double g, double b) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    cairo_surface_destroy(s);
    return bytes;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        png_ = pngOf(32, 32, 0, 0, 1);
        table_ = {
            {gdi::ResourceType::Bitmap, 101, 4, 3, kPixels, nullptr, 0, {0, 0}},
            {gdi::ResourceType::Cursor, 213, 0, 0, nullptr, png_.data(), png_.size(), {5, 0}},
            {gdi::ResourceType::Icon, 205, 0, 0, nullptr, png_.data(), png_.size(), {0, 0}},
        };
        gdi::registerResources(kModule, table_.data(), table_.size());
    }
    void TearDown() override {
        SetCursor(nullptr);
        gdi::unregisterResources(kModule);
    }
    std::vector<unsigned char> png_;
    std::vector<gdi::Resource> table_;
};

TEST_F(Resources, BitmapLoadsByIdWithItsPixels) {
    HBITMAP bitmap = LoadBitmapA(kModule, MAKEINTRESOURCEA(101));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 4);
    EXPECT_EQ(info.bmHeight, 3);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 3, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 0, 2), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteObject(bitmap);

    // Scaled on request, and as a DIB section.
    HANDLE scaled = LoadImageA(kModule, MAKEINTRESOURCEA(101), IMAGE_BITMAP, 8, 6, LR_CREATEDIBSECTION);
    ASSERT_NE(scaled, nullptr);
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(scaled, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 8);
    EXPECT_NE(ds.dsBm.bmBits, nullptr);
    old = SelectObject(dc, scaled);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 5), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteObject(scaled);
    DeleteDC(dc);

    EXPECT_EQ(LoadBitmapA(kModule, MAKEINTRESOURCEA(999)), nullptr);
    EXPECT_EQ(LoadBitmapA(reinterpret_cast<HINSTANCE>(0x6000), MAKEINTRESOURCEA(101)), nullptr);
    EXPECT_EQ(LoadBitmapA(kModule, "named"), nullptr);
}

TEST_F(Resources, SharedCursorsAndTheCurrentCursor) {
    HCURSOR a = LoadCursorA(kModule, MAKEINTRESOURCEA(213));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(LoadCursorA(kModule, MAKEINTRESOURCEA(213)), a);
    gdi::CursorInfo info{};
    ASSERT_TRUE(gdi::iconInfo(a, &info));
    EXPECT_EQ(cairo_image_surface_get_width(info.image), 32);
    EXPECT_EQ(info.hotSpot.x, 5);
    EXPECT_EQ(info.systemName, nullptr);
    // A shared cursor survives DestroyCursor.
    EXPECT_TRUE(DestroyCursor(a));
    EXPECT_TRUE(gdi::iconInfo(a, &info));

    static HCURSOR heard = nullptr;
    gdi::setCursorListener([](HCURSOR c) { heard = c; });
    EXPECT_EQ(SetCursor(a), nullptr);
    EXPECT_EQ(GetCursor(), a);
    EXPECT_EQ(heard, a);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_TRUE(gdi::iconInfo(arrow, &info));
    EXPECT_STREQ(info.systemName, "default");
    ASSERT_TRUE(gdi::iconInfo(LoadCursorA(nullptr, IDC_HAND), &info));
    EXPECT_STREQ(info.systemName, "pointer");
    EXPECT_EQ(SetCursor(arrow), a);
    EXPECT_EQ(heard, arrow);
    gdi::setCursorListener(nullptr);

    // A cursor of its own is destroyed for good.
    HANDLE own = LoadImageA(kModule, MAKEINTRESOURCEA(213), IMAGE_CURSOR, 16, 16, 0);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, a);
    ASSERT_TRUE(gdi::iconInfo(static_cast<HCURSOR>(own), &info));
    EXPECT_EQ(cairo_image_surface_get_width(info.image), 16);
    EXPECT_EQ(info.hotSpot.x, 2);
    EXPECT_TRUE(DestroyCursor(static_cast<HCURSOR>(own)));
    EXPECT_FALSE(gdi::iconInfo(static_cast<HCURSOR>(own), &info));
    EXPECT_FALSE(DestroyCursor(static_cast<HCURSOR>(own)));

    EXPECT_NE(LoadIconA(kModule, MAKEINTRESOURCEA(205)), nullptr);
    EXPECT_EQ(LoadIconA(kModule, MAKEINTRESOURCEA(213)), nullptr);
}

}  // namespace
